#include "shell/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace Pictures {

namespace {

const QColor Navy(28, 42, 82);
const QColor TargetRed(200, 16, 46);

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void beginSmooth(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
}

// Concentric target rings, alternating the two colours from the outside in.
void drawTarget(QPainter &p, QPointF centre, const QList<qreal> &radii, const QColor &outer,
                const QColor &inner)
{
    p.setPen(Qt::NoPen);
    for (int i = 0; i < radii.size(); ++i) {
        p.setBrush(i % 2 == 0 ? outer : inner);
        p.drawEllipse(centre, radii[i], radii[i]);
    }
}

// The letters N, R and V as strokes, each `height` high, starting at `left`.
QPainterPath nrvLetters(qreal left, qreal top, qreal height)
{
    const qreal h = height;
    const qreal w = h * 0.7;
    const qreal gap = h * 0.4;
    QPainterPath path;
    qreal x = left;
    // N
    path.moveTo(x, top + h);
    path.lineTo(x, top);
    path.lineTo(x + w, top + h);
    path.lineTo(x + w, top);
    // R
    x += w + gap;
    const qreal mid = top + h * 0.5;
    path.moveTo(x, top + h);
    path.lineTo(x, top);
    path.lineTo(x + w * 0.5, top);
    path.cubicTo(x + w * 1.1, top, x + w * 1.1, mid, x + w * 0.5, mid);
    path.lineTo(x, mid);
    path.moveTo(x + w * 0.4, mid);
    path.lineTo(x + w, top + h);
    // V
    x += w + gap;
    path.moveTo(x, top);
    path.lineTo(x + w * 0.55, top + h);
    path.lineTo(x + w * 1.1, top);
    return path;
}

struct LampColours
{
    QColor lit;
    QColor dark;
};

const LampColours Lamps[3] = {
    {QColor(255, 40, 30), QColor(92, 22, 20)},    // red
    {QColor(255, 210, 0), QColor(92, 80, 16)},    // yellow
    {QColor(40, 225, 60), QColor(18, 76, 28)},    // green
};

} // namespace

QImage trafficLight(int index)
{
    if (index < 0 || index >= TrafficLightCount)
        return QImage();
    const bool lit = index >= 3;
    const LampColours &colours = Lamps[index % 3];
    const QColor base = lit ? colours.lit : colours.dark;

    QImage image = transparentImage(TrafficLightSize, TrafficLightSize);
    QPainter p(&image);
    beginSmooth(p);

    // Housing.
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.setBrush(QColor(36, 36, 36));
    p.drawRoundedRect(QRectF(0.5, 0.5, 27, 27), 5, 5);

    // Lamp: a lit lamp glows from a bright spot, a dark one only shows a dull sheen.
    QRadialGradient glow(QPointF(14, 14), 11, QPointF(11, 10));
    glow.setColorAt(0.0, lit ? base.lighter(160) : base.lighter(130));
    glow.setColorAt(0.55, base);
    glow.setColorAt(1.0, base.darker(lit ? 130 : 150));
    p.setPen(QPen(QColor(10, 10, 10), 1));
    p.setBrush(glow);
    p.drawEllipse(QPointF(14, 14), 10.5, 10.5);

    // Small reflection at the top left.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, lit ? 170 : 60));
    p.drawEllipse(QPointF(10.5, 9.5), 2.5, 1.8);
    return image;
}

QImage logo()
{
    QImage image = transparentImage(112, 36);
    QPainter p(&image);
    beginSmooth(p);

    p.setPen(Qt::NoPen);
    p.setBrush(Navy);
    p.drawRoundedRect(QRectF(0, 0, 112, 36), 6, 6);

    drawTarget(p, QPointF(18, 18), {13, 10.5, 7.5, 4.5}, QColor(255, 255, 255), TargetRed);

    QPen letterPen(QColor(255, 255, 255), 3.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(letterPen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(nrvLetters(38, 7, 20));

    p.setPen(Qt::NoPen);
    p.setBrush(TargetRed);
    p.drawRect(QRectF(38, 30, 62, 2));
    return image;
}

QImage splash()
{
    QImage image(SplashWidth, SplashHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(14, 26, 54));
    QPainter p(&image);
    beginSmooth(p);

    QLinearGradient sky(0, 0, 0, SplashStatusTop);
    sky.setColorAt(0.0, QColor(14, 26, 54));
    sky.setColorAt(1.0, QColor(42, 70, 119));
    p.fillRect(QRect(0, 0, SplashWidth, SplashStatusTop), sky);

    // Faint target rings and cross hair on the right.
    const QPointF centre(282, 112);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 46), 2));
    for (qreal r = 20; r <= 100; r += 20)
        p.drawEllipse(centre, r, r);
    p.setPen(QPen(QColor(255, 255, 255, 56), 1));
    p.drawLine(QPointF(centre.x() - 110, centre.y()), QPointF(centre.x() + 110, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - 110), QPointF(centre.x(), centre.y() + 110));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 16, 46, 220));
    p.drawEllipse(centre, 9, 9);

    p.drawImage(QPoint(16, 16), logo());

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setStyleHint(QFont::SansSerif);
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QPointF(20, 118), QStringLiteral("Vantrel"));
    p.setPen(QColor(255, 204, 51));
    p.drawText(QPointF(20, 162), QStringLiteral("Reaktion"));

    QFont subtitle(QStringLiteral("DejaVu Sans"));
    subtitle.setStyleHint(QFont::SansSerif);
    subtitle.setPixelSize(13);
    p.setFont(subtitle);
    p.setPen(QColor(200, 210, 230));
    p.drawText(QPointF(22, 194), QStringLiteral("Reaktionstraining für Sportschützen"));

    // Plain band for the status line and the version.
    p.fillRect(QRect(0, SplashStatusTop, SplashWidth, SplashHeight - SplashStatusTop), QColor(10, 20, 41));
    p.fillRect(QRect(0, SplashStatusTop, SplashWidth, 1), TargetRed);
    return image;
}

QImage userPicture()
{
    QImage image = transparentImage(32, 32);
    QPainter p(&image);
    beginSmooth(p);

    // Rifle held at the shoulder, pointing right.
    p.setPen(QPen(QColor(70, 70, 70), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 14), QPointF(31, 11.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 70, 70));
    p.drawRoundedRect(QRectF(4, 12.5, 6, 4), 1.5, 1.5);

    // Head and body.
    p.setBrush(Navy);
    p.drawEllipse(QPointF(11, 6.5), 4, 4);
    QPainterPath body;
    body.moveTo(6.5, 12);
    body.lineTo(15.5, 12);
    body.lineTo(17, 15.5);
    body.lineTo(21, 14);
    body.lineTo(21.5, 16);
    body.lineTo(16, 19);
    body.lineTo(16.5, 31);
    body.lineTo(13, 31);
    body.lineTo(11.5, 23);
    body.lineTo(10, 31);
    body.lineTo(6.5, 31);
    body.lineTo(7.5, 21);
    body.closeSubpath();
    p.drawPath(body);
    return image;
}

QImage battery()
{
    QImage image = transparentImage(72, 36);
    QPainter p(&image);
    beginSmooth(p);

    QLinearGradient shell(0, 5, 0, 31);
    shell.setColorAt(0.0, QColor(244, 244, 244));
    shell.setColorAt(1.0, QColor(208, 208, 208));
    p.setPen(QPen(QColor(64, 64, 64), 2));
    p.setBrush(shell);
    p.drawRoundedRect(QRectF(2, 5, 60, 26), 4, 4);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 64, 64));
    p.drawRoundedRect(QRectF(62, 13, 6, 10), 1.5, 1.5);

    QLinearGradient charge(0, 9, 0, 27);
    charge.setColorAt(0.0, QColor(96, 214, 112));
    charge.setColorAt(1.0, QColor(30, 150, 56));
    p.setBrush(charge);
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(7 + i * 13.5, 9, 11, 18));
    return image;
}

QImage infoPicture()
{
    QImage image = transparentImage(32, 32);
    QPainter p(&image);
    beginSmooth(p);

    QRadialGradient disc(QPointF(16, 16), 15, QPointF(12, 10));
    disc.setColorAt(0.0, QColor(92, 148, 232));
    disc.setColorAt(1.0, QColor(28, 79, 168));
    p.setPen(QPen(QColor(20, 60, 128), 1));
    p.setBrush(disc);
    p.drawEllipse(QPointF(16, 16), 14.5, 14.5);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(16, 9), 2.6, 2.6);
    p.drawRoundedRect(QRectF(13.5, 13, 5, 13), 1.5, 1.5);
    return image;
}

} // namespace Pictures
