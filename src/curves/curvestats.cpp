#include "curves/curvestats.h"

#include "platform/numberformat.h"
#include "store/seriesstats.h"

#include <QLocale>
#include <QMap>
#include <algorithm>
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

CurveStatistics::CurveStatistics(const ResultRows &rows, int seriesCount)
{
    m_rows = int(rows.size());
    const Sums all = sums(rows, 0, m_rows);
    m_valid = all.n;
    m_mean = all.mean;
    m_ss = all.ss;

    // The rows as the result query returns them once saved (by series and
    // target), run through the store's statistics step.
    ResultRows ordered = rows;
    std::stable_sort(ordered.begin(), ordered.end(), [](const ResultRow &a, const ResultRow &b) {
        return a.series != b.series ? a.series < b.series : a.target < b.target;
    });
    SeriesStats stats;
    for (int i = 0; i < ordered.size(); ++i) {
        SeriesStats::Row row;
        row.serie = ordered.at(i).series;
        row.scheibe = ordered.at(i).target;
        row.reakZeit = ordered.at(i).time.trimmed().toInt();
        row.status = ordered.at(i).status.trimmed();
        const bool last = i + 1 == ordered.size() || ordered.at(i + 1).series != row.serie;
        stats.step(i + 1, row, last);
    }
    QMap<int, const SeriesSummary *> bySeries;
    for (int k = 1; k <= seriesCount; ++k)
        bySeries.insert(k, nullptr);
    for (const SeriesSummary &s : stats.series())
        bySeries.insert(s.serie, &s);
    for (auto it = bySeries.cbegin(); it != bySeries.cend(); ++it) {
        GroupLine line;
        line.caption = QString::number(it.key());
        const SeriesSummary *s = it.value();
        if (s && s->validCount >= 1)
            line.subItems << oneDecimal(s->mean) << oneDecimal(s->stdDev);
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
