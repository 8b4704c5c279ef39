#pragma once
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

// Sound and damaged Windows bitmaps for the picture-loading tests.

// A 24-bit bitmap of w x h in one colour, as the image library writes it
// (54 bytes of headers, rows bottom up, padded to 4 bytes).
inline QByteArray SoundBitmap(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return out;
}

inline QByteArray WithU32(QByteArray data, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        data[at + i] = char((value >> (8 * i)) & 0xFF);
    return data;
}

inline QByteArray WithU16(QByteArray data, int at, quint16 value)
{
    data[at] = char(value & 0xFF);
    data[at + 1] = char(value >> 8);
    return data;
}

struct BadBitmap
{
    QByteArray name;
    QByteArray bytes;
    QString reason;   // start of the German reason the loader gives
};

// Damaged variants of a sound w x h bitmap (w, h at least 4).
inline QList<BadBitmap> BadBitmaps(int w, int h)
{
    const QByteArray sound = SoundBitmap(w, h, qRgb(0x30, 0xF0, 0x60));
    const int n = int(sound.size());
    const QString shorter = QStringLiteral("Die Datei ist kürzer, als ihr Kopf angibt");
    const QString noPixels = QStringLiteral("Das Bild hat keine Pixel");
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage(w, h, QImage::Format_RGB32).save(&buffer, "PNG");
    }
    return {
        {"truncated by one byte", sound.chopped(1), shorter},
        {"truncated to half", sound.left(n / 2), shorter},
        {"truncated after the headers", sound.left(54), shorter},
        {"truncated in the info header", sound.left(30), QStringLiteral("Die Datei endet im Bildkopf")},
        {"only the file header", sound.left(14), QStringLiteral("Die Datei endet im Dateikopf")},
        {"header gives a larger file", WithU32(sound, 2, quint32(n + 4096)), shorter},
        {"header fits the cut file, rows missing", WithU32(sound.left(n - 2 * w * 3), 2, quint32(n - 2 * w * 3)), shorter},
        {"header gives more rows", WithU32(sound, 22, quint32(2 * h)), shorter},
        {"pixel data after the end", WithU32(sound, 10, quint32(n)), shorter},
        {"pixel data inside the header", WithU32(sound, 10, 20), QStringLiteral("Laut Kopf beginnen die Bilddaten")},
        {"zero width", WithU32(sound, 18, 0), noPixels},
        {"zero height", WithU32(sound, 22, 0), noPixels},
        {"negative width", WithU32(sound, 18, quint32(-w)), noPixels},
        {"absurd width", WithU32(sound, 18, 1000000), QStringLiteral("Das Bild ist mit")},
        {"bit depth 7", WithU16(sound, 28, 7), QStringLiteral("Eine Farbtiefe von 7 Bit")},
        {"JPEG data", WithU32(sound, 30, 4), QStringLiteral("Die Bilddaten können nicht gelesen werden.")},
        {"empty file", QByteArray(""), QStringLiteral("Die Datei ist leer.")},
        {"text", QByteArray("Das ist kein Bild.\r\n"), QStringLiteral("Die Datei ist keine Windows-Bitmap.")},
        {"PNG named .bmp", png, QStringLiteral("Die Datei ist keine Windows-Bitmap.")},
    };
}
