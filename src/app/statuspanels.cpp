#include "app/statuspanels.h"

#include <QPainter>
#include <cmath>

StatusPanels::StatusPanels(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusBar"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    m_texts[2] = QStringLiteral("Port:unbekannt");
    m_texts[3] = QStringLiteral("Modus : Offline");
    m_texts[4] = QStringLiteral("PIC : unbekannt");
}

void StatusPanels::setPanelText(int panel, const QString &text)
{
    if (panel < 0 || panel > 4 || m_texts[panel] == text)
        return;
    m_texts[panel] = text;
    update();
}

QString StatusPanels::panelText(int panel) const { return panel >= 0 && panel <= 4 ? m_texts[panel] : QString(); }

void StatusPanels::setPanel0Width(int width)
{
    m_widths[0] = width < 0 ? 0 : width;
    update();
}

int StatusPanels::panelWidth(int panel) const { return panel >= 0 && panel <= 4 ? m_widths[panel] : 0; }

int StatusPanels::panelLeft(int panel) const
{
    int x = 0;
    for (int i = 0; i < panel && i < 5; ++i)
        x += m_widths[i];
    return x;
}

void StatusPanels::setBattery(bool offline, double volts)
{
    if (m_offline == offline && m_volts == volts)
        return;
    m_offline = offline;
    m_volts = volts;
    update();
}

QSize StatusPanels::sizeHint() const { return QSize(panelLeft(5), fontMetrics().height() + 6); }

// Rectangles follow the old canvas rules: right and bottom edges excluded.
void StatusPanels::drawBatteryGauge(QPainter &painter, const QRect &rect, int w, bool offline, double volts)
{
    const int top = rect.top();
    const int bottom = rect.bottom() + 1;
    // Texts are clipped to the space the layout leaves them.
    auto textAt = [&](int x, const QString &text, int width) {
        painter.save();
        painter.setClipRect(QRect(x, top, width, bottom - top));
        painter.drawText(QRect(x, top + 1, width, bottom - top - 1), Qt::AlignLeft | Qt::AlignTop, text);
        painter.restore();
    };
    if (offline || volts == -1.0) {
        textAt(w + 10, QStringLiteral("Akku nicht verfügbar"), 138);
        return;
    }
    const double p = volts * 100.0 / 19.0;
    const int units = int(std::trunc(p));
    const QColor frame = painter.brush().style() == Qt::NoBrush ? QColor(Qt::black) : painter.brush().color();
    // Frame: one pixel wide, x w+60 .. w+110, y top+2 .. bottom-2.
    painter.fillRect(QRect(QPoint(w + 60, top + 2), QPoint(w + 109, top + 2)), frame);
    painter.fillRect(QRect(QPoint(w + 60, bottom - 3), QPoint(w + 109, bottom - 3)), frame);
    painter.fillRect(QRect(QPoint(w + 60, top + 2), QPoint(w + 60, bottom - 3)), frame);
    painter.fillRect(QRect(QPoint(w + 109, top + 2), QPoint(w + 109, bottom - 3)), frame);
    painter.fillRect(QRect(QPoint(w + 61, top + 3), QPoint(w + 109, bottom - 3)), QColor(128, 128, 128));
    const int right = units > 50 ? w + 109 : w + 61 + units;
    if (right > w + 61)
        painter.fillRect(QRect(QPoint(w + 61, top + 3), QPoint(right - 1, bottom - 3)),
                         volts > 6.0 ? QColor(0, 255, 0) : QColor(255, 0, 0));
    textAt(w + 10, QStringLiteral("Akku  0%"), 50);
    textAt(w + 115, QStringLiteral("100%"), 35);
}

void StatusPanels::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int h = height();
    for (int i = 0; i < 5; ++i) {
        const QRect r(panelLeft(i), 0, m_widths[i] - 2, h);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::WindowText));
        if (i == 1) {
            painter.save();
            painter.setBrush(palette().color(QPalette::WindowText));
            drawBatteryGauge(painter, QRect(panelLeft(1), 0, m_widths[1], h), m_widths[0], m_offline, m_volts);
            painter.restore();
        } else {
            const Qt::Alignment align = i >= 2 ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter);
            painter.drawText(i >= 2 ? r : r.adjusted(3, 0, -3, 0), align, m_texts[i]);
        }
    }
}
