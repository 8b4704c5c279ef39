#include "evaluation/progresschart.h"

#include "platform/logformat.h"

#include <QCategoryAxis>
#include <QChart>
#include <QFontMetricsF>
#include <QLineSeries>
#include <QLocale>
#include <QValueAxis>

namespace {

// Labels of the time axis: date and time of a measurement.
QString timeLabelFormat() { return LogDateFormat(QLocale()) + QStringLiteral(" HH:mm"); }

// Widest label of that format, with the axis' padding and a gap.
double timeLabelWidth(const QFont &font)
{
    return QFontMetricsF(font).horizontalAdvance(
               QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(20, 0)), timeLabelFormat()))
           + 16;
}

constexpr int kDenseSeries = 200;

} // namespace

ProgressChart::ProgressChart(QWidget *parent)
    : QChartView(parent)
{
    setObjectName(QStringLiteral("Verlauf_Chart"));
    setRenderHint(QPainter::Antialiasing);
    auto *chart = new QChart;
    chart->legend()->hide();
    // Narrow margins leave the plot long enough for the vertical axis title.
    chart->setMargins(QMargins(8, 4, 8, 4));
    chart->setTitle(QStringLiteral("Verlauf der Serienmittelwerte"));
    m_line = new QLineSeries(chart);
    m_line->setObjectName(QStringLiteral("Verlauf_Series"));
    m_line->setPointsVisible(true);
    chart->addSeries(m_line);
    // One step per series; the first series of a measurement carries its
    // date and time.
    m_timeAxis = new QCategoryAxis(chart);
    m_timeAxis->setObjectName(QStringLiteral("Verlauf_XAxis"));
    m_timeAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_timeAxis->setTitleText(QStringLiteral("Datum und Uhrzeit der Messung"));
    m_meanAxis = new QValueAxis(chart);
    m_meanAxis->setObjectName(QStringLiteral("Verlauf_YAxis"));
    m_meanAxis->setTitleText(QStringLiteral("Mittelwert in ms"));
    m_meanAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chart->addAxis(m_meanAxis, Qt::AlignLeft);
    m_line->attachAxis(m_timeAxis);
    m_line->attachAxis(m_meanAxis);
    setChart(chart);
    // The labels that fit depend on the plot's width; at its smallest the
    // chart keeps room for two date and time labels beside the mean axis and
    // for the axis titles (the layout then stops the window from shrinking
    // further, so nothing runs into the buttons).
    connect(chart, &QChart::plotAreaChanged, this, [this] { labelTimeAxis(); });
    setMinimumSize(int(3 * timeLabelWidth(m_timeAxis->labelsFont())) + 120, 260);
}

void ProgressChart::setPoints(const ProgressPoints &points)
{
    m_points = points;
    QList<QPointF> pts;
    for (const ProgressPoints::Point &p : m_points.points())
        pts << QPointF(p.x, p.mean);
    // Markers and smoothing only where a point can still be told apart: many
    // hundred series would cost tens of milliseconds a repaint for a blur.
    const bool dense = pts.size() > kDenseSeries;
    m_line->setPointsVisible(!dense);
    setRenderHint(QPainter::Antialiasing, !dense);
    m_line->replace(pts);
    const ProgressPoints::Scale scale = m_points.meanScale();
    m_meanAxis->setRange(scale.from, scale.to);
    m_meanAxis->setTickType(QValueAxis::TicksDynamic);
    m_meanAxis->setTickAnchor(0);
    m_meanAxis->setTickInterval(scale.step);
    labelTimeAxis();
}

void ProgressChart::labelTimeAxis()
{
    if (m_labelling)
        return;
    m_labelling = true;
    const int count = int(m_points.points().size());
    const QRectF plot = chart()->plotArea();
    const double width = plot.width() > 0 ? plot.width() : this->width() * 0.8;
    const QLocale locale;
    const QString format = timeLabelFormat();
    const double labelWidth = timeLabelWidth(m_timeAxis->labelsFont());
    QStringList labels;
    QList<int> at;
    for (int i : m_points.labelledPoints(width, labelWidth)) {
        labels << locale.toString(m_points.points().at(i).when, format);
        at << m_points.points().at(i).x;
    }
    // An axis without any category places its title outside the chart.
    if (labels.isEmpty()) {
        labels << QStringLiteral(" ");
        at << 0;
    }
    if (labels != m_timeAxis->categoriesLabels()) {
        for (const QString &old : m_timeAxis->categoriesLabels())
            m_timeAxis->remove(old);
        m_timeAxis->setStartValue(-0.5);
        for (int i = 0; i < labels.size(); ++i)
            m_timeAxis->append(labels.at(i), at.at(i));
    }
    m_timeAxis->setRange(-0.5, std::max(count, 1) - 0.5);
    m_labelling = false;
}
