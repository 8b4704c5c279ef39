#pragma once
#include "store/seriesstats.h"

#include <QDateTime>
#include <QVector>

// The points of the progress chart: one per series with at least one valid
// row, x = date and time of its measurement, y = its mean, in time order
// (series of one measurement by number).
class ProgressPoints
{
public:
    struct Point
    {
        QDateTime when;
        int serie = 0;
        double mean = 0;
    };

    ProgressPoints() = default;
    explicit ProgressPoints(const QVector<SeriesSummary> &series);

    const QVector<Point> &points() const { return m_points; }
    bool isEmpty() const { return m_points.isEmpty(); }
    double minMean() const;
    double maxMean() const;

private:
    QVector<Point> m_points;
};
