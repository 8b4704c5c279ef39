#include "curves/curvestats.h"

#include "platform/numberformat.h"

#include <QLocale>
#include <cmath>

namespace {
struct Sums
{
    int n = 0;
    double mean = 0;
    double ss = 0;
};

Sums sums(const ResultRows &rows, int from, int count)
{
    Sums s;
    double sum = 0;
    for (int i = from; i < from + count; ++i) {
        if (rows.at(i).status == QLatin1String("x")) {
            ++s.n;
            sum += rows.at(i).time.trimmed().toInt();
        }
    }
    s.mean = s.n > 0 ? sum / s.n : 0;
    for (int i = from; i < from + count; ++i) {
        if (rows.at(i).status == QLatin1String("x")) {
            const double d = rows.at(i).time.trimmed().toInt() - s.mean;
            s.ss += d * d;
        }
    }
    return s;
}
} // namespace

CurveStatistics::CurveStatistics(const ResultRows &rows)
{
    m_rows = int(rows.size());
    const Sums all = sums(rows, 0, m_rows);
    m_valid = all.n;
    m_mean = all.mean;
    m_ss = all.ss;
    for (int g = 0; (g + 1) * 5 <= m_rows; ++g) {
        const Sums s = sums(rows, g * 5, 5);
        GroupLine line;
        line.caption = QString::number(g + 1);
        if (s.n >= 2)
            line.subItems << oneDecimal(s.mean) << oneDecimal(std::sqrt(s.ss / (s.n - 1)));
        m_groups << line;
    }
}

QString CurveStatistics::oneDecimal(double value) { return NumberFormat::formatFloat("%1.1f", value); }

QString CurveStatistics::gLabelText() const
{
    return QStringLiteral(" (%1 gültig / %2 ungültig)").arg(m_valid).arg(m_rows - m_valid);
}

QString CurveStatistics::mwText() const { return oneDecimal(m_mean) + QStringLiteral(" ms"); }

QString CurveStatistics::diffText() const
{
    if (m_valid == 1)
        return QStringLiteral("0 ms");
    // No valid row: no spread, written like every other figure.
    const double sd = m_valid >= 2 ? std::sqrt(m_ss / (m_valid - 1)) : 0.0;
    return oneDecimal(sd) + QStringLiteral(" ms");
}
