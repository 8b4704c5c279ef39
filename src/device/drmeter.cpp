#include "device/drmeter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPaintEvent>
#include <QtMath>

namespace {

constexpr int TickLength = 7;
constexpr int MinorTickLength = 4;
constexpr int NeedleGap = 10;   // between the needle's tip and the scale arc
constexpr int HubRadius = 5;

QColor blend(const QColor &a, const QColor &b, qreal t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Red at the left end of the scale, yellow in the middle, green at the right.
QColor gradientAt(qreal t)
{
    const QColor red(220, 0, 0), yellow(255, 210, 0), green(0, 190, 0);
    return t < 0.5 ? blend(red, yellow, t * 2) : blend(yellow, green, (t - 0.5) * 2);
}

QPointF onCircle(QPointF centre, qreal radius, qreal degrees)
{
    const qreal a = qDegreesToRadians(degrees);
    return QPointF(centre.x() + radius * qCos(a), centre.y() - radius * qSin(a));
}

} // namespace

TDRMeter::TDRMeter(QWidget *parent)
    : QWidget(parent)
{
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    m_background = palette().color(QPalette::Window);
}

void TDRMeter::setMin(int value)
{
    m_min = value;
    update();
}

void TDRMeter::setMax(int value)
{
    m_max = value;
    update();
}

void TDRMeter::setPosition(int value)
{
    if (!m_painted || value < m_min || value > m_max || value == m_position)
        return;
    m_position = value;
    update();
}

void TDRMeter::setDisplayScale(Scale scale)
{
    m_scale = scale;
    update();
}

void TDRMeter::setScalePoints(int intervals)
{
    m_scalePoints = qMax(1, intervals);
    update();
}

void TDRMeter::setDisplayText(bool on)
{
    m_displayText = on;
    update();
}

void TDRMeter::setColorGradient(bool on)
{
    m_gradient = on;
    update();
}

void TDRMeter::setBorder(bool on)
{
    m_border = on;
    update();
}

void TDRMeter::setColor(const QColor &color)
{
    m_background = color;
    update();
}

void TDRMeter::setScaleColor(const QColor &color)
{
    m_scaleColor = color;
    update();
}

void TDRMeter::setNeedleColor(const QColor &color)
{
    m_needleColor = color;
    update();
}

void TDRMeter::setFontColor(const QColor &color)
{
    m_fontColor = color;
    update();
}

QString TDRMeter::ScaleLabel(int tick) const
{
    if (m_scale == Scale::Percent)
        return QString::number(qRound(tick * 100.0 / m_scalePoints));
    return QString::number(qRound(m_min + tick * double(m_max - m_min) / m_scalePoints));
}

int TDRMeter::labelSpace() const
{
    if (!m_displayText)
        return 0;
    const QFontMetrics fm(font());
    int widest = 0;
    for (int i = 0; i <= m_scalePoints; ++i)
        widest = qMax(widest, fm.horizontalAdvance(ScaleLabel(i)));
    return qMax(widest, fm.height()) + 4;
}

QPointF TDRMeter::DialCentre() const
{
    const int bottom = m_displayText ? qMax(HubRadius + 4, QFontMetrics(font()).height() / 2 + 3) : HubRadius + 4;
    return QPointF(width() / 2, height() - bottom);
}

qreal TDRMeter::DialRadius() const
{
    const QPointF c = DialCentre();
    const int margin = labelSpace() + 4;
    const qreal r = qMin(c.x() - margin, c.y() - margin);
    return qMax<qreal>(r, TickLength + NeedleGap + 2);
}

qreal TDRMeter::NeedleLength() const { return DialRadius() - NeedleGap; }

qreal TDRMeter::NeedleAngle(int position) const
{
    if (m_max <= m_min)
        return 180.0;
    return 180.0 - (position - m_min) * 180.0 / (m_max - m_min);
}

QSize TDRMeter::sizeHint() const { return QSize(240, 140); }

void TDRMeter::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_background.isValid() ? m_background : palette().color(QPalette::Window));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    if (m_border) {
        p.setPen(m_background.darker(150));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(m_background.lighter(130));
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }

    const QPointF c = DialCentre();
    const qreal r = DialRadius();
    const QRectF arcRect(c.x() - r, c.y() - r, 2 * r, 2 * r);
    // A light scale on a light face needs a shadow to stay readable.
    const QColor shadow = m_background.darker(170);

    for (int pass = 0; pass < 2; ++pass) {
        const bool shadowPass = pass == 0;
        p.save();
        if (shadowPass)
            p.translate(1, 1);

        // Arc, one piece per interval so the gradient can colour it.
        for (int i = 0; i < m_scalePoints; ++i) {
            const qreal t = (i + 0.5) / m_scalePoints;
            const QColor colour = shadowPass ? shadow : (m_gradient ? gradientAt(t) : m_scaleColor);
            p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap));
            const qreal from = 180.0 - i * 180.0 / m_scalePoints;
            const qreal span = -180.0 / m_scalePoints;
            p.drawArc(arcRect, qRound(from * 16), qRound(span * 16));
        }

        // Ticks: one per interval boundary, a short one halfway.
        for (int i = 0; i <= 2 * m_scalePoints; ++i) {
            const qreal t = qreal(i) / (2 * m_scalePoints);
            const bool major = i % 2 == 0;
            const QColor colour = shadowPass ? shadow : (m_gradient ? gradientAt(t) : m_scaleColor);
            p.setPen(QPen(colour, major ? 2 : 1, Qt::SolidLine, Qt::FlatCap));
            const qreal angle = 180.0 - t * 180.0;
            p.drawLine(onCircle(c, r, angle), onCircle(c, r - (major ? TickLength : MinorTickLength), angle));
        }

        if (m_displayText) {
            const QFontMetrics fm(font());
            p.setPen(shadowPass ? shadow : m_fontColor);
            for (int i = 0; i <= m_scalePoints; ++i) {
                const QString text = ScaleLabel(i);
                const qreal angle = 180.0 - i * 180.0 / m_scalePoints;
                const qreal a = qDegreesToRadians(angle);
                const qreal w = fm.horizontalAdvance(text);
                const qreal h = fm.height();
                const qreal reach = r + 4 + qAbs(qCos(a)) * w / 2 + qAbs(qSin(a)) * h / 2;
                const QPointF at = onCircle(c, reach, angle);
                p.drawText(QRectF(at.x() - w / 2, at.y() - h / 2, w, h), Qt::AlignCenter, text);
            }
        }
        p.restore();
    }

    // Needle and pivot.
    p.setPen(QPen(m_needleColor, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, onCircle(c, NeedleLength(), NeedleAngle(m_position)));
    p.setPen(Qt::NoPen);
    p.setBrush(m_needleColor);
    p.drawEllipse(c, HubRadius, HubRadius);

    m_painted = true;
}
