#pragma once
#include <QChartView>

#include "report/progresspoints.h"

class QCategoryAxis;
class QLineSeries;
class QValueAxis;

// "Verlauf der Serienmittelwerte": one point per series, one step apart, the
// first series of each measurement labelled with its date and time as far
// as the plot's width allows.
class ProgressChart : public QChartView
{
    Q_OBJECT
public:
    explicit ProgressChart(QWidget *parent = nullptr);

    // Shows points; the mean axis and the time labels follow them.
    void setPoints(const ProgressPoints &points);
    const ProgressPoints &points() const { return m_points; }

    QLineSeries *line() const { return m_line; }
    QCategoryAxis *timeAxis() const { return m_timeAxis; }
    QValueAxis *meanAxis() const { return m_meanAxis; }

private:
    void labelTimeAxis(); // date and time labels that fit the plot's width

    QLineSeries *m_line = nullptr;
    QCategoryAxis *m_timeAxis = nullptr;
    QValueAxis *m_meanAxis = nullptr;
    ProgressPoints m_points;
    bool m_labelling = false;
};
