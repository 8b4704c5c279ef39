#include "ui/pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImageReader>
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

namespace {

constexpr qint64 FileHeaderSize = 14;
constexpr qint64 MaxBitmapFileSize = qint64(128) * 1024 * 1024;

quint32 u16At(const QByteArray &d, qint64 at)
{
    return quint32(quint8(d[at])) | quint32(quint8(d[at + 1])) << 8;
}

quint32 u32At(const QByteArray &d, qint64 at)
{
    return u16At(d, at) | u16At(d, at + 2) << 16;
}

QString bytes(qint64 n) { return QString::number(n); }

bool refuse(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

// Checks the two headers of a bitmap against the file's length.
bool checkBitmapHeaders(const QByteArray &d, QString *why)
{
    const qint64 length = d.size();
    if (length == 0)
        return refuse(why, QStringLiteral("Die Datei ist leer."));
    if (length < 2 || d[0] != 'B' || d[1] != 'M')
        return refuse(why, QStringLiteral("Die Datei ist keine Windows-Bitmap."));
    if (length < FileHeaderSize + 4)
        return refuse(why, QStringLiteral("Die Datei endet im Dateikopf (%1 Bytes).").arg(bytes(length)));
    const qint64 declared = u32At(d, 2);
    const qint64 offset = u32At(d, 10);
    const qint64 infoSize = u32At(d, 14);
    if (infoSize < 12 || infoSize > 1024)
        return refuse(why, QStringLiteral("Der Bildkopf ist fehlerhaft (Länge %1).").arg(infoSize));
    if (length < FileHeaderSize + infoSize)
        return refuse(why, QStringLiteral("Die Datei endet im Bildkopf (%1 von %2 Bytes).")
                               .arg(bytes(length), bytes(FileHeaderSize + infoSize)));
    if (declared > length)
        return refuse(why, QStringLiteral("Die Datei ist kürzer, als ihr Kopf angibt (%1 statt %2 Bytes).")
                               .arg(bytes(length), bytes(declared)));

    qint64 width, height;
    quint32 bitCount, compression = 0, imageSize = 0;
    if (infoSize == 12) {
        width = u16At(d, 18);
        height = u16At(d, 20);
        bitCount = u16At(d, 24);
    } else {
        width = qint32(u32At(d, 18));
        height = qint32(u32At(d, 22));
        bitCount = u16At(d, 28);
        compression = u32At(d, 30);
        imageSize = u32At(d, 34);
    }
    height = qAbs(height);   // negative: stored top down
    if (width <= 0 || height == 0)
        return refuse(why, QStringLiteral("Das Bild hat keine Pixel (%1 × %2).").arg(width).arg(height));
    if (width > MaxBitmapSide || height > MaxBitmapSide || width * height > MaxBitmapPixels)
        return refuse(why, QStringLiteral("Das Bild ist mit %1 × %2 Pixeln zu groß (höchstens %3 × %3 und %4 Pixel).")
                               .arg(bytes(width), bytes(height), bytes(MaxBitmapSide), bytes(MaxBitmapPixels)));
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return refuse(why, QStringLiteral("Eine Farbtiefe von %1 Bit gibt es in Windows-Bitmaps nicht.").arg(bitCount));
    if (offset < FileHeaderSize + infoSize)
        return refuse(why, QStringLiteral("Laut Kopf beginnen die Bilddaten bei Byte %1, noch im Kopf.").arg(bytes(offset)));

    // Uncompressed rows are padded to 4 bytes; compressed data has its size in the header.
    qint64 needed = offset;
    if (compression == 1 || compression == 2)
        needed += imageSize;
    else
        needed += (width * bitCount + 31) / 32 * 4 * height;
    if (needed > length)
        return refuse(why, QStringLiteral("Die Datei ist kürzer, als ihr Kopf angibt (%1 statt %2 Bytes).")
                               .arg(bytes(length), bytes(needed)));
    return true;
}

} // namespace

QImage loadBitmap(const QString &path, QString *why)
{
    const auto fail = [why](const QString &text) {
        refuse(why, text);
        return QImage();
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("Die Datei ist nicht vorhanden."));
    // Only a regular file: a pipe or device would block or never end.
    if (!info.isFile())
        return fail(QStringLiteral("Der Name bezeichnet keine Datei."));
    if (info.size() > MaxBitmapFileSize)
        return fail(QStringLiteral("Die Datei ist mit %1 Bytes zu groß für ein Bild.").arg(bytes(info.size())));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.error() == QFileDevice::PermissionsError ? QStringLiteral("Es fehlt das Recht, die Datei zu lesen.")
                                                                  : QStringLiteral("Die Datei kann nicht geöffnet werden."));
    const QByteArray data = file.read(MaxBitmapFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("Die Datei kann nicht gelesen werden."));
    if (!checkBitmapHeaders(data, why))
        return QImage();

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAllocationLimit(int(MaxBitmapPixels * 4 / (1024 * 1024)) + 1);
    const QImage image = reader.read();
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return fail(QStringLiteral("Die Bilddaten können nicht gelesen werden."));
    return image;
}

QString pictureFileMessage(const QString &headline, const QString &path, const QString &why)
{
    return headline + QStringLiteral("\r\n\r\nDatei „%1“:\r\n").arg(QDir::toNativeSeparators(path)) + why;
}

} // namespace Pictures
