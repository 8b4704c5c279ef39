#include "storefixture.h"

#include "store/storeerror.h"
#include "support/testmain.h"

#include <QFile>
#include <QFileDevice>
#include <cerrno>
#include <QSqlError>

namespace {

// Records what the store hands to the action log.
struct LogHookRecorder
{
    QStringList lines;
    LogHookRecorder()
    {
        SetStoreLogHook([this](const QString &line) { lines << line; });
    }
    ~LogHookRecorder() { SetStoreLogHook(StoreLogHook()); }
    bool logged(const QString &original) const
    {
        return lines.contains(QStringLiteral("Ausführen : [Fehler] Datenbank meldet: ") + original);
    }
};

// Words of the driver's English that must not reach a message.
bool hasDriverEnglish(const QString &text)
{
    for (const char *word : {"database", "constraint", "malformed", "denied", "unable", "such table", "disk",
                             "locked", "readonly", "Unable to"})
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

// The driver's English becomes German; the original goes to the log only.
class StoreErrorTest : public QObject
{
    Q_OBJECT
private slots:
    void translations_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("shooter");
        QTest::addColumn<QString>("german");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("readOnly");
        const QString damaged = "die Datei ist beschädigt oder keine Datenbank; bitte holen Sie sie aus der Sicherung zurück.";
        const QString noAccess = "die Datei kann nicht geöffnet werden: keine Zugriffsrechte, oder der Ordner ist nicht erreichbar.";
        const QString foreign = "die Datei enthält keine Tabelle dieses Programms oder eine Tabelle anderen Aufbaus.";
        const QString busy = "die Datenbank ist gesperrt, sie wird gerade von einem anderen Programm benutzt.";
        const QString readOnly = "die Datei ist schreibgeschützt; Änderungen und neue Ergebnisse können nicht gespeichert werden.";
        auto row = [](const char *name, const QString &driver, const QString &shooter, const QString &german,
                      bool isBusy = false, bool isReadOnly = false) {
            QTest::newRow(name) << driver << shooter << german << isBusy << isReadOnly;
        };
        row("malformed", "database disk image is malformed Unable to execute statement", {}, damaged);
        row("not a database", "file is not a database Unable to execute statement", {}, damaged);
        row("encrypted", "file is encrypted or is not a database", {}, damaged);
        row("read-only", "attempt to write a readonly database Unable to fetch row", {}, readOnly, false, true);
        row("cannot open", "unable to open database file Error opening database", {}, noAccess);
        row("permission denied", "Permission denied", {}, noAccess);
        row("disk full", "database or disk is full Unable to fetch row", {}, "der Datenträger ist voll.");
        row("I/O error", "disk I/O error Unable to fetch row", {}, "Lese- oder Schreibfehler auf dem Datenträger.");
        row("locked", "database is locked Unable to begin transaction", {}, busy, true);
        row("table locked", "database table is locked", {}, busy, true);
        row("duplicate shooter, names known", "UNIQUE constraint failed: PersData.Name, PersData.Vorname Unable to fetch row",
            "Meyer, Anna", "Ein Schütze „Meyer, Anna“ ist bereits vorhanden.");
        row("duplicate shooter, names unknown", "UNIQUE constraint failed: PersData.Name, PersData.Vorname", {},
            "Ein Schütze mit diesem Namen und Vornamen ist bereits vorhanden.");
        row("older duplicate text", "columns Name, Vorname are not unique", "Meyer, Anna",
            "Ein Schütze „Meyer, Anna“ ist bereits vorhanden.");
        row("no such table", "no such table: reak.ReakData Unable to execute statement", {}, foreign);
        row("no such column", "no such column: Trainingsrunden Unable to execute statement", {}, foreign);
        row("anything else", "near \"SELEC\": syntax error", {},
            "unerwarteter Fehler der Datenbank (Näheres im Aktionsprotokoll).");
    }

    void translations()
    {
        QFETCH(QString, driver);
        QFETCH(QString, shooter);
        QFETCH(QString, german);
        QFETCH(bool, busy);
        QFETCH(bool, readOnly);
        LogHookRecorder log;
        const QString text = StoreErrorText(driver, shooter);
        QCOMPARE(text, german);
        QVERIFY(log.logged(driver));
        QCOMPARE(log.lines.size(), 1);
        // The checks that decide a message work on the German as well.
        QCOMPARE(IsBusyError(QStringLiteral("Fehler beim Schreiben in die Tabelle „ReakData“: ") + text), busy);
        QCOMPARE(IsReadOnlyError(QStringLiteral("Die Datenbank „x“ kann nicht geöffnet werden: ") + text), readOnly);
        // The same through the driver's error object.
        QCOMPARE(StoreErrorText(QSqlError(driver, QString(), QSqlError::StatementError), shooter), german);
    }

    void driverCodeWhereTheTextSaysNothing()
    {
        LogHookRecorder log;
        QCOMPARE(StoreErrorText(QSqlError(QStringLiteral("Fehler 13"), QString(), QSqlError::StatementError,
                                          QStringLiteral("13"))),
                 QStringLiteral("der Datenträger ist voll."));
        QCOMPARE(StoreErrorText(QSqlError(QStringLiteral("x"), QString(), QSqlError::StatementError,
                                          QStringLiteral("2067")),
                                QStringLiteral("Meyer, Anna")),
                 QStringLiteral("Ein Schütze „Meyer, Anna“ ist bereits vorhanden."));
    }

    void systemTexts_data()
    {
        QTest::addColumn<int>("fileError");   // QFileDevice::FileError, or -1: an errno
        QTest::addColumn<int>("errnum");
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("german");
        QTest::newRow("file: permission denied") << int(QFileDevice::OpenError) << 0 << "Permission denied"
                                                 << "die Datei kann nicht geöffnet werden: keine Zugriffsrechte, oder "
                                                    "der Ordner ist nicht erreichbar.";
        QTest::newRow("file: read error") << int(QFileDevice::ReadError) << 0 << "Input/output error"
                                          << "Lese- oder Schreibfehler auf dem Datenträger.";
        QTest::newRow("file: something else") << int(QFileDevice::UnspecifiedError) << 0 << "Unknown error"
                                              << "unerwarteter Fehler des Dateisystems (Näheres im Aktionsprotokoll).";
        QTest::newRow("rename: disk full") << -1 << int(ENOSPC) << "No space left on device" << "Der Datenträger ist voll.";
        QTest::newRow("rename: no rights") << -1 << int(EACCES) << "Permission denied" << "Keine Schreibrechte.";
    }

    // File and system errors of the store (copies, checks) the same way.
    void systemTexts()
    {
        QFETCH(int, fileError);
        QFETCH(int, errnum);
        QFETCH(QString, system);
        QFETCH(QString, german);
        LogHookRecorder log;
        QCOMPARE(fileError >= 0 ? StoreFileErrorText(fileError, system) : StoreSystemErrorText(errnum, system), german);
        QVERIFY(log.logged(system));
    }

    void faultsOfRealFiles_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("german");   // part of the message
        QTest::addColumn<QString>("english");  // part of the logged original
        QTest::newRow("damaged PersData") << "damaged" << "beschädigt" << "malformed";
        QTest::newRow("ReakData table dropped") << "dropped" << "keine Tabelle dieses Programms" << "no such table";
        QTest::newRow("disk full on write") << "full" << "der Datenträger ist voll." << "database or disk is full";
        QTest::newRow("duplicate shooter") << "duplicate" << "Ein Schütze „Meyer, Anna“ ist bereits vorhanden." << "";
    }

    // Faults of real table files: the message is German and names the file or
    // table, the English stays in the log.
    void faultsOfRealFiles()
    {
        QFETCH(QString, fault);
        QFETCH(QString, german);
        QFETCH(QString, english);
        if (storeOnServer() && fault == QLatin1String("damaged"))
            QSKIP("Eine beschädigte Datei gibt es nur im Datenordner.");
        if (storeOnServer() && fault == QLatin1String("dropped"))
            english = QStringLiteral("does not exist");   // PostgreSQL's words
        LogHookRecorder log;
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QString message;
        if (fault == QLatin1String("damaged")) {
            fx.data->closeTables();
            QFile file(fx.persFile());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(100));  // past the header: the schema page
            QVERIFY(file.write(QByteArray(3000, '\x5A')) == 3000);
            file.close();
            QVERIFY(!fx.data->openTables());
            message = fx.data->errorText();
            QVERIFY2(message.contains(QStringLiteral("PersData.sqlite")), qPrintable(message));
        } else if (fault == QLatin1String("dropped")) {
            bool ok = false;
            sqlOnFile(fx.reakFile(), QStringLiteral("DROP TABLE ReakData"), {}, &ok);
            QVERIFY(ok);
            QVERIFY(!fx.data->openResultQuery(TData::Query::EFR, QStringLiteral("Meyer"), QStringLiteral("Anna"), false));
            message = fx.data->errorText();
        } else if (fault == QLatin1String("full")) {
            QVERIFY(refuseWrites(fx.persFile(), "full", "PersData", "INSERT", "", "database or disk is full"));
            QVERIFY(!fx.addShooter(QStringLiteral("Berg"), QStringLiteral("Tom")));
            message = fx.data->persTable()->errorText();
            QVERIFY2(message.contains(QStringLiteral("„PersData“")), qPrintable(message));
        } else {
            QVERIFY(!fx.addShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
            message = fx.data->persTable()->errorText();
            QCOMPARE(message, german);
        }
        QVERIFY2(message.contains(german), qPrintable(message));
        QVERIFY2(!hasDriverEnglish(message), qPrintable(message));
        if (!english.isEmpty())
            QVERIFY2(log.lines.join(u'\n').contains(english), qPrintable(log.lines.join(u'\n')));
    }
};

VR_TEST_CLASS(StoreErrorTest)
#include "storeerror_test.moc"
