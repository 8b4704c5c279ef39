#include "device/drmeter.h"
#include "support/testmain.h"

#include <QImage>
#include <QTest>
#include <QtMath>

namespace {

const QColor Face(192, 192, 192);

// A meter set up like the battery window's, 240 x 140.
void setUp(TDRMeter &meter)
{
    meter.resize(240, 140);
    meter.setMin(0);
    meter.setMax(100);
    meter.setScalePoints(10);
    meter.setColor(Face);
    meter.setScaleColor(Qt::white);
    meter.setNeedleColor(Qt::red);
    meter.setFontColor(Qt::white);
}

QImage paint(TDRMeter &meter)
{
    QImage image(meter.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    meter.render(&image);
    return image;
}

QPoint along(const TDRMeter &meter, qreal radius, qreal degrees)
{
    const QPointF c = meter.DialCentre();
    const qreal a = qDegreesToRadians(degrees);
    return QPoint(int(c.x() + radius * qCos(a)), int(c.y() - radius * qSin(a)));
}

bool isRed(QRgb c) { return qRed(c) > 220 && qGreen(c) < 40 && qBlue(c) < 40; }

} // namespace

class DRMeterTest : public QObject
{
    Q_OBJECT
private slots:
    void positionTakesOnlyNewValuesInRangeAfterTheFirstPaint()
    {
        TDRMeter meter;
        setUp(meter);
        QCOMPARE(meter.Position(), 0);
        meter.setPosition(40);
        QCOMPARE(meter.Position(), 0);  // not painted yet
        QVERIFY(!meter.Painted());

        paint(meter);
        QVERIFY(meter.Painted());
        meter.setPosition(40);
        QCOMPARE(meter.Position(), 40);
        meter.setPosition(101);
        QCOMPARE(meter.Position(), 40);
        meter.setPosition(-1);
        QCOMPARE(meter.Position(), 40);
        meter.setPosition(100);
        QCOMPARE(meter.Position(), 100);
        meter.setPosition(0);
        QCOMPARE(meter.Position(), 0);

        meter.setMin(20);
        meter.setPosition(10);
        QCOMPARE(meter.Position(), 0);
    }

    void needlePointsLeftAtMinUpAtHalfAndRightAtMax()
    {
        TDRMeter meter;
        setUp(meter);
        paint(meter);
        const QPointF c = meter.DialCentre();
        const qreal half = meter.NeedleLength() / 2;
        const QPoint left(int(c.x() - half), int(c.y()));
        const QPoint up(int(c.x()), int(c.y() - half));
        const QPoint right(int(c.x() + half), int(c.y()));

        QImage image = paint(meter);
        QCOMPARE(image.pixel(left), QColor(Qt::red).rgb());
        QCOMPARE(image.pixel(up), Face.rgb());
        QCOMPARE(image.pixel(right), Face.rgb());

        meter.setPosition(50);
        image = paint(meter);
        QCOMPARE(image.pixel(left), Face.rgb());  // the old needle is gone
        QCOMPARE(image.pixel(up), QColor(Qt::red).rgb());

        meter.setPosition(100);
        image = paint(meter);
        QCOMPARE(image.pixel(up), Face.rgb());
        QCOMPARE(image.pixel(right), QColor(Qt::red).rgb());

        // In between the needle follows the range: 25 % stands at 135 degrees.
        meter.setPosition(25);
        image = paint(meter);
        QVERIFY(isRed(image.pixel(along(meter, half, 135))));
        QVERIFY(!isRed(image.pixel(along(meter, half, 45))));
        // The needle stays inside the scale.
        QVERIFY(meter.NeedleLength() < meter.DialRadius());
    }

    void scaleIsWhiteWithTenIntervalsOnTheDialColour()
    {
        TDRMeter meter;
        setUp(meter);
        const QImage image = paint(meter);
        QCOMPARE(image.pixel(1, 1), Face.rgb());
        QCOMPARE(image.pixel(meter.width() - 2, 1), Face.rgb());
        const qreal r = meter.DialRadius();
        // Major ticks at every 18 degrees, a short one halfway between them.
        for (int i = 0; i <= 10; ++i) {
            const QRgb tick = image.pixel(along(meter, r - 4, 180 - i * 18));
            QVERIFY2(qRed(tick) > 230 && qGreen(tick) > 230 && qBlue(tick) > 230, qPrintable(QString::number(i)));
        }
        const QRgb between = image.pixel(along(meter, r - 5.5, 180 - 9 - 3));
        QCOMPARE(between, Face.rgb());
        // Arc at the top.
        const QRgb arc = image.pixel(along(meter, r, 99));
        QVERIFY(qRed(arc) > 200 && qBlue(arc) > 200);
        // Nothing of the dial lies below the pivot's line but the labels and the hub.
        QCOMPARE(image.pixel(int(meter.DialCentre().x() - r / 2), meter.height() - 1), Face.rgb());
    }

    void labelsInPercentOrValues()
    {
        TDRMeter meter;
        setUp(meter);
        QCOMPARE(meter.ScaleLabel(0), QStringLiteral("0"));
        QCOMPARE(meter.ScaleLabel(5), QStringLiteral("50"));
        QCOMPARE(meter.ScaleLabel(10), QStringLiteral("100"));
        meter.setMax(200);
        QCOMPARE(meter.ScaleLabel(5), QStringLiteral("50"));
        meter.setDisplayScale(TDRMeter::Scale::Value);
        QCOMPARE(meter.ScaleLabel(5), QStringLiteral("100"));
        meter.setScalePoints(4);
        QCOMPARE(meter.ScaleLabel(1), QStringLiteral("50"));
        meter.setScalePoints(0);
        QCOMPARE(meter.ScalePoints(), 1);

        // Labels are drawn in the font colour outside the arc, and only when asked for.
        meter.setMax(100);
        meter.setDisplayScale(TDRMeter::Scale::Percent);
        meter.setScalePoints(10);
        meter.setFontColor(Qt::blue);
        auto bluePixels = [](const QImage &image) {
            int n = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    n += (qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 60) ? 1 : 0;
            return n;
        };
        QVERIFY(bluePixels(paint(meter)) > 40);
        meter.setDisplayText(false);
        QCOMPARE(bluePixels(paint(meter)), 0);
    }

    void gradientRunsFromRedToGreen()
    {
        TDRMeter meter;
        setUp(meter);
        meter.setColorGradient(true);
        const QImage image = paint(meter);
        const qreal r = meter.DialRadius();
        const QRgb first = image.pixel(along(meter, r - 4, 180));
        const QRgb last = image.pixel(along(meter, r - 4, 0));
        QVERIFY(qRed(first) > 180 && qGreen(first) < 60);
        QVERIFY(qGreen(last) > 150 && qRed(last) < 60);
    }

    void emptyRangeKeepsTheNeedleLeft()
    {
        TDRMeter meter;
        setUp(meter);
        meter.setMax(0);
        QCOMPARE(meter.NeedleAngle(0), 180.0);
        paint(meter);  // no division by zero
        QCOMPARE(meter.Position(), 0);
    }
};

VR_TEST_CLASS(DRMeterTest)
#include "drmeter_test.moc"
