#pragma once
#include "store/seriesstats.h"

#include <QDateTime>
#include <QVector>

// The points of the progress chart: one per series with at least one valid
// row, in time order (series of one measurement by number), placed one step
// apart on the horizontal axis, so the series of one measurement follow each
// other instead of standing on one vertical line; y = the series' mean.
class ProgressPoints
{
public:
    struct Point
    {
        QDateTime when; // date and time of the measurement
        int serie = 0;
        double mean = 0;
        int x = 0;      // position on the horizontal axis, 0, 1, 2, …
    };
    // Range and tick step of the mean axis: whole multiples of the step.
    struct Scale
    {
        double from = 0, to = 0, step = 0;
        int ticks() const { return step > 0 ? int((to - from) / step + 0.5) + 1 : 0; }
    };

    ProgressPoints() = default;
    explicit ProgressPoints(const QVector<SeriesSummary> &series);

    const QVector<Point> &points() const { return m_points; }
    bool isEmpty() const { return m_points.isEmpty(); }
    double minMean() const;
    double maxMean() const;

    // Mean axis in steps of 50 ms (spans up to 300 ms) or 100 ms, with room
    // above and below the points.
    Scale meanScale() const;
    // Indexes of the points whose measurement gets a date and time label on
    // a plot plotWidth pixels wide (the points at the middle of equal steps):
    // the first series of each measurement, left out where its label
    // (labelWidth wide, centred on the point) would reach past the plot or come
    // closer than labelWidth to the label before, and no more labels than
    // plotWidth / labelWidth - 1 (a chart axis gives each label that share).
    QVector<int> labelledPoints(double plotWidth, double labelWidth) const;

private:
    QVector<Point> m_points;
};
