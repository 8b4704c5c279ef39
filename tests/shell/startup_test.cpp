#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "shell/actionlog.h"
#include "shell/appstate.h"
#include "shell/main_form.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shooters/activeshooter.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>

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
        const Settings saved = Settings::instance();
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
                auto *main = qobject_cast<TMain_Form *>(w);
                if (main && main->isVisible()) {
                    sawMainWindow = true;
                    closer.stop();
                    main->close();
                }
            }
        });
        closer.start();
        const int result = RunProgram(*qApp);
        Settings::instance() = saved;
        AppState::instance() = AppState();
        ActiveShooter::instance() = ActiveShooter();

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
        QCOMPARE(LoadLogIntoViewer().last(), QString());
        QVERIFY(QFile::exists(box.path(QStringLiteral("prog/Daten/PersData.sqlite"))));
    }
};

VR_TEST_CLASS(StartupTest)
#include "startup_test.moc"
