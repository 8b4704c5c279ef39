#include "platform/gdicanvas.h"
#include "support/testmain.h"

#include <QTest>

namespace {
QImage white(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
} // namespace

class GdiCanvasTest : public QObject
{
    Q_OBJECT
private slots:
    void wideLinesAreExactBands()
    {
        QImage img = white(300, 300);
        GdiCanvas c(img);
        c.setPen(Qt::black, 7);
        c.line(82, 150, 120, 150);    // left arm: start kept, end left out
        c.line(218, 150, 180, 150);   // right arm drawn leftwards
        c.setPenWidth(15);
        c.line(150, 225, 150, 300);   // post
        for (int y = 140; y < 160; ++y) {
            const bool inBand = y >= 147 && y <= 153;
            QCOMPARE(img.pixel(82, y) == kBlack, inBand);
            QCOMPARE(img.pixel(119, y) == kBlack, inBand);
            QCOMPARE(img.pixel(181, y) == kBlack, inBand);
            QCOMPARE(img.pixel(218, y) == kBlack, inBand);
        }
        QCOMPARE(img.pixel(81, 150), kWhite);
        QCOMPARE(img.pixel(120, 150), kWhite);
        QCOMPARE(img.pixel(180, 150), kWhite);
        QCOMPARE(img.pixel(219, 150), kWhite);
        for (int x = 140; x < 160; ++x) {
            QCOMPARE(img.pixel(x, 225) == kBlack, x >= 143 && x <= 157);
            QCOMPARE(img.pixel(x, 299) == kBlack, x >= 143 && x <= 157);
        }
        QCOMPARE(img.pixel(150, 224), kWhite);
    }

    void ellipseStaysInsideItsBox()
    {
        QImage img = white(40, 40);
        GdiCanvas c(img);
        c.setPen(Qt::black, 2);
        c.setBrush(Qt::white);
        c.ellipse(10, 10, 30, 30);
        int minX = 99, maxX = -1, minY = 99, maxY = -1;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                if (img.pixel(x, y) == kBlack) {
                    minX = qMin(minX, x); maxX = qMax(maxX, x);
                    minY = qMin(minY, y); maxY = qMax(maxY, y);
                }
        QCOMPARE(minX, 10);
        QCOMPARE(minY, 10);
        QCOMPARE(maxX, 29);
        QCOMPARE(maxY, 29);
        QCOMPARE(img.pixel(20, 20), kWhite);  // filled with the brush
    }

    void floodFillStopsAtTheBorder()
    {
        QImage img = white(300, 300);
        GdiCanvas c(img);
        c.setPen(Qt::black, 2);
        c.setBrush(Qt::white);
        c.ellipse(1, 1, 300, 300);
        c.ellipse(30, 30, 270, 270);
        c.setBrush(Qt::black);
        c.floodFill(28, 150, Qt::black);  // the ring between rim and opening
        QCOMPARE(img.pixel(15, 150), kBlack);
        QCOMPARE(img.pixel(150, 10), kBlack);
        QCOMPARE(img.pixel(150, 150), kWhite);   // opening untouched
        QCOMPARE(img.pixel(0, 0), kWhite);       // outside the rim untouched
        QCOMPARE(img.pixel(299, 299), kWhite);

        QImage again = img;
        GdiCanvas c2(again);
        c2.setBrush(Qt::black);
        c2.floodFill(15, 150, Qt::black);        // start on the border colour: nothing
        c2.floodFill(-2, 150, Qt::black);        // start outside: nothing
        QCOMPARE(again, img);
    }
};

VR_TEST_CLASS(GdiCanvasTest)
#include "gdicanvas_test.moc"
