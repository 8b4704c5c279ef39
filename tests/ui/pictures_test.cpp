#include "ui/pictures.h"
#include "support/badbitmaps.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

int lightness(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); }

bool hasTransparentAndOpaque(const QImage &image)
{
    bool transparent = false, opaque = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(image.pixel(x, y));
            transparent |= a == 0;
            opaque |= a == 255;
        }
    return transparent && opaque;
}

QByteArray encoded(const QImage &image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return out;
}

// A 24-bit bitmap stored top down (negative height), top row red, the rest blue.
QByteArray topDownBitmap(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    for (int x = 0; x < w; ++x)
        image.setPixel(x, h - 1, qRgb(255, 0, 0));   // stored last: the top once flipped
    QByteArray data = WithU32(encoded(image), 22, quint32(-h));
    return data;
}

int countPixels(const QImage &image, const std::function<bool(QRgb)> &match)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += match(image.pixel(x, y)) ? 1 : 0;
    return n;
}

} // namespace

class PicturesTest : public QObject
{
    Q_OBJECT
private slots:
    void trafficLightsAreSixImagesOf28Pixels()
    {
        for (int i = 0; i < Pictures::TrafficLightCount; ++i) {
            const QImage image = Pictures::trafficLight(i);
            QVERIFY2(!image.isNull(), qPrintable(QString::number(i)));
            QCOMPARE(image.size(), QSize(28, 28));
        }
        QVERIFY(Pictures::trafficLight(-1).isNull());
        QVERIFY(Pictures::trafficLight(6).isNull());
    }

    void litLampsGlowInTheirColour()
    {
        const QPoint centre(14, 14);
        for (int lamp = 0; lamp < 3; ++lamp) {
            const QRgb dark = Pictures::trafficLight(lamp).pixel(centre);
            const QRgb lit = Pictures::trafficLight(lamp + 3).pixel(centre);
            QVERIFY2(lightness(lit) > lightness(dark) + 150, qPrintable(QString::number(lamp)));
            QVERIFY(Pictures::trafficLight(lamp) != Pictures::trafficLight(lamp + 3));
        }
        const QRgb red = Pictures::trafficLight(3).pixel(centre);
        const QRgb yellow = Pictures::trafficLight(4).pixel(centre);
        const QRgb green = Pictures::trafficLight(5).pixel(centre);
        QVERIFY(qRed(red) > 200 && qGreen(red) < 120 && qBlue(red) < 120);
        QVERIFY(qRed(yellow) > 200 && qGreen(yellow) > 170 && qBlue(yellow) < 120);
        QVERIFY(qGreen(green) > 200 && qRed(green) < 150 && qBlue(green) < 150);
        // The dark lamps keep their colour, only dimmed.
        const QRgb darkRed = Pictures::trafficLight(0).pixel(centre);
        const QRgb darkGreen = Pictures::trafficLight(2).pixel(centre);
        QVERIFY(qRed(darkRed) > qGreen(darkRed));
        QVERIFY(qGreen(darkGreen) > qRed(darkGreen));
    }

    void samePixelsOnEveryCall()
    {
        for (int i = 0; i < Pictures::TrafficLightCount; ++i)
            QCOMPARE(Pictures::trafficLight(i), Pictures::trafficLight(i));
        QCOMPARE(Pictures::logo(), Pictures::logo());
        QCOMPARE(Pictures::splash(), Pictures::splash());
        QCOMPARE(Pictures::userPicture(), Pictures::userPicture());
        QCOMPARE(Pictures::battery(), Pictures::battery());
        QCOMPARE(Pictures::infoPicture(), Pictures::infoPicture());
    }

    void logoFitsTheTitleStrip()
    {
        const QImage logo = Pictures::logo();
        QVERIFY(logo.height() <= 41);
        QVERIFY(logo.width() >= 2 * logo.height());
        // Rounded badge: transparent corner, opaque inside, white letters and a red ring.
        QCOMPARE(qAlpha(logo.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(logo.pixel(logo.width() / 2, logo.height() / 2)), 255);
        QVERIFY(countPixels(logo, [](QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }) > 100);
        QVERIFY(countPixels(logo, [](QRgb c) { return qRed(c) > 180 && qGreen(c) < 60 && qAlpha(c) == 255; }) > 50);
    }

    void splashIsOpaqueWithAPlainStatusBand()
    {
        const QImage splash = Pictures::splash();
        QCOMPARE(splash.size(), QSize(358, 263));
        QCOMPARE(countPixels(splash, [](QRgb c) { return qAlpha(c) != 255; }), 0);
        // The status line and the version are written over the bottom band.
        const QRgb band = splash.pixel(0, Pictures::SplashStatusTop + 1);
        for (int y = Pictures::SplashStatusTop + 1; y < splash.height(); ++y)
            for (int x = 0; x < splash.width(); ++x)
                QCOMPARE(splash.pixel(x, y), band);
        // The program name is there: plenty of white and of gold text pixels above the band.
        const QImage upper = splash.copy(0, 60, 250, 120);
        QVERIFY(countPixels(upper, [](QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }) > 300);
        QVERIFY(countPixels(upper, [](QRgb c) { return qRed(c) > 240 && qGreen(c) > 180 && qBlue(c) < 90; }) > 300);
    }

    void smallPicturesHaveTheirSizes()
    {
        QCOMPARE(Pictures::userPicture().size(), QSize(32, 32));
        QCOMPARE(Pictures::infoPicture().size(), QSize(32, 32));
        QCOMPARE(Pictures::battery().size(), QSize(72, 36));
        QVERIFY(hasTransparentAndOpaque(Pictures::userPicture()));
        QVERIFY(hasTransparentAndOpaque(Pictures::infoPicture()));
        QVERIFY(hasTransparentAndOpaque(Pictures::battery()));
        // The battery shows a green charge.
        const QRgb charge = Pictures::battery().pixel(12, 18);
        QVERIFY(qGreen(charge) > qRed(charge) + 60);
        QVERIFY(!Pictures::pixmap(Pictures::logo()).isNull());
    }

    void bitmapFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");   // empty: the picture loads
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("topLeft");

        const QRgb green = qRgb(0x30, 0xF0, 0x60);
        QTest::newRow("24 bit") << SoundBitmap(12, 5, green) << QString() << QSize(12, 5) << green;
        QTest::newRow("24 bit, odd width") << SoundBitmap(7, 3, green) << QString() << QSize(7, 3) << green;
        QTest::newRow("bytes after the pixel data") << SoundBitmap(8, 4, green) + QByteArray(100, 'x') << QString()
                                                    << QSize(8, 4) << green;
        QImage indexed(9, 4, QImage::Format_Indexed8);
        indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
        indexed.fill(1);
        QTest::newRow("8 bit with palette") << encoded(indexed) << QString() << QSize(9, 4) << qRgb(200, 100, 50);
        QImage mono(33, 2, QImage::Format_Mono);
        mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        mono.fill(1);
        QTest::newRow("1 bit") << encoded(mono) << QString() << QSize(33, 2) << qRgb(255, 255, 255);
        QTest::newRow("stored top down") << topDownBitmap(8, 6) << QString() << QSize(8, 6) << qRgb(255, 0, 0);
        for (const BadBitmap &bad : BadBitmaps(12, 10))
            QTest::newRow(bad.name.constData()) << bad.bytes << bad.reason << QSize() << QRgb(0);
    }

    // Every damaged bitmap is refused with its reason; the file stays as it was.
    void bitmapFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QFETCH(QSize, size);
        QFETCH(QRgb, topLeft);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bild.bmp"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QString why = QStringLiteral("unchanged");
        const QImage image = Pictures::loadBitmap(path, &why);
        if (reason.isEmpty()) {
            QCOMPARE(image.size(), size);
            QCOMPARE(image.pixel(0, 0) | 0xFF000000u, topLeft | 0xFF000000u);
            QCOMPARE(image.pixel(size.width() - 1, size.height() - 1) | 0xFF000000u,
                     QTest::currentDataTag() == QByteArray("stored top down") ? qRgb(0, 0, 255) : topLeft | 0xFF000000u);
            QCOMPARE(why, QStringLiteral("unchanged"));
        } else {
            QVERIFY(image.isNull());
            QVERIFY2(why.startsWith(reason), qPrintable(why));
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), bytes);
    }

    void onlyRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing" << "Die Datei ist nicht vorhanden.";
        QTest::newRow("folder") << "folder" << "Der Name bezeichnet keine Datei.";
#ifdef Q_OS_UNIX
        QTest::newRow("named pipe") << "fifo" << "Der Name bezeichnet keine Datei.";   // would block when read
#endif
    }

    void onlyRegularFilesAreRead()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bild.bmp"));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
#ifdef Q_OS_UNIX
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        QString why;
        QVERIFY(Pictures::loadBitmap(path, &why).isNull());
        QCOMPARE(why, reason);
        const QString message = Pictures::pictureFileMessage(QStringLiteral("Fehler beim Laden des Visiers !"), path, why);
        QVERIFY(message.startsWith(QStringLiteral("Fehler beim Laden des Visiers !\r\n")));
        QVERIFY(message.contains(QStringLiteral("„") + QDir::toNativeSeparators(path) + QStringLiteral("“")));
        QVERIFY(message.endsWith(reason));
    }

    void shippedBitmapsLoad()
    {
        int n = 0;
        for (const QString &folder : {QStringLiteral("vdata"), QStringLiteral("sdata")}) {
            const QDir dir(QStringLiteral(VR_SOURCE_DIR "/data/") + folder);
            for (const QString &name : dir.entryList({QStringLiteral("*.bmp")}, QDir::Files)) {
                QString why;
                QVERIFY2(!Pictures::loadBitmap(dir.filePath(name), &why).isNull(), qPrintable(name + ": " + why));
                ++n;
            }
        }
        QVERIFY(n >= 4);
    }
};

VR_TEST_CLASS(PicturesTest)
#include "pictures_test.moc"
