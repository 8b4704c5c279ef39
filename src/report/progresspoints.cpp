#include "report/progresspoints.h"

#include <algorithm>
#include <cmath>

ProgressPoints::ProgressPoints(const QVector<SeriesSummary> &series)
{
    for (const SeriesSummary &s : series)
        if (s.validCount > 0)
            m_points.append({QDateTime(s.datum, s.zeit), s.serie, s.mean, 0});
    std::stable_sort(m_points.begin(), m_points.end(), [](const Point &a, const Point &b) {
        return a.when != b.when ? a.when < b.when : a.serie < b.serie;
    });
    for (int i = 0; i < m_points.size(); ++i)
        m_points[i].x = i;
}

double ProgressPoints::minMean() const
{
    double m = 0;
    for (int i = 0; i < m_points.size(); ++i)
        m = i == 0 ? m_points[i].mean : std::min(m, m_points[i].mean);
    return m;
}

double ProgressPoints::maxMean() const
{
    double m = 0;
    for (int i = 0; i < m_points.size(); ++i)
        m = i == 0 ? m_points[i].mean : std::max(m, m_points[i].mean);
    return m;
}

ProgressPoints::Scale ProgressPoints::meanScale() const
{
    Scale s;
    if (m_points.isEmpty()) {
        s.from = 0;
        s.to = 500;
        s.step = 100;
        return s;
    }
    const double lo = minMean(), hi = maxMean();
    s.step = hi - lo <= 300 ? 50 : 100;
    // A fifth of a step at least between a point and the border.
    const double room = s.step / 5;
    s.from = std::max(0.0, std::floor((lo - room) / s.step) * s.step);
    s.to = std::ceil((hi + room) / s.step) * s.step;
    return s;
}

QVector<int> ProgressPoints::labelledPoints(double plotWidth, double labelWidth) const
{
    QVector<int> out;
    if (m_points.isEmpty() || plotWidth <= 0 || labelWidth <= 0)
        return out;
    const double step = plotWidth / m_points.size();
    const int most = int(plotWidth / labelWidth) - 1;
    for (int i = 0; i < m_points.size() && out.size() < most; ++i) {
        if (i > 0 && m_points[i].when == m_points[i - 1].when)
            continue; // not the first series of its measurement
        const double centre = (i + 0.5) * step;
        if (centre < labelWidth / 2 || centre + labelWidth / 2 > plotWidth)
            continue;
        if (!out.isEmpty() && (i - out.last()) * step < labelWidth)
            continue;
        out.append(i);
    }
    return out;
}
