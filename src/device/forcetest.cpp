#include "device/forcetest.h"

#include "platform/clock.h"
#include "platform/gdicanvas.h"
#include "platform/numberformat.h"

#include <cmath>

ForceTest::ForceTest(const QSize &plotSize)
{
    setPlotSize(plotSize);
}

void ForceTest::setPlotSize(const QSize &size)
{
    m_plot = QImage(size.expandedTo(QSize(2, 2)), QImage::Format_RGB32);
    repaintFrame();
    m_pen = QPoint(0, m_plot.height());
}

void ForceTest::repaintFrame()
{
    m_plot.fill(Qt::white);
    GdiCanvas canvas(m_plot);
    canvas.setPen(Qt::black, 1);
    const int w = m_plot.width();
    const int h = m_plot.height();
    // The line stops one pixel short of its end, so each end goes one further.
    canvas.line(0, 0, w, 0);
    canvas.line(w - 1, 0, w - 1, h);
    canvas.line(w - 1, h - 1, -1, h - 1);
    canvas.line(0, h - 1, 0, -1);
}

void ForceTest::start(int zero, double scale)
{
    m_zero = zero;
    m_scale = scale;
    repaintFrame();
    m_plotScale = m_plot.height() / (scale * 500.0);
    m_pen = QPoint(0, m_plot.height());
    m_sampleCount = 0;
    m_ticks = 0;
    m_samplesRead = 0;
    m_startMs = Clock::instance().monotonicMs();
    m_lastTickMs = m_startMs;
    m_arrivals.clear();
    m_pending.clear();
}

void ForceTest::receive(int sample)
{
    // A stream faster than the ticks: the oldest go.
    if (m_pending.size() >= 4096)
        m_pending.pop_front();
    m_pending.push_back(sample);
}

bool ForceTest::tick()
{
    const bool arrived = !m_pending.empty();
    if (arrived) {
        m_buffer[0] = quint8(m_pending.front() >> 8);
        m_buffer[1] = quint8(m_pending.front() & 0xFF);
        m_pending.pop_front();
    }
    m_lastTickMs = Clock::instance().monotonicMs();
    if (arrived) {
        ++m_samplesRead;
        m_arrivals.push_back(m_lastTickMs);
    }
    while (!m_arrivals.empty() && m_arrivals.front() <= m_lastTickMs - 1000)
        m_arrivals.pop_front();
    advance();
    return arrived;
}

int ForceTest::samplesPerSecond() const
{
    const qint64 span = m_lastTickMs - m_startMs;
    if (span <= 0)
        return int(m_arrivals.size());
    if (span >= 1000)
        return int(m_arrivals.size());
    return int((qint64(m_arrivals.size()) * 1000 + span / 2) / span);
}

void ForceTest::advance()
{
    ++m_ticks;
    m_rawLevel = quint16(m_buffer[0] * 256 + m_buffer[1]);
    const int centered = int(m_rawLevel) - m_zero;
    m_centeredLevel = centered < 0 ? 0 : quint16(qMin(centered, 0xFFFF));

    const int width = m_plot.width();
    const int height = m_plot.height();
    ++m_sampleCount;
    const double level = std::trunc(m_plotScale * m_centeredLevel);
    m_plotLevel = int(qMin(level, 1.0e9)) - 3;
    if (m_plotLevel > height)
        m_plotLevel = height - 1;
    if (m_plotLevel < 0)
        m_plotLevel = 1;

    if (m_sampleCount < width) {
        const QPoint to(m_sampleCount, height - m_plotLevel);
        GdiCanvas canvas(m_plot);
        canvas.setPen(traceColor(), 2);
        canvas.line(m_pen.x(), m_pen.y(), to.x(), to.y());
        m_pen = to;
    } else {
        m_pen = QPoint(0, height);
        m_sampleCount = 0;
        repaintFrame();
    }
}

QStringList ForceTest::labelTexts() const
{
    const double grams = m_centeredLevel / m_scale;
    return {NumberFormat::formatInt("%4.4x", m_centeredLevel),
            QString::number(m_rawLevel),
            QString::number(m_centeredLevel),
            QString::number(m_zero),
            QString::number(m_plotLevel),
            QString::number(samplesPerSecond()),
            NumberFormat::formatFloat("%3.1f", grams)};
}
