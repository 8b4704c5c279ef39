#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "app/mainwindow.h"
#include "support/findaction.h"
#include "core/settings.h"
#include "app/datasession.h"
#include "app/startup.h"
#include "shooters/activeshooter.h"
#include "store/databasetarget.h"
#include "store/tdata.h"
#include "support/child.h"
#include "support/fakeclock.h"
#include "support/pgcluster.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QRadioButton>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The program's main window once it is shown; nullptr before.
MainWindow *visibleMainWindow()
{
    MainWindow *main = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *m = qobject_cast<MainWindow *>(w); m && m->isVisible())
            main = m;
    return main;
}
// A loopback port where nothing listens: bound once to get a free number, then closed.
int closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    // The whole program once: start, every window created once, end without backup.
    void startAndEnd()
    {
        Sandbox box;
        FakeClock clock;
        ScriptedMessages boxes;
        {
            RegistryIni reg(RegistryKeys::Main);
            reg.writeString(QStringLiteral("Config"), QStringLiteral("Logfile"), QStringLiteral("1"));
        }
        boxes.answerNext(MessageService::No);  // no backup folder: do not create it
        bool sawMainWindow = false;
        QTimer closer;
        closer.setInterval(20);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *main = qobject_cast<MainWindow *>(w);
                if (main && main->isVisible()) {
                    sawMainWindow = true;
                    closer.stop();
                    main->close();
                    main->close();   // a second close ends nothing twice
                }
            }
        });
        closer.start();
        const int result = RunProgram(*qApp);

        QCOMPARE(result, 0);
        QVERIFY(sawMainWindow);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.lastText(), QStringLiteral("\r\nBackupverzeichnis nicht gefunden. Neu anlegen ?"));
        QStringList messages;
        for (const QString &line : LoadLogIntoViewer())
            messages << line.mid(line.indexOf(QLatin1String(" --- ")) + 5);
        const QStringList order = {QStringLiteral("Initialisierung : [Start] Laden MF"), QStringLiteral("Initialisierung : [Erfolg] Laden MF"),
                                   QStringLiteral("Initialisierung : [Start] Laden AKF"), QStringLiteral("Initialisierung : [Start] Laden CF"),
                                   QStringLiteral("Initialisierung : [Start] Laden PF"), QStringLiteral("Initialisierung : [Start] Laden PSF"),
                                   QStringLiteral("Initialisierung : [Start] Laden ERS1F"), QStringLiteral("Initialisierung : [Start] Laden ERViewF"),
                                   QStringLiteral("Initialisierung : [Start] Laden ERS2F"), QStringLiteral("Initialisierung : [Start] Laden ER1F"),
                                   QStringLiteral("Ausführen : Programm beenden")};
        int at = -1;
        for (const QString &m : order) {
            const int next = messages.indexOf(m, at + 1);
            QVERIFY2(next > at, qPrintable(m));
            at = next;
        }
        QVERIFY(!messages.contains(QStringLiteral("Ausführen : Sicherung Datenbanken")));
        QCOMPARE(messages.count(QStringLiteral("Ausführen : Programm beenden")), 1);
        QCOMPARE(LoadLogIntoViewer().last(), QString());
        QVERIFY(QFile::exists(box.path(QStringLiteral("prog/Daten/PersData.sqlite"))));
    }

    // A new user: add a shooter with a sight profile through the menu, choose
    // the shooter and see it in the active-shooter panel.
    void firstShooterThroughTheMenus()
    {
        Sandbox box;
        FakeClock clock;
        ScriptedMessages boxes;
        boxes.answerNext(MessageService::No);  // no backup folder at the end
        int step = 0;
        QString panelName;
        int profiles = -1;
        QTimer driver;
        driver.setInterval(20);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            MainWindow *main = visibleMainWindow();
            if (!main)
                return;
            const QString name = modal ? modal->objectName() : QString();
            // A missing part has failed the test: end the program instead of waiting for it.
            const auto giveUp = [&] {
                driver.stop();
                if (modal)
                    modal->close();
                main->close();
            };
            if (step == 0 && !modal) {
                step = 1;
                // Dialogs run their own loops: start them from a fresh event, not inside this one.
                QTimer::singleShot(0, findAction(*main, QStringLiteral("Hinzufuegen_Item")), &QAction::trigger);
            } else if (step == 1 && name == QLatin1String("PersNeu_Form")) {
                auto *nameEdit = child<QLineEdit>(modal, QStringLiteral("Name_Edit"));
                auto *vornameEdit = child<QLineEdit>(modal, QStringLiteral("Vorname_Edit"));
                auto *club = child<QComboBox>(modal, QStringLiteral("Sportverein_ComboBox"));
                auto *born = child<QLineEdit>(modal, QStringLiteral("Geburtsdatum_Picker"));
                auto *sight = child<QPushButton>(modal, QStringLiteral("Visier_Button"));
                if (!nameEdit || !vornameEdit || !club || !born || !sight)
                    return giveUp();
                nameEdit->setText(QStringLiteral("Meyer"));
                vornameEdit->setText(QStringLiteral("Anna"));
                club->setEditText(QStringLiteral("SV Tell"));
                born->setText(QStringLiteral("02.07.2005"));
                step = 2;
                QTimer::singleShot(0, sight, &QPushButton::click);
            } else if (step == 2 && name == QLatin1String("PersVis_Form")) {
                step = 3;
                auto *ok = child<QPushButton>(modal, QStringLiteral("OK_Button"));
                if (!ok)
                    return giveUp();
                ok->click();
            } else if (step == 3 && name == QLatin1String("PersNeu_Form")) {
                step = 4;
                auto *ok = child<QPushButton>(modal, QStringLiteral("OK_Button"));
                if (!ok)
                    return giveUp();
                ok->click();
            } else if (step == 4 && !modal) {
                step = 5;
                QTimer::singleShot(0, findAction(*main, QStringLiteral("Auswaehlen_Item")), &QAction::trigger);
            } else if (step == 5 && name == QLatin1String("PersSel_Form")) {
                step = 6;
                auto *list = child<QAbstractItemView>(modal, QStringLiteral("Pers_List"));
                auto *ok = child<QPushButton>(modal, QStringLiteral("OK_Button"));
                if (!list || !ok)
                    return giveUp();
                list->setCurrentIndex(list->model()->index(0, 0));
                ok->click();
            } else if (step == 6 && !modal) {
                auto *nameLabel = child<QLabel>(main, QStringLiteral("ShooterName_Label"));
                if (!nameLabel)
                    return giveUp();
                panelName = nameLabel->text();
                profiles = TData::instance()->visierTable()->recordCount();
                step = 7;
                driver.stop();
                main->close();
            }
        });
        driver.start();
        QCOMPARE(RunProgram(*qApp), 0);
        QCOMPARE(step, 7);
        QCOMPARE(panelName, QStringLiteral("Anna Meyer"));
        QCOMPARE(profiles, 1);
        QCOMPARE(boxes.count(), 1);
    }

    // The settings name a club server that is not running: the start says which
    // server and port, the program runs on without tables and its settings still open.
    void serverAwayAtStart()
    {
        Sandbox box;
        FakeClock clock;
        ScriptedMessages boxes;
        const int port = closedPort();
        QVERIFY(port > 0);
        DatabaseTarget::server(QStringLiteral("127.0.0.1"), port, QStringLiteral("vantrel"), QStringLiteral("stand1")).writeSettings();
        int step = 0;
        int messagesAtStart = -1;
        bool serverShown = false;
        QTimer driver;
        driver.setInterval(20);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            MainWindow *main = visibleMainWindow();
            if (!main)
                return;
            if (step == 0 && !modal) {
                step = 1;
                messagesAtStart = boxes.count();
                QTimer::singleShot(0, findAction(*main, QStringLiteral("Einstellungen_Item")), &QAction::trigger);
            } else if (step == 1 && modal && modal->objectName() == QLatin1String("Config_Form")) {
                auto *server = child<QRadioButton>(modal, QStringLiteral("Vereinsserver_Radio"));
                serverShown = server && server->isChecked();
                step = 2;
                modal->close();
            } else if (step == 2 && !modal) {
                driver.stop();
                main->close();
            }
        });
        driver.start();
        QCOMPARE(RunProgram(*qApp), 0);
        QCOMPARE(step, 2);
        QVERIFY(serverShown);
        QVERIFY(!boxes.shown().isEmpty());
        const MessageService::Kind kind = boxes.shown().first().kind;
        const QString text = boxes.shown().first().text;
        QCOMPARE(kind, MessageService::Kind::Error);
        QVERIFY2(text.contains(QLatin1String("127.0.0.1")) && text.contains(QStringLiteral("Port %1").arg(port))
                     && text.contains(QLatin1String("nimmt keine Verbindung an")),
                 qPrintable(text));
        // Nothing else at start, nothing about a backup of tables that never opened at the end.
        QCOMPARE(messagesAtStart, 1);
        QCOMPARE(boxes.count(), 1);
    }

    // On the club server the end of the program neither asks for a backup
    // folder nor copies files; the log says why.
    void noFileBackupOnTheServer()
    {
        Sandbox box;
        FakeClock clock;
        ScriptedMessages boxes;
        PgCluster server;
        QVERIFY2(server.start(), qPrintable(server.error()));
        DatabaseTarget::server(server.host(), server.port(), server.databaseName(), server.userName()).writeSettings();
        RegistryIni(RegistryKeys::Main).writeString(QStringLiteral("Config"), QStringLiteral("Logfile"), QStringLiteral("1"));
        {
            TData data;
            OpenProgramData();
            QVERIFY2(data.tablesOpen(), qPrintable(boxes.lastText()));
            QVERIFY(Settings::instance().Backup);
            CloseProgramData(nullptr);
        }
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!QDir(ProgramPaths::backupDir()).exists());
        QVERIFY(LoadLogIntoViewer().filter(QStringLiteral("keine Sicherung in Dateien")).size() == 1);
    }
};

VR_TEST_CLASS(StartupTest)
#include "startup_test.moc"
