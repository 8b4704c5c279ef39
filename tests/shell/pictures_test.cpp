#include "shell/pictures.h"
#include "support/testmain.h"

#include <QTest>
#include <functional>

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
};

VR_TEST_CLASS(PicturesTest)
#include "pictures_test.moc"
