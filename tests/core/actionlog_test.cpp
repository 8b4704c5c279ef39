#include "platform/programpaths.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
const QString kOpenError = QStringLiteral("\r\nFehler beim Öffnen der Logdatei.");

QByteArray logBytes()
{
    QFile f(ProgramPaths::logFile());
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

// Logging on with the given user for one test (in a sandbox, which resets the record afterwards).
struct LogOn
{
    explicit LogOn(const QString &user)
    {
        Settings::instance().Logfile = true;
        Settings::instance().Benutzer = user;
    }
};
} // namespace

class ActionLogTest : public QObject
{
    Q_OBJECT
private slots:
    void lineLayoutGerman()
    {
        Sandbox box;
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        FakeClock clock;
        ScriptedMessages boxes;
        LogOn on(QStringLiteral("Jörg"));
        WriteLogLine(QStringLiteral("Ausführen : Programm beenden"));
        WriteLogLine(QString());
        Settings::instance().Benutzer.clear();
        WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden MF"));
        QCOMPARE(logBytes(), QByteArray("06.12.2026 22:41:07 - J\xF6rg --- Ausf\xFChren : Programm beenden\r\n"
                                        "\r\n"
                                        "06.12.2026 22:41:07 -  --- Initialisierung : [Start] Laden MF\r\n"));
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(clock.pumps(), 0);   // writing a line runs no events
        QCOMPARE(LoadLogIntoViewer(),
                 QStringList({QStringLiteral("06.12.2026 22:41:07 - Jörg --- Ausführen : Programm beenden"), QString(),
                              QStringLiteral("06.12.2026 22:41:07 -  --- Initialisierung : [Start] Laden MF")}));
    }

    void timestampFormats()
    {
        const QDateTime t(QDate(2026, 12, 6), QTime(22, 41, 7));
        const QLocale de(QLocale::German, QLocale::Germany);
        QCOMPARE(LogTimestamp(t, de), QStringLiteral("06.12.2026 22:41:07"));
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(LogTimestamp(t, us), QStringLiteral("12/6/2026 10:41:07 PM"));
        const QLocale morning(QLocale::German, QLocale::Germany);
        QCOMPARE(LogTimestamp(QDateTime(QDate(2027, 1, 2), QTime(8, 5, 9)), morning), QStringLiteral("02.01.2027 08:05:09"));
        // Neither a two-digit year nor a time zone in any of these.
        for (const QLocale &l : {de, us, QLocale(QLocale::English, QLocale::UnitedKingdom), QLocale(QLocale::French, QLocale::France)}) {
            QVERIFY2(LogDateFormat(l).contains(QLatin1String("yyyy")), qPrintable(LogDateFormat(l)));
            QVERIFY2(!LogTimeFormat(l).contains(u't'), qPrintable(LogTimeFormat(l)));
        }
    }

    void englishLineIsPlainAnsi()
    {
        Sandbox box;
        box.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        FakeClock clock;
        ScriptedMessages boxes;
        LogOn on(QStringLiteral("Coach"));
        WriteLogLine(QStringLiteral("Ausführen : Debug Mode"));
        QCOMPARE(logBytes(), QByteArray("12/6/2026 10:41:07 PM - Coach --- Ausf\xFChren : Debug Mode\r\n"));
    }

    void loggingOffTouchesNothing()
    {
        Sandbox box;
        ScriptedMessages boxes;
        Settings::instance().Logfile = false;
        WriteLogLine(QStringLiteral("Ausführen : Programm beenden"));
        WriteLogLine(QString());
        QVERIFY(!QFile::exists(ProgramPaths::logFile()));
        QCOMPARE(boxes.count(), 0);
    }

    void unopenableFileShowsMessageEachTime()
    {
        Sandbox box;
        FakeClock clock;
        ScriptedMessages boxes;
        LogOn on{QString()};
        QVERIFY(QDir().mkpath(ProgramPaths::logFile()));  // a folder where the file should be
        WriteLogLine(QStringLiteral("Ausführen : Datenbanken öffnen"));
        WriteLogLine(QStringLiteral("Ausführen : Datenbanken öffnen"));
        QCOMPARE(boxes.count(kOpenError), 2);
        QCOMPARE(boxes.shown().first().kind, MessageService::Kind::Error);
    }

    void writeErrorAfterOpenIsReportedNotThrown()
    {
#ifdef Q_OS_LINUX
        Sandbox box;
        FakeClock clock;
        ScriptedMessages boxes;
        LogOn on(QStringLiteral("x"));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), ProgramPaths::logFile()));
        WriteLogLine(QStringLiteral("Ausführen : Sicherung Datenbanken"));
        QCOMPARE(boxes.count(kOpenError), 1);
        WriteLogLine(QStringLiteral("Ausführen : Programm beenden"));
        QCOMPARE(boxes.count(kOpenError), 2);
#else
        QSKIP("needs /dev/full");
#endif
    }

    void clearAndRecreate()
    {
        Sandbox box;
        FakeClock clock;
        ScriptedMessages boxes;
        ClearLogFile();  // no file: no error
        QCOMPARE(LoadLogIntoViewer(), QStringList());
        LogOn on(QStringLiteral("A"));
        WriteLogLine(QStringLiteral("eins"));
        QVERIFY(QFile::exists(ProgramPaths::logFile()));
        ClearLogFile();
        QVERIFY(!QFile::exists(ProgramPaths::logFile()));
        WriteLogLine(QStringLiteral("zwei"));
        QCOMPARE(LoadLogIntoViewer().size(), 1);
        QVERIFY(LoadLogIntoViewer().first().endsWith(QLatin1String("- A --- zwei")));
        QCOMPARE(boxes.count(), 0);

        // The viewer reads the file whatever the setting says, also LF-only files.
        Settings::instance().Logfile = false;
        QFile f(ProgramPaths::logFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a\nb\r\n\r\nc");
        f.close();
        QCOMPARE(LoadLogIntoViewer(), QStringList({QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("c")}));
    }
};

VR_TEST_CLASS(ActionLogTest)
#include "actionlog_test.moc"
