// A shooter without a sight profile: the runs never show the sight of the
// shooter tested before, and the setup dialogs lead him to a picture file or
// to setting up his profile.
#include "platform/programpaths.h"
#include "reaction/statictestwindow.h"
#include "reaction/randomtestwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "reaction/staticsetupdialog.h"
#include "reaction/randomsetupdialog.h"
#include "runkit/sightviewdialog.h"
#include "runkit/runsettings.h"
#include "runkit/sightbox.h"
#include "shooters/activeshooter.h"
#include "shooters/sightprofiledialog.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {
const QString kReadError = QStringLiteral("\r\nFehler beim Lesen der Daten !");
const QString kOffer = QStringLiteral("Für diesen Schützen ist noch kein Visier eingerichtet. Jetzt einrichten?");
const QRgb kBlue = qRgb(0, 0, 255);

// "Meyer, Anna" with a sight profile, "Neu, Nina" without one.
// QVERIFY(s.ok) before using it; helpers that fill it are checked with QVERIFY.
struct Shooters
{
    StoreFixture fx;
    FakeClock clock;
    ScriptedMessages messages;
    bool ok = false;

    Shooters()
    {
        ok = fx.open() && fx.addShooter(QStringLiteral("Meyer"), QStringLiteral("Anna"));
        DataTable *v = fx.data->visierTable();
        ok = ok && v->append();
        const QList<QPair<const char *, double>> sizes{{"Diopter_Size", 33}, {"DiopVis_Size", 80}, {"A_Korntunnel", 50},
                                                       {"I_Korntunnel", 40}, {"A_Ringkorn", 20},   {"I_Ringkorn", 12},
                                                       {"Spiegel_Size", 10}};
        for (const auto &s : sizes)
            ok = ok && v->setFieldValue(QString::fromLatin1(s.first), s.second);
        ok = ok && v->post() && fx.addShooter(QStringLiteral("Neu"), QStringLiteral("Nina"));
        RunSettings::instance().SerienAnzahl = 1;
    }
    // Made active, as the main window does before a test.
    [[nodiscard]] bool activate(const QString &name, const QString &vorname)
    {
        if (!fx.selectShooter(name, vorname))
            return false;
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        return LocateActiveShooter();
    }
    [[nodiscard]] bool addPicture(const QString &name)
    {
        QDir().mkpath(ProgramPaths::vdataDir());
        QImage img(200, 150, QImage::Format_RGB32);
        img.fill(kBlue);
        return img.save(QDir(ProgramPaths::vdataDir()).filePath(name), "BMP");
    }
    int profilesOf(const QString &name)
    {
        const QStringList r = sqlOnFile(fx.visFile(), QStringLiteral("SELECT COUNT(*) FROM VData WHERE Name = ?"), {name});
        return r.isEmpty() ? -1 : r.first().toInt();
    }
};

bool sameProfile(const SightProfile &a, const SightProfile &b)
{
    return a.Diopter_Size == b.Diopter_Size && a.DiopVis_Size == b.DiopVis_Size && a.A_Korntunnel == b.A_Korntunnel
           && a.I_Korntunnel == b.I_Korntunnel && a.A_Ringkorn == b.A_Ringkorn && a.I_Ringkorn == b.I_Ringkorn
           && a.Spiegel_Size == b.Spiegel_Size;
}

using WindowMaker = std::function<ReactionTestWindow *(std::unique_ptr<ReactionResultWindow> &)>;
using SetupMaker = std::function<SetupDialogBase *()>;
} // namespace

Q_DECLARE_METATYPE(WindowMaker)
Q_DECLARE_METATYPE(SetupMaker)

class SightSourceTest : public QObject
{
    Q_OBJECT
private slots:
    void runNeverShowsAnotherShootersSight_data()
    {
        QTest::addColumn<WindowMaker>("make");
        QTest::addColumn<bool>("picture");
        const WindowMaker t1([](std::unique_ptr<ReactionResultWindow> &result) {
            auto *era = new StaticResultWindow;
            result.reset(era);
            return new StaticTestWindow(era);
        });
        const WindowMaker t2([](std::unique_ptr<ReactionResultWindow> &result) {
            auto *era = new RandomResultWindow;
            result.reset(era);
            return new RandomTestWindow(era);
        });
        QTest::addRow("test 1, drawn") << t1 << false;
        QTest::addRow("test 1, aus Datei") << t1 << true;
        QTest::addRow("test 2, drawn") << t2 << false;
        QTest::addRow("test 2, aus Datei") << t2 << true;
    }

    void runNeverShowsAnotherShootersSight()
    {
        QFETCH(WindowMaker, make);
        QFETCH(bool, picture);
        Shooters s;
        QVERIFY(s.ok);
        QVERIFY(s.addPicture(QStringLiteral("bild.bmp")));
        std::unique_ptr<ReactionResultWindow> result;
        std::unique_ptr<ReactionTestWindow> er(make(result));

        QVERIFY(s.activate(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        er->show();
        QCOMPARE(er->profile().Spiegel_Size, 10);
        er->reject();

        // Next comes a shooter who has no sight profile yet.
        QVERIFY(s.activate(QStringLiteral("Neu"), QStringLiteral("Nina")));
        RunSettings::instance().VisierDatei = picture ? QStringLiteral("bild.bmp") : QString();
        er->show();
        QCOMPARE(s.messages.count(), 0);
        QVERIFY(sameProfile(er->profile(), NewSightProfile()));
        QCOMPARE(er->run().spiegelSize(), NewSightProfile().Spiegel_Size);
        const QImage sight = er->sightBox()->sight();
        if (picture)
            QCOMPARE(sight.pixel(150, 150), kBlue);
        else
            QCOMPARE(sight, RenderSight(300, 300, NewSightProfile(), QString()));
        er->reject();
        QCOMPARE(s.profilesOf(QStringLiteral("Neu")), 0);   // the run made none
    }

    void setupLeadsToASight_data()
    {
        QTest::addColumn<SetupMaker>("make");
        QTest::addRow("test 1") << SetupMaker([] { return new StaticSetupDialog; });
        QTest::addRow("test 2") << SetupMaker([] { return new RandomSetupDialog; });
    }

    void setupLeadsToASight()
    {
        QFETCH(SetupMaker, make);
        Shooters s;
        QVERIFY(s.ok);
        QVERIFY(s.addPicture(QStringLiteral("a.bmp")));
        QVERIFY(s.addPicture(QStringLiteral("b.bmp")));
        std::unique_ptr<SetupDialogBase> form(make());
        SightProfileDialog profileDialog;
        int opened = 0;
        form->setSightProfileSetup([&] {
            ++opened;
            profileDialog.setEditMode(true);
            profileDialog.setProfileNumber(0);
            QTimer::singleShot(0, &profileDialog, [&] { profileDialog.okClicked(); });
            profileDialog.exec();
        });

        // Without a profile: a picture file, the first one, is preselected.
        QVERIFY(s.activate(QStringLiteral("Neu"), QStringLiteral("Nina")));
        form->show();
        QVERIFY(form->sightControls().file->isChecked());
        QCOMPARE(form->sightControls().list->currentIndex(), 0);
        form->hide();
        // A shooter with a profile gets his own sight again.
        QVERIFY(s.activate(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        form->show();
        QVERIFY(form->sightControls().database->isChecked());
        form->hide();

        // "aus Datenbank" without a profile: the offer instead of a run without a sight.
        QVERIFY(s.activate(QStringLiteral("Neu"), QStringLiteral("Nina")));
        form->show();
        form->sightControls().database->setChecked(true);
        form->setResult(0);
        s.messages.answerNext(MessageService::No);
        form->okClicked();
        QCOMPARE(s.messages.count(kOffer), 1);
        QCOMPARE(s.messages.shown().last().kind, MessageService::Kind::Confirmation);
        QVERIFY(form->isVisible());
        QCOMPARE(form->result(), 0);
        QCOMPARE(opened, 0);

        s.messages.answerNext(MessageService::Yes);
        form->okClicked();
        QCOMPARE(s.messages.count(kOffer), 2);
        QCOMPARE(opened, 1);
        QCOMPARE(s.profilesOf(QStringLiteral("Neu")), 1);
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QVERIFY(RunSettings::instance().VisierDatei.isEmpty());
        QCOMPARE(s.messages.count(kReadError), 0);
    }
};

VR_TEST_CLASS(SightSourceTest)
#include "sightsource_test.moc"
