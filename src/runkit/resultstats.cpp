#include "runkit/resultstats.h"

#include "platform/numberformat.h"
#include "platform/real48.h"

#include <cmath>

namespace {
long double timeValue(const ResultRow &row) { return row.time.trimmed().toLongLong(); }
QString whole(long double v) { return NumberFormat::formatFloat("%1.0f", double(v)); }
} // namespace

ResultStatistics::ResultStatistics(const ResultRows &rows, int messTyp)
    : m_messTyp(messTyp)
{
    m_n = int(rows.size());
    const Group all = compute(rows, 0, m_n);
    m_k = all.k;
    m_mean = double(all.mean);
    m_deviation = double(all.deviation);
    if (m_messTyp == 2) {
        m_v = 0;
        for (const ResultRow &row : rows)
            if (row.status == QLatin1String("x"))
                ++m_v;
    } else {
        m_v = m_k;
    }
    for (int h = 0; h < m_n / 5; ++h) {
        const Group g = compute(rows, 5 * h, 5);
        SeriesLine line;
        line.caption = QString::number(h + 1);
        if (m_messTyp == 2) {
            if (g.k >= 1)
                line.subItems << whole(g.sum / g.k);
            if (g.k >= 2)
                line.subItems << whole(g.deviation);
        } else if (g.k >= 2) {
            line.subItems << whole(g.sum / g.k) << whole(g.deviation);
        }
        m_series << line;
    }
}

bool ResultStatistics::inSample(const ResultRow &row) const
{
    if (row.status != QLatin1String("x"))
        return false;
    return m_messTyp != 2 || row.time != QLatin1String("00");
}

ResultStatistics::Group ResultStatistics::compute(const ResultRows &rows, int from, int count) const
{
    Group g;
    Real48 sum;
    for (int i = from; i < from + count && i < rows.size(); ++i) {
        if (!inSample(rows.at(i)))
            continue;
        sum += timeValue(rows.at(i));
        ++g.k;
    }
    g.sum = sum.value();
    const Real48 mean = g.k > 0 ? Real48(sum.value() / g.k) : Real48();
    g.mean = mean.value();
    Real48 squares;
    for (int i = from; i < from + count && i < rows.size(); ++i) {
        if (!inSample(rows.at(i)))
            continue;
        const long double d = timeValue(rows.at(i)) - mean.value();
        squares += d * d;
    }
    // With fewer than two values there is no deviation; it is shown as 0.
    g.deviation = g.k >= 2 ? std::sqrt(squares.value() * (1.0L / (g.k - 1))) : 0.0L;
    return g;
}

QString ResultStatistics::anzMessText() const { return QString::number(m_n); }

QString ResultStatistics::gLabelText() const
{
    return QStringLiteral(" (%1 gültig / %2 ungültig)").arg(m_v).arg(m_n - m_v);
}

QString ResultStatistics::mwText() const { return whole(m_mean) + QStringLiteral(" ms"); }

QString ResultStatistics::diffText() const
{
    if (m_k == 1)
        return QStringLiteral("0 ms");
    return whole(m_deviation) + QStringLiteral(" ms");
}
