#include "device/trainerfixture.h"

#include "device/batterywindow.h"
#include "device/commandset.h"
#include "platform/programpaths.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "ui/elidinglabel.h"
#include "app/helphistory.h"
#include "app/infowindow.h"
#include "app/datasession.h"
#include "app/mainwindow.h"
#include "support/findaction.h"
#include "app/statuspanels.h"
#include "shooters/activeshooter.h"
#include "store/tdata.h"
#include "support/child.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextBrowser>
#include <QToolButton>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QScreen>
#include <QTest>

namespace {

// Fake clock and scripted boxes in a sandbox (which starts and ends the
// program state as at start).
struct FreshProgram
{
    FakeClock clock;
    ScriptedMessages boxes;

    static void store(const QString &name, const QString &value)
    {
        RegistryIni reg(RegistryKeys::Main);
        reg.writeString(QStringLiteral("Config"), name, value);
    }
};

QStringList logMessages()
{
    QStringList out;
    for (const QString &line : LoadLogIntoViewer()) {
        const int at = line.indexOf(QLatin1String(" --- "));
        out << (at < 0 ? line : line.mid(at + 5));
    }
    return out;
}

[[nodiscard]] bool addShooter(DataTable *pers, const QString &name, const QString &vorname)
{
    const bool ok = pers->append() && pers->setFieldValue(QStringLiteral("Name"), name)
                    && pers->setFieldValue(QStringLiteral("Vorname"), vorname)
                    && pers->setFieldValue(QStringLiteral("Trainingsrunden"), 4.0) && pers->post();
    if (!ok)
        qWarning() << pers->errorText();
    return ok;
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void startLinesInOrder()
    {
        Sandbox box;
        FreshProgram program;
        FreshProgram::store(QStringLiteral("Logfile"), QStringLiteral("1"));
        TData data;
        MainWindow form;
        QStringList splash;
        OpenProgramData([&](const QString &t) { splash << t; });
        QCOMPARE(program.boxes.count(), 0);
        QCOMPARE(splash, QStringList({QStringLiteral("Datenbank-Alias neu anlegen..."), QStringLiteral("Datenbanken öffnen..."),
                                      QStringLiteral("Datenbanken reorganisieren...")}));
        QCOMPARE(logMessages(),
                 QStringList({QStringLiteral("Initialisierung : [Start] Laden MF"), QStringLiteral("Ausführen : Datenbank-Alias neu anlegen"),
                              QStringLiteral("Ausführen : Datenbanken öffnen"), QStringLiteral("Ausführen : [Open] PersTable"),
                              QStringLiteral("Ausführen : [Open] VisierTable"), QStringLiteral("Ausführen : [Open] ReakTable"),
                              QStringLiteral("Ausführen : Datenbanken reorganisieren"), QStringLiteral("Ausführen : [Run] Reorg PersTable"),
                              QStringLiteral("Ausführen : [Run] Reorg VisierTable"), QStringLiteral("Ausführen : [Run] Reorg ReakTable"),
                              QStringLiteral("Initialisierung : [Erfolg] Laden MF")}));
        QVERIFY(data.tablesOpen());
        QVERIFY(!AppState::instance().BusyTitle);
        QCOMPARE(data.aliasPath(), data.privateDir());
    }

    void secondStartChecksAliasAndSkipsReorgWhenOff()
    {
        Sandbox box;
        FreshProgram program;
        FreshProgram::store(QStringLiteral("Logfile"), QStringLiteral("1"));
        FreshProgram::store(QStringLiteral("Reorg"), QStringLiteral("0"));
        {
            TData data;
            data.addAlias(QStringLiteral("/somewhere/else"));
        }
        TData data;
        MainWindow form;
        QStringList splash;
        OpenProgramData([&](const QString &t) { splash << t; });
        QCOMPARE(splash.first(), QStringLiteral("Datenbank-Alias überprüfen..."));
        QCOMPARE(data.aliasPath(), data.privateDir());
        const QStringList lines = logMessages();
        QVERIFY(lines.contains(QStringLiteral("Ausführen : Datenbank-Alias überprüfen")));
        QVERIFY(lines.filter(QStringLiteral("Reorg")).isEmpty());
        QVERIFY(!lines.contains(QStringLiteral("Ausführen : Datenbanken reorganisieren")));
        QCOMPARE(lines.last(), QStringLiteral("Initialisierung : [Erfolg] Laden MF"));
    }

    void badSettingDoesNotStopCreation()
    {
        Sandbox box;
        FreshProgram program;
        FreshProgram::store(QStringLiteral("KS_KL"), QStringLiteral("sechs,5x"));
        FreshProgram::store(QStringLiteral("COM_Index"), QStringLiteral("zwei"));
        TData data;
        MainWindow form;
        OpenProgramData();
        QVERIFY(data.tablesOpen());
        QCOMPARE(Settings::instance().KS_KL, 6.0);
        QCOMPARE(Settings::instance().COM_Index, 1);
    }

    void offlineStartAndNoReconnect()
    {
        Sandbox box;
        FreshProgram program;
        FreshProgram::store(QStringLiteral("Logfile"), QStringLiteral("1"));
        TData data;
        MainWindow form;
        OpenProgramData();
        form.firstActivation();
        QVERIFY(AppState::instance().OfflineState);
        QVERIFY(logMessages().filter(QStringLiteral("Verbindung")).isEmpty());
        QCOMPARE(form.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));
    }

    void goOnlineWithoutDevice()
    {
        TrainerOnCom2 rig;  // its settings name a missing file for COM1
        FreshProgram program;
        FreshProgram::store(QStringLiteral("Logfile"), QStringLiteral("1"));
        FreshProgram::store(QStringLiteral("Offline"), QStringLiteral("0"));
        FreshProgram::store(QStringLiteral("COM_Index"), QStringLiteral("0"));
        TData data;
        MainWindow form;
        OpenProgramData();
        form.firstActivation();
        QTRY_VERIFY(!form.connecting());
        // Which port and why.
        QCOMPARE(program.boxes.lastText(), QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.\r\nDie "
                                                          "Schnittstelle COM1 (%1) ist nicht vorhanden; ist das Gerät "
                                                          "angeschlossen?")
                                               .arg(rig.box.path(QStringLiteral("no-such-device"))));
        QVERIFY(AppState::instance().OfflineState);
        QCOMPARE(form.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));
        const QStringList lines = logMessages();
        QVERIFY(lines.contains(QStringLiteral("Ausführen : [Start] Verbindung aufbauen (ONLINE-Modus)")));
        QVERIFY(lines.contains(QStringLiteral("Ausführen : [Fehler] Verbindung aufbauen")));
        // Later activations never try again.
        form.firstActivation();
        QCOMPARE(program.boxes.count(), 1);
    }

    void goOnlineAgainstTrainer()
    {
        TrainerOnCom2 rig;
        QVERIFY(rig.ok);
        FreshProgram program;
        FreshProgram::store(QStringLiteral("Logfile"), QStringLiteral("1"));
        FreshProgram::store(QStringLiteral("Offline"), QStringLiteral("0"));
        FreshProgram::store(QStringLiteral("Controller"), QStringLiteral("1"));
        Clock::install(nullptr);  // real waits against the pseudo-terminal
        TData data;
        MainWindow form;
        OpenProgramData();
        form.firstActivation();
        QTRY_VERIFY(!form.connecting());
        QCOMPARE(program.boxes.count(), 0);
        QVERIFY(!AppState::instance().OfflineState);
        QCOMPARE(form.statusPanels()->panelText(2), QStringLiteral("Port : COM2,9600"));
        QCOMPARE(form.statusPanels()->panelText(3), QStringLiteral("Modus : Online"));
        QCOMPARE(form.statusPanels()->panelText(4), QStringLiteral("PIC : E2105"));
        QVERIFY(qAbs(DeviceLink().LastBatteryVoltage - 8.752) < 0.001);
        const QStringList lines = logMessages();
        QVERIFY(lines.contains(QStringLiteral("Ausführen : [Setup] COM2,9600,PIC Bauart2")));
        QVERIFY(lines.contains(QStringLiteral("Ausführen : [Erfolg] Verbindung aufbauen")));
        QVERIFY(findAction(form, QStringLiteral("Online_Item"))->isChecked());

        // The menu item "Online" while online only informs.
        findAction(form, QStringLiteral("Online_Item"))->trigger();
        QCOMPARE(program.boxes.lastText(), QStringLiteral("\r\nSie befinden sich bereits im ONLINE-Modus."));
        findAction(form, QStringLiteral("Offline_Item"))->trigger();
        QVERIFY(AppState::instance().OfflineState);
        QCOMPARE(form.statusPanels()->panelText(2), QStringLiteral("Port : unbekannt"));
        QCOMPARE(form.statusPanels()->panelText(4), QStringLiteral("PIC : unbekannt"));
        QVERIFY(!findAction(form, QStringLiteral("Akku_Item"))->isEnabled());
        findAction(form, QStringLiteral("Offline_Item"))->trigger();
        QCOMPARE(program.boxes.lastText(), QStringLiteral("\r\nSie befinden sich bereits im OFFLINE-Modus."));
        Clock::install(&program.clock);
    }

    void backupNeverEmptiesAGoodCopy_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("empty PersData file: no tables, no backup") << "truncate" << int(MessageService::Yes) << false;
        QTest::newRow("foreign PersData file: no tables, no backup") << "foreign" << int(MessageService::Yes) << false;
        QTest::newRow("empty tables, keep the copy") << "fresh" << int(MessageService::No) << false;
        QTest::newRow("empty tables, replace on yes") << "fresh" << int(MessageService::Yes) << true;
    }

    // A copy that holds rows survives tables that failed to open, and empty
    // tables replace it only when the user says so.
    void backupNeverEmptiesAGoodCopy()
    {
        QFETCH(QString, damage);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        Sandbox box;
        FreshProgram program;
        const QString oldCwd = QDir::currentPath();
        const QString backup = ProgramPaths::backupDir();
        QVERIFY(QDir().mkpath(backup));
        QString dataDir;
        {
            TData seed;
            seed.addAlias(seed.privateDir());
            QVERIFY(seed.openTables());
            QVERIFY(addShooter(seed.persTable(), QStringLiteral("Meier"), QStringLiteral("Hans")));
            seed.closeTables();
            dataDir = seed.privateDir();
        }
        for (const QString &f : {"PersData.sqlite", "VData.sqlite", "ReakData.sqlite"})
            QVERIFY(QFile::copy(QDir(dataDir).filePath(f), QDir(backup).filePath(f)));
        auto bytes = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray goodCopy = bytes(QDir(backup).filePath(QStringLiteral("PersData.sqlite")));
        const QString pers = QDir(dataDir).filePath(QStringLiteral("PersData.sqlite"));
        if (damage == QLatin1String("truncate")) {
            QFile f(pers);
            QVERIFY(f.resize(0));
        } else if (damage == QLatin1String("foreign")) {
            QVERIFY(QFile::remove(pers));
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            other.setDatabaseName(pers);
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("CREATE TABLE Kunden (Id INTEGER)")));
            other.close();
            other = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        } else {
            QVERIFY(QDir(dataDir).removeRecursively());
        }
        const QByteArray damaged = bytes(pers);
        TData data;
        OpenProgramData();
        QCOMPARE(data.tablesOpen(), damage == QLatin1String("fresh"));
        if (damage != QLatin1String("fresh")) {
            QVERIFY2(program.boxes.lastText().contains(QStringLiteral("PersData.sqlite")), qPrintable(program.boxes.lastText()));
            QCOMPARE(bytes(pers), damaged);   // nothing created in it
        }
        program.boxes.answerNext(answer);
        CloseProgramData();
        QDir::setCurrent(oldCwd);
        const bool asked = program.boxes.count(
                               QStringLiteral("\r\nDie Tabelle „PersData“ ist leer, ihre Sicherung enthält 1 Einträge.\r\n"
                                              "Sicherung trotzdem durch die leere Tabelle ersetzen ?"))
                           == 1;
        QCOMPARE(asked, damage == QLatin1String("fresh"));
        QCOMPARE(bytes(QDir(backup).filePath(QStringLiteral("PersData.sqlite"))) == goodCopy, !replaced);
    }

    void backupAtEnd_data()
    {
        QTest::addColumn<bool>("folderThere");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("copied");
        QTest::newRow("folder there") << true << int(MessageService::Yes) << true;
        QTest::newRow("created on yes") << false << int(MessageService::Yes) << true;
        QTest::newRow("skipped on no") << false << int(MessageService::No) << false;
    }
    void backupAtEnd()
    {
        QFETCH(bool, folderThere);
        QFETCH(int, answer);
        QFETCH(bool, copied);
        Sandbox box;
        FreshProgram program;
        FreshProgram::store(QStringLiteral("Logfile"), QStringLiteral("1"));
        const QString oldCwd = QDir::currentPath();
        if (folderThere)
            QDir().mkpath(ProgramPaths::backupDir());
        TData data;
        InfoWindow info;
        OpenProgramData();
        addShooter(data.persTable(), QStringLiteral("Meier"), QStringLiteral("Hans"));
        program.boxes.answerNext(answer);
        CloseProgramData(&info);
        QDir::setCurrent(oldCwd);
        QCOMPARE(program.boxes.count(QStringLiteral("\r\nBackupverzeichnis nicht gefunden. Neu anlegen ?")), folderThere ? 0 : 1);
        QCOMPARE(QFile::exists(ProgramPaths::backupDir() + QStringLiteral("/PersData.sqlite")), copied);
        QCOMPARE(QFile::exists(ProgramPaths::backupDir() + QStringLiteral("/ReakData.sqlite")), copied);
        const QStringList lines = logMessages();
        QCOMPARE(lines.contains(QStringLiteral("Ausführen : Sicherung Datenbanken")), copied);
        QCOMPARE(lines.at(lines.size() - 2), QStringLiteral("Ausführen : Programm beenden"));
        QCOMPARE(lines.last(), QString());
        if (copied) {
            QCOMPARE(program.clock.sleeps, QList<int>({700, 700, 700}));
            QCOMPARE(info.text(), QStringLiteral("Bitte warten...Sichere Reaktionszeiten."));
            QVERIFY(info.isHidden());
            // The copy is a whole database with the shooter in it.
            QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("backupcheck"));
            copy.setDatabaseName(ProgramPaths::backupDir() + QStringLiteral("/PersData.sqlite"));
            QVERIFY(copy.open());
            QSqlQuery q(copy);
            QVERIFY(q.exec(QStringLiteral("SELECT Name FROM PersData")) && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("Meier"));
            q.finish();
            copy.close();
            copy = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("backupcheck"));
        }
    }

    void enablingRules()
    {
        Sandbox box;
        FreshProgram program;
        TData data;
        MainWindow form;
        OpenProgramData();
        QVERIFY(!findAction(form, QStringLiteral("Auswaehlen_Item"))->isEnabled());  // no select dialog, empty table
        QVERIFY(!findAction(form, QStringLiteral("Loeschen_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Akku_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Wiederholen_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Spurwerk_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Schnellstart_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Archiv_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Inhalt_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Test1_Item"))->isEnabled());  // test windows not in this build

        RegistryIni(RegistryKeys::Spurwerk).writeString(QStringLiteral("Config"), QStringLiteral("ProgramDir"), QStringLiteral("/usr/bin/true"));
        LoadSettings();
        ActiveShooter::instance().Name = QStringLiteral("Meyer");
        ActiveShooter::instance().Vorname = QStringLiteral("Anna");
        ActiveShooter::instance().Trainingsrunden = 7;
        ActiveShooter::instance().setActive(true);
        VR_CHILD(speedBarClose, QToolButton, form, QStringLiteral("SpeedBarClose_Button"));
        VR_CHILD(nameLabel, ElidingLabel, form, QStringLiteral("ShooterName_Label"));
        VR_CHILD(roundsLabel, QLabel, form, QStringLiteral("Trainingsrunden_Label"));
        VR_CHILD(shooterPanel, QFrame, form, QStringLiteral("Shooter_Panel"));
        speedBarClose->click();
        QVERIFY(findAction(form, QStringLiteral("Spurwerk_Item"))->isEnabled());
        QVERIFY(findAction(form, QStringLiteral("Loeschen_Item"))->isEnabled());
        QVERIFY(findAction(form, QStringLiteral("Schnellstart_Item"))->isEnabled());
        QCOMPARE(nameLabel->text(), QStringLiteral("Anna Meyer"));
        QCOMPARE(roundsLabel->text(), QStringLiteral("7"));
        QVERIFY(!shooterPanel->isHidden());

        // A name from a hand-edited table is cut, never widening the window past the screen.
        ActiveShooter::instance().Name = QString(600, u'W');
        ActiveShooter::instance().setActive(true);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.minimumSizeHint().width() < form.screen()->availableGeometry().width());
        QVERIFY(nameLabel->isElided());
        QCOMPARE(nameLabel->toolTip(), QStringLiteral("Anna ") + QString(600, u'W'));
        form.hide();

        VR_CHILD(deactivate, QToolButton, form, QStringLiteral("Deactivate_Button"));
        deactivate->click();
        QVERIFY(!ActiveShooter::instance().active);
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, -1);
        QVERIFY(shooterPanel->isHidden());
        QVERIFY(!findAction(form, QStringLiteral("Loeschen_Item"))->isEnabled());
    }

    void followsChangesWithoutTicks_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("shooter selected") << "select" << "Loeschen_Item" << true;
        QTest::newRow("shooter deactivated") << "deactivate" << "Loeschen_Item" << false;
        QTest::newRow("gone online") << "online" << "Akku_Item" << true;
        QTest::newRow("link lost") << "linklost" << "Akku_Item" << false;
        QTest::newRow("companion program set") << "settings" << "Spurwerk_Item" << true;
    }

    // Menus, shooter panel and status bar follow a change at once: no timer
    // runs, only the events already queued are handled.
    void followsChangesWithoutTicks()
    {
        QFETCH(QString, change);
        QFETCH(QString, item);
        QFETCH(bool, enabled);
        Sandbox box;
        FreshProgram program;
        TData data;
        MainWindow form;
        OpenProgramData();
        ProgramWindows windows;
        windows.akku = new BatteryWindow(&form);
        form.setWindows(windows);
        addShooter(data.persTable(), QStringLiteral("Meyer"), QStringLiteral("Anna"));
        auto selectShooter = [&] {
            QVERIFY(data.persTable()->moveTo(1));
            ActiveShooter::instance().active = true;   // as the select dialog does
            MakeActiveShooter();
        };
        if (change == QLatin1String("deactivate"))
            selectShooter();
        if (change == QLatin1String("linklost"))
            AppState::instance().setOffline(false);
        QCoreApplication::processEvents();
        QCOMPARE(findAction(form, item)->isEnabled(), !enabled);

        if (change == QLatin1String("select"))
            selectShooter();
        else if (change == QLatin1String("deactivate"))
            DeactivateActiveShooter();
        else if (change == QLatin1String("online"))
            AppState::instance().setOffline(false);
        else if (change == QLatin1String("linklost"))
            emit DeviceLinkEvents::instance().linkLost();
        else {
            RegistryIni(RegistryKeys::Spurwerk).writeString(QStringLiteral("Config"), QStringLiteral("ProgramDir"), QStringLiteral("/usr/bin/true"));
            LoadSettings();
        }
        QCoreApplication::processEvents();
        QCOMPARE(findAction(form, item)->isEnabled(), enabled);
        const bool shooter = change == QLatin1String("select");
        VR_CHILD(shooterPanel, QFrame, form, QStringLiteral("Shooter_Panel"));
        VR_CHILD(nameLabel, QLabel, form, QStringLiteral("ShooterName_Label"));
        QCOMPARE(!shooterPanel->isHidden(), shooter);
        if (shooter)
            QCOMPARE(nameLabel->text(), QStringLiteral("Anna Meyer"));
        const bool online = change == QLatin1String("online");
        QCOMPARE(findAction(form, QStringLiteral("Online_Item"))->isChecked(), online);
        if (change == QLatin1String("linklost"))
            QCOMPARE(form.statusPanels()->panelText(3), QStringLiteral("Modus : Offline"));
    }

    void titleStripClears_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("back in the main window") << "main" << true;
        QTest::newRow("modal window still open") << "modal" << false;
        QTest::newRow("busy") << "busy" << false;
        QTest::newRow("another window active") << "other" << false;
    }

    // The title strip names what the last menu action opened until the user is back.
    void titleStripClears()
    {
        QFETCH(QString, situation);
        QFETCH(bool, cleared);
        Sandbox box;
        FreshProgram program;
        TData data;
        MainWindow form;
        OpenProgramData();
        form.show();
        QApplication::setActiveWindow(&form);
        QVERIFY(QTest::qWaitForWindowActive(&form));
        VR_CHILD(test1, QPushButton, form, QStringLiteral("Test1_Button"));
        test1->setFocus();
        QDialog other(&form);
        if (situation == QLatin1String("modal")) {
            other.setModal(true);
            other.show();
        } else if (situation == QLatin1String("other")) {
            other.show();
            QApplication::setActiveWindow(&other);
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        AppState::instance().setBusyTitle(situation == QLatin1String("busy"));
        AppState::instance().setActivityTitle(QStringLiteral("Schützenübersicht"));
        auto *title = form.findChild<QLabel *>(QStringLiteral("Title_Label"));
        QCOMPARE(AppState::instance().ActivityTitle.isEmpty(), cleared);
        QCOMPARE(title->text().isEmpty(), cleared);
    }

    void testStartFlow()
    {
        Sandbox box;
        FreshProgram program;
        FreshProgram::store(QStringLiteral("Logfile"), QStringLiteral("1"));
        TData data;
        MainWindow form;
        OpenProgramData();
        addShooter(data.persTable(), QStringLiteral("Meyer"), QStringLiteral("Anna"));
        addShooter(data.persTable(), QStringLiteral("Zander"), QStringLiteral("Tom"));
        int setups = 0, runs = 0;
        bool setupAnswer = false;
        int seriesCount = 5;
        TestEntry entry;
        entry.setup = [&] { ++setups; return setupAnswer; };
        entry.run = [&] { ++runs; };
        entry.describe = [&] {
            LastMeasurement last;
            last.seriesCount = seriesCount;
            last.spacing = 2;
            return last;
        };
        entry.snapshot = [&] {
            const int kept = seriesCount;
            return std::function<void()>([&seriesCount, kept] { seriesCount = kept; });
        };
        form.registerTest(1, entry);
        QVERIFY(findAction(form, QStringLiteral("Test1_Item"))->isEnabled());
        QVERIFY(!findAction(form, QStringLiteral("Test2_Item"))->isEnabled());

        // No shooter, answer No: nothing happens.
        program.boxes.answerNext(MessageService::No);
        form.startTest(1);
        QCOMPARE(program.boxes.lastText(), QStringLiteral("Es wurde noch keine Schütze ausgewählt.\r\n\r\nJetzt wählen und fortfahren ?"));
        QCOMPARE(setups, 0);
        QVERIFY(logMessages().filter(QStringLiteral("Einfachreaktionstest")).isEmpty());

        // Setup cancelled: start line logged, no test window.
        ActiveShooter::instance().active = true;
        ActiveShooter::instance().Name = QStringLiteral("Meyer");
        ActiveShooter::instance().Vorname = QStringLiteral("Anna");
        form.startTest(1);
        QCOMPARE(setups, 1);
        QCOMPARE(runs, 0);
        QVERIFY(logMessages().contains(QStringLiteral("Ausführen : [Start] Einfachreaktionstest")));
        QVERIFY(!findAction(form, QStringLiteral("Wiederholen_Item"))->isEnabled());

        // Setup confirmed while another shooter is the current row: the active one becomes current.
        data.persTable()->moveTo(2);
        setupAnswer = true;
        form.startTest(1);
        QCOMPARE(runs, 1);
        QCOMPARE(data.persTable()->fieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Meyer"));
        QCOMPARE(AppState::instance().ActivityTitle, QStringLiteral("Messwerterfassung"));
        QVERIFY(findAction(form, QStringLiteral("Wiederholen_Item"))->isEnabled());
        QCOMPARE(form.lastMeasurement().test, 1);
        QCOMPARE(form.lastMeasurement().seriesCount, 5);
        QCOMPARE(form.lastMeasurement().spacing, 2);

        // Repeat: no setup dialog, the recorded values come back.
        seriesCount = 99;
        findAction(form, QStringLiteral("Wiederholen_Item"))->trigger();
        QCOMPARE(setups, 2);
        QCOMPARE(runs, 2);
        QCOMPARE(seriesCount, 5);

        // The active shooter's record is gone: no test, a clear message.
        QVERIFY(data.persTable()->moveTo(1));
        QVERIFY(data.persTable()->deleteCurrent());
        form.startTest(1);
        QCOMPARE(runs, 2);
        QVERIFY(program.boxes.lastText().contains(QLatin1String("nicht mehr in der Datenbank")));
        QVERIFY(!ActiveShooter::instance().active);
    }

    void batteryGaugePixels()
    {
        const int w = 300;
        auto render = [&](bool offline, double volts) {
            QImage img(w + 150, 20, QImage::Format_RGB32);
            img.fill(Qt::white);
            QPainter p(&img);
            p.setBrush(Qt::black);
            StatusPanels::drawBatteryGauge(p, QRect(w, 0, 150, 20), w, offline, volts);
            p.end();
            return img;
        };
        const QRgb green = qRgb(0, 255, 0), red = qRgb(255, 0, 0), grey = qRgb(128, 128, 128);
        QImage full = render(false, 9.5);
        const int y = 10;
        for (int x = w + 61; x <= w + 108; ++x)
            QCOMPARE(full.pixel(x, y), green);
        QImage high = render(false, 12.0);   // beyond the scale: the fill stops before the frame
        QCOMPARE(high.pixel(w + 108, y), green);
        QCOMPARE(high.pixel(w + 109, y), grey);
        QImage low = render(false, 5.7);      // 30 units
        QCOMPARE(low.pixel(w + 61, y), red);
        QCOMPARE(low.pixel(w + 90, y), red);
        QCOMPARE(low.pixel(w + 91, y), grey);
        QImage six = render(false, 6.0);      // not above 6.0: red
        QCOMPARE(six.pixel(w + 61, y), red);
        // Offline or without a reading: only the text, no bar.
        for (const QImage &img : {render(true, 9.0), render(false, -1.0)})
            for (int x = w; x < w + 150; ++x)
                for (int yy = 0; yy < 20; ++yy)
                    QVERIFY(img.pixel(x, yy) != green && img.pixel(x, yy) != red && img.pixel(x, yy) != grey);
    }

    void statusPanelWidthFollowsWindow()
    {
        Sandbox box;
        FreshProgram program;
        MainWindow form;
        form.resize(1000, 600);
        form.show();
        QCOMPARE(form.statusPanels()->panelWidth(0), form.width() - 470);
        QCOMPARE(form.statusPanels()->panelLeft(1), form.width() - 470);
    }

    void logViewerShowAndDelete()
    {
        Sandbox box;
        FreshProgram program;
        Settings::instance().Logfile = true;
        Settings::instance().Benutzer = QStringLiteral("Trainer");
        MainWindow form;
        WriteLogLine(QStringLiteral("Ausführen : Debug Mode"));
        findAction(form, QStringLiteral("Logfile_Item"))->trigger();
        VR_CHILD(work, QStackedWidget, form, QStringLiteral("Work_Area"));
        VR_CHILD(memo, QPlainTextEdit, form, QStringLiteral("Log_Memo"));
        VR_CHILD(logDelete, QPushButton, form, QStringLiteral("LogDelete_Button"));
        QCOMPARE(work->currentWidget()->objectName(), QStringLiteral("Log_Panel"));
        const QString shown = memo->toPlainText();
        QVERIFY2(shown.endsWith(QStringLiteral("Trainer --- Ausführen : Debug Mode")), qPrintable(shown));
        QVERIFY(AppState::instance().BusyTitle);
        QCOMPARE(AppState::instance().ActivityTitle, QStringLiteral("Logfile"));

        program.boxes.answerNext(MessageService::No);
        logDelete->click();
        QVERIFY(QFile::exists(ProgramPaths::logFile()));
        QCOMPARE(work->currentWidget()->objectName(), QStringLiteral("Log_Panel"));
        program.boxes.answerNext(MessageService::Yes);
        logDelete->click();
        QCOMPARE(program.boxes.lastText(), QStringLiteral("\r\nWollen Sie die Log-Datei wirklich löschen ?"));
        QVERIFY(!QFile::exists(ProgramPaths::logFile()));
        QVERIFY(work->currentWidget()->objectName() != QLatin1String("Log_Panel"));
        QVERIFY(!AppState::instance().BusyTitle);
    }

    void helpHistoryRules()
    {
        HelpHistory h(3);
        QVERIFY(!h.canGoBack() && !h.canGoForward());
        h.visit(QStringLiteral("a"));
        h.visit(QStringLiteral("b"));
        h.visit(QStringLiteral("c"));
        h.visit(QStringLiteral("d"));     // limit 3: "a" is dropped
        QCOMPARE(h.count(), 3);
        QVERIFY(h.canGoBack() && !h.canGoForward());
        QVERIFY(h.back());
        QVERIFY(h.back());
        QCOMPARE(h.current(), QStringLiteral("b"));
        QVERIFY(!h.canGoBack() && h.canGoForward());
        QVERIFY(!h.back());
        QVERIFY(h.forward());
        QCOMPARE(h.current(), QStringLiteral("c"));
        h.visit(QStringLiteral("e"));     // the newer "d" is dropped
        QCOMPARE(h.count(), 3);
        QCOMPARE(h.index(), 0);
        QVERIFY(h.back());
        QCOMPARE(h.current(), QStringLiteral("c"));
    }

    void helpPaneShowsPagesAndButtons()
    {
        Sandbox box;
        FreshProgram program;
        QDir(ProgramPaths::programDir()).mkpath(QStringLiteral("HtmlHelp"));
        for (int n : {1000, 1200}) {
            QFile f(ProgramPaths::helpDir() + QStringLiteral("/%1.htm").arg(n));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QStringLiteral("<html><body><p>Seite %1</p></body></html>").arg(n).toUtf8());
        }
        TData data;
        MainWindow form;
        OpenProgramData();
        form.showHelpTopic(1000);
        QVERIFY(form.helpPaneOpen());
        QCOMPARE(AppState::instance().ActivityTitle, QStringLiteral("Online-Hilfe"));
        VR_CHILD(back, QPushButton, form, QStringLiteral("Back_Button"));
        VR_CHILD(forward, QPushButton, form, QStringLiteral("Forward_Button"));
        VR_CHILD(browser, QTextBrowser, form, QStringLiteral("Help_Browser"));
        QVERIFY(!back->isEnabled() && !forward->isEnabled());
        form.showHelpTopic(1200);
        QVERIFY(back->isEnabled() && !forward->isEnabled());
        QVERIFY(browser->toPlainText().contains(QLatin1String("Seite 1200")));
        back->click();
        QVERIFY(browser->toPlainText().contains(QLatin1String("Seite 1000")));
        QVERIFY(!back->isEnabled() && forward->isEnabled());
        form.showHelpTopic(4711);  // missing page: a German note, no crash
        QVERIFY(browser->toPlainText().contains(QLatin1String("nicht gefunden")));
    }

    void shippedHelpPagesCoverEveryMenuNumber()
    {
        const QString dir = QStringLiteral(VR_SOURCE_DIR "/data/HtmlHelp");
        MainWindow form;
        QSet<int> numbers{1000, 1200};
        for (QAction *a : form.findChildren<QAction *>())
            if (a->property("helpNumber").isValid())
                numbers.insert(a->property("helpNumber").toInt());
        for (int n : numbers)
            QVERIFY2(QFile::exists(dir + QStringLiteral("/%1.htm").arg(n)), qPrintable(QString::number(n)));
    }

    void spurwerkLaunchFailure()
    {
        Sandbox box;
        FreshProgram program;
        Settings::instance().Logfile = true;
        Settings::instance().ProgramDir = box.path(QStringLiteral("fehlt/spurwerk.exe")) + QStringLiteral(" -x");
        MainWindow form;
        form.launchSpurwerk();
        QCOMPARE(program.boxes.lastText(), QStringLiteral("Fehler beim Ausführen von Vantrel Spurwerk."));
        QVERIFY(logMessages().contains(QStringLiteral("Ausführen : [Fehler] Vantrel Spurwerk (Code 3)")));
        QVERIFY(MainWindow::execCommandLine(QStringLiteral("/bin/true")));
        int code = 0;
        QVERIFY(!MainWindow::execCommandLine(QStringLiteral("/bin/no-such-program-here"), &code));
        QCOMPARE(code, 2);
    }

    void webLinksLogAndOpen()
    {
        Sandbox box;
        FreshProgram program;
        Settings::instance().Logfile = true;
        MainWindow form;
        QStringList opened;
        form.openUrl = [&](const QString &u) { opened << u; return true; };
        findAction(form, QStringLiteral("FAQ_Item"))->trigger();
        findAction(form, QStringLiteral("EMail_Item"))->trigger();
        QCOMPARE(opened.size(), 2);
        QVERIFY(opened.at(1).startsWith(QLatin1String("mailto:")));
        QCOMPARE(logMessages(), QStringList({QStringLiteral("Ausführen : Verbinden mit Webseite (FAQ)"), QStringLiteral("Ausführen : Senden E-Mail")}));
    }
};

VR_TEST_CLASS(MainWindowTest)
#include "mainwindow_test.moc"
