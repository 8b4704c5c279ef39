#include "platform/gdicanvas.h"
#include "platform/programpaths.h"
#include "runkit/runsettings.h"
#include "runkit/sightrender.h"
#include "store/storefixture.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>

namespace {
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QString kLoadError = QStringLiteral("Fehler beim Laden des Visiers !");

SightProfile workedExample()
{
    SightProfile p;
    p.Diopter_Size = 33;
    p.DiopVis_Size = 80;
    p.A_Korntunnel = 50;
    p.I_Korntunnel = 40;
    p.A_Ringkorn = 20;
    p.I_Ringkorn = 12;
    p.Spiegel_Size = 10;
    return p;
}

// The worked example drawn by hand with its published numbers.
QImage workedExampleByHand(bool withDiopter)
{
    QImage img(300, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    GdiCanvas c(img);
    c.setBrush(Qt::white);
    c.setPen(Qt::black, 2);
    c.ellipse(1, 1, 300, 300);
    if (withDiopter) {
        c.ellipse(30, 30, 270, 270);
        c.setBrush(Qt::black);
        c.floodFill(28, 150, Qt::black);
        c.setBrush(Qt::white);
    }
    c.ellipse(75, 75, 225, 225);
    c.ellipse(90, 90, 210, 210);
    c.setBrush(Qt::black);
    c.floodFill(153, 78, Qt::black);
    c.setBrush(Qt::white);
    c.ellipse(120, 120, 180, 180);
    c.ellipse(132, 132, 168, 168);
    c.setBrush(Qt::black);
    c.floodFill(153, 123, Qt::black);
    c.setPenWidth(7);
    c.line(82, 150, 120, 150);
    c.line(218, 150, 180, 150);
    c.setPenWidth(15);
    c.line(150, 225, 150, 300);
    return img;
}

int differingPixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) | 0xFF000000u) != (b.pixel(x, y) | 0xFF000000u))
                ++n;
    return n;
}

void writePicture(const QString &name, int w, int h, const std::function<void(QImage &)> &paint = {})
{
    QDir().mkpath(ProgramPaths::vdataDir());
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(0, 0, 255));
    if (paint)
        paint(img);
    QVERIFY(img.save(QDir(ProgramPaths::vdataDir()).filePath(name), "BMP"));
}
} // namespace

class SightRenderTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { RunSettings::instance().VisierDatei.clear(); }
    void cleanup() { RunSettings::instance().VisierDatei.clear(); }

    void workedExampleOnPixels()
    {
        ScriptedMessages messages;
        const QImage img = RenderSight(300, 300, workedExample(), QString());
        QCOMPARE(img.size(), QSize(300, 300));
        QCOMPARE(differingPixels(img, workedExampleByHand(true)), 0);
        QCOMPARE(messages.count(), 0);

        QCOMPARE(img.pixel(0, 0), kWhite);      // outside the rim
        QCOMPARE(img.pixel(10, 150), kBlack);   // diopter ring
        QCOMPARE(img.pixel(29, 150), kBlack);
        QCOMPARE(img.pixel(32, 150), kWhite);   // opening, m_D = 30
        QCOMPARE(img.pixel(150, 74), kWhite);   // above the tunnel, m_TA = 75
        QCOMPARE(img.pixel(150, 75), kBlack);
        QCOMPARE(img.pixel(150, 91), kBlack);   // tunnel ring down to m_TI = 90
        QCOMPARE(img.pixel(150, 92), kWhite);
        QCOMPARE(img.pixel(150, 119), kWhite);  // ring front sight from m_RA = 120
        QCOMPARE(img.pixel(150, 120), kBlack);
        QCOMPARE(img.pixel(150, 133), kBlack);  // to m_RI = 132
        QCOMPARE(img.pixel(150, 134), kWhite);
        QCOMPARE(img.pixel(150, 150), kWhite);  // centre free for the target
        // arms: 7 pixels at height 150 between the rings
        for (int x : {95, 110, 190, 205}) {
            QCOMPARE(img.pixel(x, 146), kWhite);
            for (int y = 147; y <= 153; ++y)
                QCOMPARE(img.pixel(x, y), kBlack);
            QCOMPARE(img.pixel(x, 154), kWhite);
        }
        // post: 15 pixels wide below the tunnel
        for (int y : {226, 240, 260}) {
            QCOMPARE(img.pixel(142, y), kWhite);
            QCOMPARE(img.pixel(143, y), kBlack);
            QCOMPARE(img.pixel(157, y), kBlack);
            QCOMPARE(img.pixel(158, y), kWhite);
        }
    }

    void scalesWithThePaintBox()
    {
        ScriptedMessages messages;
        // W = 335: m_D = trunc((335 - 268) / 2) = 33; the ring starts at 335 - 268 ...
        const QImage img = RenderSight(335, 335, workedExample(), QString());
        QCOMPARE(img.size(), QSize(335, 335));
        QCOMPARE(img.pixel(31, 167), kBlack);
        QCOMPARE(img.pixel(36, 167), kWhite);
        // m_TA = trunc((335 - 167.5) / 2) = 83
        QCOMPARE(img.pixel(167, 82), kWhite);
        QCOMPARE(img.pixel(167, 83), kBlack);
    }

    void withoutDiopterKeepsTheDiscWhite()
    {
        const QImage img = RenderSightWithoutDiopter(300, 300, workedExample());
        QCOMPARE(differingPixels(img, workedExampleByHand(false)), 0);
        QCOMPARE(img.pixel(10, 150), kWhite);
        QCOMPARE(img.pixel(1, 150), kBlack);   // the rim is still there
        QCOMPARE(img.pixel(150, 80), kBlack);  // tunnel
    }

    void fullOpeningTouchesTheRim()
    {
        ScriptedMessages messages;
        SightProfile p = workedExample();
        p.DiopVis_Size = 100;
        const QImage img = RenderSight(300, 300, p, QString());
        // m_D = 0: the opening's outline lies on the rim, nothing turns black around it
        QCOMPARE(img.pixel(10, 150), kWhite);
        QCOMPARE(img.pixel(0, 150), kBlack);
        QCOMPARE(img.pixel(150, 80), kBlack);
        QCOMPARE(img.pixel(0, 0), kWhite);
    }

    void inconsistentSizesAreDrawnAsTheyCome()
    {
        ScriptedMessages messages;
        SightProfile p; // all zero
        QImage img = RenderSight(300, 300, p, QString());
        QCOMPARE(img.size(), QSize(300, 300));
        p = workedExample();
        p.I_Korntunnel = 60; // inner larger than outer: negative tunnel width
        p.I_Ringkorn = 30;
        img = RenderSight(300, 300, p, QString());
        QCOMPARE(img.size(), QSize(300, 300));
        QCOMPARE(messages.count(), 0);
    }

    void pictureFileIsCentredUnscaled()
    {
        Sandbox box;
        ScriptedMessages messages;
        writePicture(QStringLiteral("klein.bmp"), 200, 150);
        RunSettings::instance().VisierDatei = QStringLiteral("klein.bmp");
        const QString file = SightPictureFile();
        QCOMPARE(file, QDir(ProgramPaths::vdataDir()).filePath(QStringLiteral("klein.bmp")));
        const QImage img = RenderSight(300, 300, workedExample(), file);
        const QRgb blue = qRgb(0, 0, 255);
        QCOMPARE(img.pixel(50, 75), blue);
        QCOMPARE(img.pixel(249, 224), blue);
        QCOMPARE(img.pixel(49, 75), kWhite);
        QCOMPARE(img.pixel(50, 74), kWhite);
        QCOMPARE(img.pixel(250, 224), kWhite);
        QCOMPARE(img.pixel(249, 225), kWhite);
        // nothing of the profile
        QCOMPARE(img.pixel(10, 150), kWhite);
        QCOMPARE(img.pixel(1, 150), kWhite);
        QCOMPARE(messages.count(), 0);
    }

    void largerPictureIsCropped()
    {
        Sandbox box;
        ScriptedMessages messages;
        writePicture(QStringLiteral("gross.bmp"), 400, 400, [](QImage &img) {
            img.setPixel(50, 50, qRgb(255, 0, 0));
            img.setPixel(349, 349, qRgb(0, 255, 0));
            img.setPixel(49, 49, qRgb(255, 255, 0));
        });
        RunSettings::instance().VisierDatei = QStringLiteral("gross.bmp");
        const QImage img = RenderSight(300, 300, workedExample(), SightPictureFile());
        QCOMPARE(img.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(299, 299), qRgb(0, 255, 0));
        QCOMPARE(img.pixel(1, 1), qRgb(0, 0, 255));
        QCOMPARE(messages.count(), 0);
    }

    void missingPictureFileFallsBackSilently()
    {
        Sandbox box;
        ScriptedMessages messages;
        RunSettings::instance().VisierDatei = QStringLiteral("weg.bmp");
        QVERIFY(SightPictureFile().isEmpty());
        const QImage img = RenderSight(300, 300, workedExample(), SightPictureFile());
        QCOMPARE(differingPixels(img, workedExampleByHand(true)), 0);
        QCOMPARE(messages.count(), 0);

        // a folder of that name is no picture file either, nor a name leading elsewhere
        QDir().mkpath(QDir(ProgramPaths::vdataDir()).filePath(QStringLiteral("weg.bmp")));
        QVERIFY(SightPictureFile().isEmpty());
        writePicture(QStringLiteral("da.bmp"), 10, 10);
        RunSettings::instance().VisierDatei = QStringLiteral("../vdata/da.bmp");
        QVERIFY(SightPictureFile().isEmpty());
        RunSettings::instance().VisierDatei.clear();
        QVERIFY(SightPictureFile().isEmpty());
    }

    void unreadablePictureShowsMessageThenProfile()
    {
        Sandbox box;
        ScriptedMessages messages;
        QDir().mkpath(ProgramPaths::vdataDir());
        QFile f(QDir(ProgramPaths::vdataDir()).filePath(QStringLiteral("kaputt.bmp")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a bitmap");
        f.close();
        RunSettings::instance().VisierDatei = QStringLiteral("kaputt.bmp");
        const QImage img = RenderSight(300, 300, workedExample(), SightPictureFile());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.shown().first().kind, MessageService::Kind::Error);
        QVERIFY(messages.lastText().startsWith(kLoadError + QStringLiteral("\r\n")));   // then the file and the reason
        QCOMPARE(differingPixels(img, workedExampleByHand(true)), 0);
    }

    void showSightCopiesThePicture()
    {
        const QImage sight = RenderSight(300, 300, workedExample(), QString());
        QImage box(300, 300, QImage::Format_RGB32);
        box.fill(qRgb(1, 2, 3));
        {
            QPainter p(&box);
            ShowSight(p, sight);
        }
        QCOMPARE(differingPixels(box, sight), 0);
    }

    void zoneCircles()
    {
        QCOMPARE(ZoneCircleMargin(335, 10, 10), 135);
        QCOMPARE(ZoneCircleMargin(335, 5, 10), 143);
        // spread 0: the red circle just surrounds the target disc (box 152..181)
        QCOMPARE(ZoneCircleMargin(335, 0, 10), 151);

        QImage img(335, 335, QImage::Format_RGB32);
        img.fill(Qt::white);
        DrawZoneCircles(img, 10, 5, 10);
        // red outline in the box [135, 200), green in [143, 192), not filled
        QCOMPARE(img.pixel(135, 167), kRed);
        QCOMPARE(img.pixel(199, 167), kRed);
        QCOMPARE(img.pixel(134, 167), kWhite);
        QCOMPARE(img.pixel(200, 167), kWhite);
        QCOMPARE(img.pixel(143, 167), kGreen);
        QCOMPARE(img.pixel(191, 167), kGreen);
        QCOMPARE(img.pixel(167, 167), kWhite);
        QCOMPARE(img.pixel(140, 167), kWhite);
    }

    void readsTheProfileRounded()
    {
        StoreFixture fx;
        ScriptedMessages messages;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Muster"), QStringLiteral("Max")));
        DataTable *vis = fx.data->visierTable();
        QVERIFY(vis->append());
        const QList<QPair<QString, double>> values = {
            {"Diopter_Size", 2.5},  {"DiopVis_Size", 79.6}, {"A_Korntunnel", 50.5}, {"I_Korntunnel", 39.5},
            {"A_Ringkorn", 20.4},   {"I_RingKorn", 12},      {"Spiegel_Size", 10.49}};
        for (const auto &v : values)
            QVERIFY(vis->setFieldValue(v.first, v.second));
        QVERIFY(vis->post());

        SightProfile p;
        QVERIFY(ReadSightProfile(p));
        QCOMPARE(p.Diopter_Size, 2); // halves to even
        QCOMPARE(p.DiopVis_Size, 80);
        QCOMPARE(p.A_Korntunnel, 50);
        QCOMPARE(p.I_Korntunnel, 40);
        QCOMPARE(p.A_Ringkorn, 20);
        QCOMPARE(p.I_Ringkorn, 12);
        QCOMPARE(p.Spiegel_Size, 10);
        QCOMPARE(messages.count(), 0);
    }

    void profileReadFailures()
    {
        StoreFixture fx;
        ScriptedMessages messages;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Ohne"), QStringLiteral("Profil")));
        SightProfile p;
        p.DiopVis_Size = 77;
        // the shooter has no sight profile row
        QVERIFY(!ReadSightProfile(p));
        QCOMPARE(messages.lastText(), QStringLiteral("\r\nFehler beim Lesen der Daten !"));
        QCOMPARE(p.DiopVis_Size, 77); // values held are kept

        // closed tables
        messages.clear();
        fx.data->closeTables();
        QVERIFY(!ReadSightProfile(p));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(p.DiopVis_Size, 77);
    }

    void emptyProfileFieldReadsAsZero()
    {
        StoreFixture fx;
        ScriptedMessages messages;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Halb"), QStringLiteral("Leer")));
        DataTable *vis = fx.data->visierTable();
        QVERIFY(vis->append());
        QVERIFY(vis->setFieldValue(QStringLiteral("DiopVis_Size"), 80));
        QVERIFY(vis->post());
        SightProfile p;
        p.A_Korntunnel = 9;
        QVERIFY(ReadSightProfile(p));
        QCOMPARE(p.DiopVis_Size, 80);
        QCOMPARE(p.A_Korntunnel, 0);
        QCOMPARE(messages.count(), 0);
    }
};

VR_TEST_CLASS(SightRenderTest)
#include "sightrender_test.moc"
