#include "curves/curverunsettings.h"
#include "curves/curvesetupdialog.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "runkit/sightviewdialog.h"
#include "runkit/runsettings.h"
#include "shooters/activeshooter.h"
#include "core/settings.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
#include "curvefiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

namespace {
// QVERIFY(f.ok) before using it; QVERIFY(f.addCurveFile(...)).
struct Folder
{
    Sandbox box;
    FakeClock clock;
    ScriptedMessages messages;
    bool ok = true;

    Folder(int systems, int pictures, const QStringList &sets)
    {
        const QString p = ProgramPaths::programDir();
        for (int i = 1; i <= systems; ++i) {
            ok = ok && WriteFile(p + QStringLiteral("/sdata/anlage%1.bmp").arg(i), "BM");
            ok = ok && WriteFile(p + QStringLiteral("/sdata/anlage%1.def").arg(i), DefFile({"1:1|1"}));
        }
        ok = ok && WriteFile(p + "/sdata/ohne.bmp", "BM");   // no definition beside it
        for (int i = 1; i <= pictures; ++i)
            ok = ok && WriteFile(p + QStringLiteral("/vdata/visier%1.bmp").arg(i), "BM");
        ok = ok && QDir().mkpath(p + "/kdata");
        for (const QString &set : sets)
            ok = ok && QDir().mkpath(p + "/kdata/" + set);
    }
    [[nodiscard]] bool addCurveFile(const QString &set, const QString &name, const QByteArray &content)
    {
        return WriteFile(ProgramPaths::programDir() + "/kdata/" + set + "/" + name, content);
    }
    static void store(const QString &name, int value) { RegistryIni(RegistryKeys::MainConfig).writeInteger("M3", name, value); }
    static QString stored(const QString &name) { return RegistryIni(RegistryKeys::MainConfig).readString("M3", name, "-"); }
};

QByteArray soundCurveFile()
{
    QByteArray out;
    for (int t = 1; t <= 5; ++t)
        out += KdfSection(t, SamePoints(2, 150, 150, 20));
    return out;
}
} // namespace

class CurveSetupDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void enabling_data();
    void enabling();
    void seriesCount_data();
    void seriesCount();
    void freeCountByTheKeyboard();
    void shooterWithoutSightProfile();
    void storedChoices();
    void runSettingsAndProblems();
    void definieren();
};

void CurveSetupDialogTest::enabling_data()
{
    QTest::addColumn<int>("systems");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QStringList>("sets");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("keine");
    QTest::addColumn<bool>("dateiVisier");   // "aus Da&tei" enabled

    QTest::newRow("everything there") << 2 << 1 << QStringList{"A"} << true << false << true;
    QTest::newRow("no shooting system: kei&ne, no OK") << 0 << 1 << QStringList{"A"} << false << true << true;
    QTest::newRow("no curve set") << 1 << 0 << QStringList() << false << false << false;
}

void CurveSetupDialogTest::enabling()
{
    QFETCH(int, systems);
    QFETCH(int, pictures);
    QFETCH(QStringList, sets);
    QFETCH(bool, ok);
    QFETCH(bool, keine);
    QFETCH(bool, dateiVisier);
    Folder f(systems, pictures, sets);
    QVERIFY(f.ok);
    Folder::store("Datei_Schussanlage", 1);
    CurveSetupDialog dlg;
    dlg.show();
    QCOMPARE(dlg.okButton()->isEnabled(), ok);
    QCOMPARE(dlg.noSystemRadio()->isChecked(), keine);
    QCOMPARE(dlg.systemFileRadio()->isChecked(), !keine);
    QVERIFY(!dlg.noSystemRadio()->isEnabled() && !dlg.systemFileRadio()->isEnabled());
    QCOMPARE(dlg.systemCombo()->count(), systems);   // "ohne.bmp" is never offered
    QCOMPARE(dlg.sightControls().file->isEnabled(), dateiVisier);
    QVERIFY(!dlg.mirrorMapCombo()->isEnabled());
    QCOMPARE(dlg.mirrorMapCombo()->currentText(), QStringLiteral("fest"));
    QVERIFY(dlg.seriesControls().anz5->isChecked());
    dlg.okClicked();   // a disabled OK does nothing
    QCOMPARE(dlg.isVisible(), true);
    QCOMPARE(dlg.result() == QDialog::Accepted, false);
}

void CurveSetupDialogTest::seriesCount_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("withFiles");
    QTest::addColumn<int>("series");       // 0 = stays open
    QTest::addColumn<QString>("message");

    const QString invalid = QStringLiteral("Bitte eine gültige Anzahl eingeben.");
    const QString noFiles = QStringLiteral("Das gewählte Kurvenset enthält keine Definitionsdateien.");
    QTest::newRow("frei 12 Serien") << "frei" << "12 Serien" << true << 12 << "";
    QTest::newRow("frei abc") << "frei" << "abc" << true << 0 << invalid;
    QTest::newRow("frei 0") << "frei" << "0" << true << 0 << invalid;
    QTest::newRow("frei beyond the integer range") << "frei" << "99999999999" << true << 0 << invalid;
    QTest::newRow("10") << "10" << "" << true << 10 << "";
    QTest::newRow("15 without curve files") << "15" << "" << false << 0 << noFiles;
    QTest::newRow("frei 3 without curve files") << "frei" << "3" << false << 0 << noFiles;
}

void CurveSetupDialogTest::seriesCount()
{
    QFETCH(QString, radio);
    QFETCH(QString, text);
    QFETCH(bool, withFiles);
    QFETCH(int, series);
    QFETCH(QString, message);
    Folder f(1, 0, {"A"});
    QVERIFY(f.ok);
    if (withFiles)
        QVERIFY(f.addCurveFile("A", "s1.kdf", soundCurveFile()));
    CurveSetupDialog dlg;
    dlg.show();
    QRadioButton *rb = radio == "frei" ? dlg.seriesControls().frei : radio == "10" ? dlg.seriesControls().anz10 : dlg.seriesControls().anz15;
    rb->click();
    QCOMPARE(dlg.seriesControls().edit->isEnabled(), radio == "frei");
    dlg.seriesControls().edit->setText(text);
    dlg.okClicked();
    if (series > 0) {
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(RunSettings::instance().SerienAnzahl, series);
        QCOMPARE(f.messages.count(), 0);
    } else {
        QVERIFY(dlg.isVisible());
        QCOMPARE(f.messages.lastText(), message);
        QCOMPARE(f.messages.shown().last().kind, MessageService::Kind::Error);
    }
    // The choices are stored even when the dialog stays open.
    QCOMPARE(Folder::stored("keine_Schussanlage"), QStringLiteral("0"));
    QCOMPARE(Folder::stored("Datei_Schussanlage"), QStringLiteral("1"));
}

void CurveSetupDialogTest::freeCountByTheKeyboard()
{
    // "frei" chosen with the arrow keys: the digits typed next go to the count
    // field, and Return starts with that many series.
    Folder f(1, 0, {"A"});
    QVERIFY(f.ok);
    QVERIFY(f.addCurveFile("A", "s1.kdf", soundCurveFile()));
    CurveSetupDialog dlg;
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.seriesControls().anz5->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QVERIFY(dlg.seriesControls().frei->isChecked());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dlg.seriesControls().edit));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("4"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(RunSettings::instance().SerienAnzahl, 4);
    QCOMPARE(f.messages.count(), 0);
}

void CurveSetupDialogTest::shooterWithoutSightProfile()
{
    // A picture file stands in for the missing profile; "aus Datenbank" offers
    // to set one up, and the stand-in is not stored as the user's choice.
    StoreFixture fx;
    FakeClock clock;
    ScriptedMessages messages;
    const QString p = ProgramPaths::programDir();
    WriteFile(p + "/sdata/anlage1.bmp", "BM");
    WriteFile(p + "/sdata/anlage1.def", DefFile({"1:1|1"}));
    WriteFile(p + "/vdata/visier1.bmp", "BM");
    WriteFile(p + "/vdata/visier2.bmp", "BM");
    WriteFile(p + "/kdata/A/s1.kdf", soundCurveFile());
    Folder::store("Viser", 1);
    QVERIFY(fx.open());
    QVERIFY(fx.addShooter("Neu", "Nina"));
    QVERIFY(fx.selectShooter("Neu", "Nina"));
    ActiveShooter::instance().active = true;
    MakeActiveShooter();
    int opened = 0;
    CurveSetupDialog dlg;
    dlg.setSightProfileSetup([&] { ++opened; });
    dlg.show();
    QVERIFY(dlg.sightControls().file->isChecked());
    QCOMPARE(dlg.sightControls().list->currentIndex(), 0);
    dlg.sightControls().database->setChecked(true);
    messages.answerNext(MessageService::Yes);   // the dialog is left without a profile
    dlg.okClicked();
    QCOMPARE(messages.count("Für diesen Schützen ist noch kein Visier eingerichtet. Jetzt einrichten?"), 1);
    QCOMPARE(opened, 1);
    QVERIFY(dlg.isVisible());
    QVERIFY(dlg.result() != QDialog::Accepted);
    dlg.sightControls().file->setChecked(true);
    dlg.okClicked();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(RunSettings::instance().VisierDatei, QStringLiteral("visier1.bmp"));
    QCOMPARE(Folder::stored("Viser"), QStringLiteral("1"));
    QCOMPARE(Folder::stored("Datei_Visier"), QStringLiteral("-"));
}

void CurveSetupDialogTest::storedChoices()
{
    Folder f(2, 3, {"A", "B"});
    QVERIFY(f.ok);
    QVERIFY(f.addCurveFile("B", "s.kdf", soundCurveFile()));
    Folder::store("Viser", 7);          // only three pictures: the first stays
    Folder::store("Anschlag", 1);
    Folder::store("Scheibenabstand", 4);
    Folder::store("Kurvendefinition", 1);
    Folder::store("Schussanlage", 1);
    Folder::store("Schussrichtung", 1);
    Folder::store("Targetanzeige", 1);
    Folder::store("Datei_Visier", 1);
    Folder::store("DB_Visier", 0);
    CurveSetupDialog dlg;
    dlg.show();
    QCOMPARE(dlg.sightControls().list->currentIndex(), 0);
    QCOMPARE(dlg.positionCombo()->currentText(), QStringLiteral("stehend"));
    QCOMPARE(dlg.spacingSpin()->value(), 4);
    QCOMPARE(dlg.curveSetCombo()->currentText(), QStringLiteral("B"));
    QCOMPARE(dlg.systemCombo()->currentText(), QStringLiteral("anlage2.bmp"));
    QVERIFY(dlg.directionCheck()->isChecked() && dlg.showTargetsCheck()->isChecked());
    QVERIFY(dlg.sightControls().file->isChecked());
    // Choosing a sight picture checks "aus Da&tei".
    dlg.sightControls().database->setChecked(true);
    dlg.sightControls().list->setCurrentIndex(2);
    emit dlg.sightControls().list->activated(2);
    QVERIFY(dlg.sightControls().file->isChecked());
    dlg.seriesControls().anz10->setChecked(true);
    dlg.okClicked();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(Folder::stored("Viser"), QStringLiteral("2"));
    QCOMPARE(Folder::stored("keine_Schussanlage"), QStringLiteral("0"));
    QCOMPARE(Folder::stored("Anschlag"), QStringLiteral("1"));
    QCOMPARE(Folder::stored("DB_Visier"), QStringLiteral("0"));
    const RunSettings &run = RunSettings::instance();
    const CurveRunSettings &curves = CurveRunSettings::instance();
    QCOMPARE(run.VisierDatei, QStringLiteral("visier3.bmp"));
    QCOMPARE(run.SerienAnzahl, 10);
    QCOMPARE(run.Scheibenabstand, 4);
    QCOMPARE(curves.ShootingSystemName, QStringLiteral("anlage2.bmp"));
    QVERIFY(!curves.LeftToRight);
    QVERIFY(curves.ShowTargets);
    // Shown again: the count field is cleared and "5" checked.
    dlg.show();
    QVERIFY(dlg.seriesControls().anz5->isChecked());
    QCOMPARE(dlg.positionCombo()->currentText(), QStringLiteral("stehend"));
}

void CurveSetupDialogTest::runSettingsAndProblems()
{
    Folder f(1, 0, {"A"});
    QVERIFY(f.ok);
    for (int i = 1; i <= 4; ++i)
        QVERIFY(f.addCurveFile("A", QStringLiteral("s%1.kdf").arg(i), soundCurveFile()));
    QVERIFY(f.addCurveFile("A", "kaputt.kdf", KdfSection(1, {"1:1|99999999999"}) + KdfSection(2, {"1:1|1"})));
    QVERIFY(f.addCurveFile("A", "notiz.txt", "x"));
    CurveSetupDialog dlg;
    dlg.show();
    dlg.sightControls().file->setChecked(true);   // no picture: the profile instead, with a note
    dlg.okClicked();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    const CurveRunSettings &curves = CurveRunSettings::instance();
    QCOMPARE(curves.CurveSetDirectory, ProgramPaths::programDir() + "/kdata/A");
    QStringList files = curves.CurveFiles;
    QCOMPARE(files.size(), 5);
    files.sort();
    QCOMPARE(files.first(), curves.CurveSetDirectory + "/kaputt.kdf");
    QVERIFY(curves.LeftToRight);
    QVERIFY(RunSettings::instance().VisierDatei.isEmpty());
    QCOMPARE(f.messages.count(), 2);
    QCOMPARE(f.messages.shown().at(0).text, QStringLiteral("Keine Visierdaten vorhanden ! \r\nVerwende Profil aus Schützendatenbank."));
    QVERIFY(dlg.sightControls().database->isChecked());
    // One warning for the set's problems, then the run goes on.
    QCOMPARE(f.messages.shown().at(1).kind, MessageService::Kind::Warning);
    const QString text = f.messages.shown().at(1).text;
    QVERIFY(text.startsWith("Das Kurvenset enthält fehlerhafte Daten:"));
    QVERIFY(text.contains("kaputt.kdf\u201C: Abschnitt [1]: Punkt 0 enthält eine zu große Zahl"));
    QVERIFY(text.contains("kaputt.kdf\u201C: Es fehlen die Abschnitte [3], [4], [5]"));
    QVERIFY(!text.contains("s1.kdf"));
}

void CurveSetupDialogTest::definieren()
{
    // "&Definieren" shows the sight view with this dialog's shooting position, then hands it back.
    Folder f(1, 0, {"A"});
    QVERIFY(f.ok);
    CurveSetupDialog dlg;
    SightViewDialog view;
    int handedBack = 0;
    dlg.setSightView(&view, [&] { ++handedBack; });
    dlg.show();
    dlg.positionCombo()->setCurrentIndex(1);
    int position = -1;
    QTimer::singleShot(0, &view, [&] {
        position = view.shootingPosition();
        view.reject();
    });
    QTest::mouseClick(dlg.defineButton(), Qt::LeftButton);
    QCOMPARE(position, 1);
    QCOMPARE(handedBack, 1);
}

VR_TEST_CLASS(CurveSetupDialogTest)
#include "curvesetupdialog_test.moc"
