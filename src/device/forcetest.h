#pragma once
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QStringList>
#include <QtGlobal>
#include <deque>

// The live force display of the "Kraftsensor" page: one sample per tick from
// what the stream delivered, turned into levels, a trace and seven value texts. The
// trace is drawn into a kept picture the page shows.
class ForceTest
{
public:
    explicit ForceTest(const QSize &plotSize = QSize(400, 150));

    // Size of the trace area ("Shape1"); a new size clears the picture.
    void setPlotSize(const QSize &size);
    QSize plotSize() const { return m_plot.size(); }

    // Test start: frame repainted, plotScale = height / (scale * 500) (the
    // full height stands for 500 g), pen to (0, height), sampleCount 0; the
    // rate counts from now (Clock).
    void start(int zero, double scale);

    // A sample the stream delivered; the ticks take them in order.
    void receive(int sample);
    // One Messtimer tick: takes the next delivered sample into the kept
    // buffer (none there leaves the previous sample) and advances the trace.
    // True when a sample was taken.
    bool tick();
    int samplesRead() const { return m_samplesRead; }
    // Samples that really arrived in the last second (Clock), up to the last
    // tick; within the first second scaled up from the time so far.
    int samplesPerSecond() const;
    // The tick rules on the buffer as it is now (tick() after its read).
    void advance();

    // The buffer the stream is read into; starts at 0x00 0x00.
    quint8 *buffer() { return m_buffer; }

    // "Signalpegel 12 Bit", "... dezimal (normal)", "(zentriert)", "(Offset)",
    // "Signalpegel normiert", "Messwerte je Sekunde" (samplesPerSecond),
    // "Abzugsgewicht in g".
    QStringList labelTexts() const;

    quint16 rawLevel() const { return m_rawLevel; }
    quint16 centeredLevel() const { return m_centeredLevel; }
    double plotScale() const { return m_plotScale; }
    int plotLevel() const { return m_plotLevel; }
    int sampleCount() const { return m_sampleCount; }
    QPoint penPosition() const { return m_pen; }
    int ticks() const { return m_ticks; }

    const QImage &plot() const { return m_plot; }

    static QColor traceColor() { return QColor(255, 0, 0); }

private:
    void repaintFrame();

    QImage m_plot;
    quint8 m_buffer[2] = {0, 0};
    int m_zero = 0;
    double m_scale = 1.0;
    quint16 m_rawLevel = 0;
    quint16 m_centeredLevel = 0;
    double m_plotScale = 0.0;
    int m_plotLevel = 0;
    int m_sampleCount = 0;
    int m_ticks = 0;
    int m_samplesRead = 0;
    QPoint m_pen;
    qint64 m_startMs = 0;
    qint64 m_lastTickMs = 0;
    std::deque<qint64> m_arrivals;  // ms of the samples of the last second
    std::deque<int> m_pending;      // delivered, not yet taken by a tick
};
