#include "platform/registryini.h"
#include "runkit/sightviewdialog.h"
#include "runkit/runsettings.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "store/storefixture.h"
#include "support/child.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kWhite = qRgb(255, 255, 255);

// A shooter with the worked-example profile and a target disc of 10.
// QVERIFY(fx.ok) before using it.
struct ViewFixture : StoreFixture
{
    ScriptedMessages messages;
    bool ok = false;

    explicit ViewFixture(bool withProfile = true)
    {
        Settings::instance().Logfile = true;
        ok = open() && addShooter(QStringLiteral("Muster"), QStringLiteral("Max"));
        if (!withProfile || !ok)
            return;
        DataTable *vis = data->visierTable();
        ok = vis->append();
        const QList<QPair<QString, int>> values = {{"Diopter_Size", 30}, {"DiopVis_Size", 80}, {"A_Korntunnel", 50},
                                                  {"I_Korntunnel", 40}, {"A_Ringkorn", 20},   {"I_RingKorn", 12},
                                                  {"Spiegel_Size", 10}};
        for (const auto &v : values)
            ok = ok && vis->setFieldValue(v.first, v.second);
        ok = ok && vis->post();
    }
    int stored(const QString &name) const
    {
        RegistryIni ini(RegistryKeys::Main);
        return ini.readInteger(QStringLiteral("Config"), name, -1);
    }
    void store(const QString &name, int value)
    {
        RegistryIni ini(RegistryKeys::Main);
        ini.writeInteger(QStringLiteral("Config"), name, value);
    }
};

// Left edge of the first pixel of the colour on the middle row, or -1.
int firstOnMiddleRow(const QImage &img, QRgb colour)
{
    const int y = img.height() / 2;
    for (int x = 0; x < img.width(); ++x)
        if ((img.pixel(x, y) | 0xFF000000u) == colour)
            return x;
    return -1;
}
} // namespace

class SightViewDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void creationLogsAndNamesItsParts()
    {
        ViewFixture fx;
        QVERIFY(fx.ok);
        SightViewDialog form;
        QCOMPARE(form.objectName(), QStringLiteral("ERview_Form"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Visieransicht"));
        VR_CHILD(sight, QWidget, form, QStringLiteral("Visier"));
        QCOMPARE(sight->size(), QSize(335, 335));
        auto *pos = form.findChild<QSpinBox *>(QStringLiteral("Pos_SpinEdit"));
        auto *ok = form.findChild<QSpinBox *>(QStringLiteral("PosOk_SpinEdit"));
        QVERIFY(pos && ok);
        QCOMPARE(pos->minimum(), 0);
        QCOMPARE(pos->maximum(), 50);
        QCOMPARE(ok->maximum(), 50);
        VR_CHILD(button, QPushButton, form, QStringLiteral("Cancel_Button"));
        QCOMPARE(button->text(), QStringLiteral("&OK"));
        QVERIFY(button->isDefault());
        const QStringList log = LoadLogIntoViewer();
        QVERIFY(log.filter(QStringLiteral("Initialisierung : [Start] Laden ERViewF")).size() == 1);
        QVERIFY(log.filter(QStringLiteral("Initialisierung : [Erfolg] Laden ERViewF")).size() == 1);
    }

    void activationShowsSightAndCircles()
    {
        ViewFixture fx;
        QVERIFY(fx.ok);
        SightViewDialog form;
        form.show(); // activation
        QCOMPARE(form.spreadSpin()->value(), 10);
        QCOMPARE(form.hitZoneSpin()->value(), 5);
        QCOMPARE(form.profile().Spiegel_Size, 10);
        QCOMPARE(fx.messages.count(), 0);
        // the sight without the diopter
        SightProfile p = form.profile();
        QCOMPARE(form.sightBox()->picture(), RenderSightWithoutDiopter(335, 335, p));
        const QImage shown = form.sightBox()->composed();
        QCOMPARE(firstOnMiddleRow(shown, kRed), 135);
        QCOMPARE(firstOnMiddleRow(shown, kGreen), 143);
        QCOMPARE(shown.pixel(167, 167), kWhite); // the circles are not filled
        form.reject();
    }

    void spinBoxesRedrawAtOnce()
    {
        ViewFixture fx;
        QVERIFY(fx.ok);
        SightViewDialog form;
        form.activate();
        form.spreadSpin()->setValue(0);
        QCOMPARE(RunSettings::instance().ER2_SPos, 0);
        QCOMPARE(firstOnMiddleRow(form.sightBox()->composed(), kRed), 151); // just around the target disc
        form.hitZoneSpin()->setValue(20);
        QCOMPARE(RunSettings::instance().ER2_SPos_ok, 20);
        QCOMPARE(firstOnMiddleRow(form.sightBox()->composed(), kGreen), 167 - 33 - 16);
    }

    void standingAndLyingUseTheirOwnPair()
    {
        ViewFixture fx;
        QVERIFY(fx.ok);
        fx.store(QStringLiteral("ER2_SPos_l"), 30);
        fx.store(QStringLiteral("ER2_SPos_ok_l"), 9);
        fx.store(QStringLiteral("ER2_SPos_s"), 20);
        fx.store(QStringLiteral("ER2_SPos_ok_s"), 7);
        int position = 1;
        SightViewDialog form;
        form.setShootingPositionProvider([&position] { return position; });

        form.activate();
        QCOMPARE(form.spreadSpin()->value(), 20);
        QCOMPARE(form.hitZoneSpin()->value(), 7);
        form.spreadSpin()->setValue(25);
        form.okClicked();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(fx.stored(QStringLiteral("ER2_SPos_s")), 25);
        QCOMPARE(fx.stored(QStringLiteral("ER2_SPos_ok_s")), 7);
        QCOMPARE(fx.stored(QStringLiteral("ER2_SPos_l")), 30);
        QCOMPARE(fx.stored(QStringLiteral("ER2_SPos_ok_l")), 9);

        position = 0;
        form.activate();
        QCOMPARE(form.spreadSpin()->value(), 30);
        QCOMPARE(form.hitZoneSpin()->value(), 9);
        QCOMPARE(RunSettings::instance().ER2_SPos, 30);
        form.hitZoneSpin()->setValue(3);
        form.okClicked();
        QCOMPARE(fx.stored(QStringLiteral("ER2_SPos_ok_l")), 3);
        QCOMPARE(fx.stored(QStringLiteral("ER2_SPos_s")), 25);
    }

    void closingByTitleBarKeepsValuesButWritesNothing()
    {
        ViewFixture fx;
        QVERIFY(fx.ok);
        SightViewDialog form;
        form.activate();
        form.spreadSpin()->setValue(40);
        form.reject();
        QCOMPARE(RunSettings::instance().ER2_SPos, 40);
        QCOMPARE(fx.stored(QStringLiteral("ER2_SPos_l")), -1);
        QCOMPARE(fx.stored(QStringLiteral("ERViewFX")), -1); // placement lives in "FormData"
        RegistryIni ini(RegistryKeys::Main);
        QVERIFY(ini.valueExists(QStringLiteral("FormData"), QStringLiteral("ERViewFX")));
    }

    void circlesFollowTheSpinBoxesWhenNothingChanges()
    {
        ViewFixture fx;
        QVERIFY(fx.ok);
        SightViewDialog form;
        // an earlier confirmation of test 2 left other values in memory
        RunSettings::instance().ER2_SPos = 44;
        RunSettings::instance().ER2_SPos_ok = 33;
        form.activate(); // stored defaults equal the spin boxes' values
        QCOMPARE(RunSettings::instance().ER2_SPos, 10);
        QCOMPARE(firstOnMiddleRow(form.sightBox()->composed(), kRed), 135);
    }

    // A shooter without a profile sees the sight of a new profile, never the
    // one of the shooter shown before, and no error.
    void missingProfileShowsANewProfile()
    {
        ViewFixture fx;
        QVERIFY(fx.ok);
        SightViewDialog form;
        form.activate();
        const QImage withProfile = form.sightBox()->composed();
        QVERIFY(fx.addShooter(QStringLiteral("Neu"), QStringLiteral("Nina")));
        form.activate();
        QVERIFY2(fx.messages.count() == 0, qPrintable(fx.messages.lastText()));
        QCOMPARE(form.sightBox()->picture().size(), QSize(335, 335));
        QVERIFY(form.sightBox()->composed() != withProfile);
        SightViewDialog fresh;
        fresh.activate();
        QCOMPARE(fresh.sightBox()->composed(), form.sightBox()->composed());
    }
};

VR_TEST_CLASS(SightViewDialogTest)
#include "sightviewdialog_test.moc"
