#include "evaluation/progresspoints.h"

#include <algorithm>

ProgressPoints::ProgressPoints(const QVector<SeriesSummary> &series)
{
    for (const SeriesSummary &s : series)
        if (s.validCount > 0)
            m_points.append({QDateTime(s.datum, s.zeit), s.serie, s.mean});
    std::stable_sort(m_points.begin(), m_points.end(), [](const Point &a, const Point &b) {
        return a.when != b.when ? a.when < b.when : a.serie < b.serie;
    });
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
