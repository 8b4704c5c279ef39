#include "store/seriessaver.h"
#include "store/serverwatchdog.h"
#include "store/storeerror.h"
#include "store/tdata.h"
#include "support/testmain.h"
#include "storefixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMutex>
#include <QTest>
#include <QThread>
#include <atomic>

namespace {

#define SERVER_ONLY()                                                                                                 \
    do {                                                                                                              \
        if (!storeOnServer())                                                                                         \
            QSKIP("Nur gegen den Vereinsserver (VR_STORE_KIND=server, CTest: store_server).");                        \
    } while (false)

// Schemas, tables, columns and layout versions of the server database: what must stay as it was.
QStringList layoutOfDatabase()
{
    QStringList out = sqlOnFile(QString(), "SELECT 'schema ' || schema_name FROM information_schema.schemata "
                                           "WHERE schema_name NOT LIKE 'pg\\_%' AND schema_name <> 'information_schema' "
                                           "ORDER BY 1");
    out += sqlOnFile(QString(), "SELECT table_schema || '.' || table_name || '.' || column_name FROM information_schema.columns "
                                "WHERE table_schema NOT IN ('pg_catalog', 'information_schema') ORDER BY 1");
    out += sqlOnFile(QString(), "SELECT 'index ' || schemaname || '.' || indexname FROM pg_indexes "
                                "WHERE schemaname NOT IN ('pg_catalog', 'information_schema') ORDER BY 1");
    if (sqlOnFile(QString(), "SELECT to_regclass('main.vantrel_schema') IS NOT NULL") == QStringList{"true"})
        out += sqlOnFile(QString(), "SELECT 'version ' || version FROM main.vantrel_schema");
    return out;
}

SeriesRun standRun(const QString &name, int stand, int run)
{
    SeriesRun r{name, QStringLiteral("Eva"), 1 + run % 3,
                QDateTime(QDate(2025, 3, 1), QTime(8, 0).addSecs(stand * 100 + run)), {}};
    for (int s = 1; s <= 5; ++s)
        for (int k = 1; k <= 5; ++k)
            r.rows << SeriesRow{s, k, 150 + stand * 10 + k, QStringLiteral("x"), QStringLiteral("-")};
    return r;
}

} // namespace

class ServerDatabaseTest : public QObject
{
    Q_OBJECT
private slots:
    // The first start on a database: an empty one gets tables, indexes and the
    // layout version in one go; anything the program does not know is refused
    // and left exactly as it was.
    void firstUse_data()
    {
        QTest::addColumn<QStringList>("before");   // statements on the database before the program opens it
        QTest::addColumn<QString>("refusal");      // part of the message; empty: opens
        QTest::newRow("empty database") << QStringList{} << "";
        QTest::newRow("newer layout version")
            << QStringList{"CREATE SCHEMA main", "CREATE TABLE main.vantrel_schema (version integer)",
                           "INSERT INTO main.vantrel_schema VALUES (2)"}
            << "Aufbau Version 2";
        QTest::newRow("tables of another program")
            << QStringList{"CREATE SCHEMA main", "CREATE TABLE main.persdata (kunde text)"} << "keine Angabe zum Aufbau";
        QTest::newRow("creation fails half-way")
            << QStringList{"CREATE SCHEMA reakdata", "CREATE TYPE reakdata.reakdata AS (x integer)"} << "kann nicht geöffnet";
        QTest::newRow("field dropped later") << QStringList{"open", "ALTER TABLE vdata.vdata DROP COLUMN spiegel_size"}
                                             << "fehlt das Feld „Spiegel_Size“";
        QTest::newRow("opened again") << QStringList{"open"} << "";
    }
    void firstUse()
    {
        SERVER_ONLY();
        QFETCH(QStringList, before);
        QFETCH(QString, refusal);
        StoreFixture fx;
        for (const QString &sql : before) {
            if (sql == QLatin1String("open")) {
                QVERIFY(fx.open());
                QVERIFY(fx.addShooter("Meier", "Hans"));
                fx.data->closeTables();
                continue;
            }
            bool ok = false;
            sqlOnFile(QString(), sql, {}, &ok);
            QVERIFY2(ok, qPrintable(sql));
        }
        const QStringList layout = layoutOfDatabase();
        if (!refusal.isEmpty()) {
            QVERIFY(!fx.data->openTables());
            QVERIFY2(fx.data->errorText().contains(refusal), qPrintable(fx.data->errorText()));
            QVERIFY2(fx.data->errorText().contains(QStringLiteral("Vereinsserver")), qPrintable(fx.data->errorText()));
            QVERIFY(!fx.data->tablesOpen());
            QCOMPARE(layoutOfDatabase(), layout);
            return;
        }
        QVERIFY(fx.open());
        const QStringList now = layoutOfDatabase();
        for (const char *part : {"version 1", "main.persdata.obere schranke", "reakdata.reakdata.reakzeit",
                                 "index main.persindex", "index vdata.visierindex", "index reakdata.reakindex"})
            QVERIFY2(now.contains(QLatin1String(part)), part);
        QCOMPARE(now.filter(QStringLiteral("version ")).size(), 1);
        QCOMPARE(fx.data->persTable()->recordCount(), before.contains("open") ? 1 : 0);
        // The unique index holds on the server too.
        QVERIFY(fx.addShooter("Zeller", "Paul"));
        QVERIFY(!fx.addShooter("Zeller", "Paul"));
    }

    // A server that cannot be used is named with its port and the reason in
    // German, within the connect time-out; nothing is opened.
    void serverThatCannotBeUsed_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing listens on the port") << "port" << "nimmt keine Verbindung an";
        QTest::newRow("database missing") << "dbname" << "Datenbank ist auf dem Server nicht vorhanden";
        QTest::newRow("no password for the user") << "user" << "Kennwort fehlt oder ist falsch";
    }
    void serverThatCannotBeUsed()
    {
        SERVER_ONLY();
        QFETCH(QString, what);
        QFETCH(QString, reason);
        StoreFixture fx;
        DatabaseTarget target = fx.data->target();
        if (what == "port") {
            PgCluster &cluster = storeServer();
            target.port = cluster.port() == 1 ? 2 : 1;   // privileged, nothing listens there
        } else if (what == "dbname") {
            target.dbname = QStringLiteral("fehlt");
        } else {
            target.user = QStringLiteral("niemand");   // the password file knows only the test's user
        }
        fx.data->setTarget(target);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!fx.data->openTables());
        QVERIFY(clock.elapsed() < 6000);
        const QString text = fx.data->errorText();
        QVERIFY2(text.contains(reason), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Port %1").arg(target.port)), qPrintable(text));
        QVERIFY(!fx.data->tablesOpen());
    }

    // Reorganising and the file backup have nothing to do on the server: they
    // succeed, write no file and say so in the log.
    void noPackOrFileCopyOnTheServer()
    {
        SERVER_ONLY();
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QStringList log;
        SetStoreLogHook([&log](const QString &line) { log << line; });
        const QString backup = fx.box.path("backup");
        QVERIFY(QDir().mkpath(backup));
        for (DataTable *t : {fx.data->persTable(), fx.data->visierTable(), fx.data->reakTable()}) {
            QVERIFY(fx.data->PackTable(t));
            QVERIFY(fx.data->CopyTable(t, backup));
        }
        SetStoreLogHook(StoreLogHook());
        QVERIFY(QDir(backup).isEmpty());
        QCOMPARE(log.filter(QStringLiteral("Ausführen : [Info] Vereinsserver")).size(), 6);
        QCOMPARE(fx.data->persTable()->recordCount(), 1);
    }

    // A renamed shooter takes his sight profiles and results along; profiles
    // handed to another shooter go alone; a rename onto an existing shooter
    // changes nothing. On both kinds of database.
    void shooterRenameCarriesHisRows()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.addShooter("Zeller", "Paul"));
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        DataTable *vis = fx.data->visierTable();
        for (double size : {10.0, 12.0})
            QVERIFY(vis->append() && vis->setFieldValue("Monitor_Size", size) && vis->post());
        QVERIFY(fx.addReak(QDate(2025, 1, 2), QTime(9, 0), 1, 1, 1, 300));
        QVERIFY(fx.data->reakTable()->applyUpdates());
        const auto count = [&](const char *table, const QString &name) {
            return sqlOnFile(fx.file(QStringLiteral("%1.sqlite").arg(table)),
                             QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Name = ?").arg(table), {name})
                .value(0);
        };

        DataTable *pers = fx.data->persTable();
        QVERIFY(pers->edit() && pers->setFieldValue("Name", "Maier"));
        QVERIFY2(fx.data->postShooter("Meier", "Hans"), qPrintable(fx.data->errorText()));
        QCOMPARE(count("VData", "Maier"), "2");
        QCOMPARE(count("ReakData", "Maier"), "1");
        QCOMPARE(count("VData", "Meier") + count("ReakData", "Meier"), "00");

        const qint64 first = sqlOnFile(fx.visFile(), "SELECT MIN(Nummer) FROM VData").value(0).toLongLong();
        QVERIFY2(fx.data->moveProfiles({first}, "Zeller", "Paul"), qPrintable(fx.data->errorText()));
        QCOMPARE(count("VData", "Zeller"), "1");
        QCOMPARE(count("VData", "Maier"), "1");

        QVERIFY(fx.selectShooter("Maier", "Hans"));
        QVERIFY(pers->edit() && pers->setFieldValue("Name", "Zeller") && pers->setFieldValue("Vorname", "Paul"));
        QVERIFY(!fx.data->postShooter("Maier", "Hans"));
        pers->cancel();
        QCOMPARE(count("VData", "Maier"), "1");
        QCOMPARE(count("ReakData", "Maier"), "1");
        QCOMPARE(count("PersData", "Zeller"), "1");
    }

    // Stand A renames or deletes the shooter stand B has active, B's tables
    // still showing the old record: B's save books to the renamed record, or
    // is refused with nothing written and can go to another shooter.
    void otherStandChangesTheShooter_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("bookedTo");   // empty: refused
        QTest::newRow("renamed") << "rename" << "Maier";
        QTest::newRow("renamed back and forth") << "rename twice" << "Meier";
        QTest::newRow("deleted") << "delete" << "";
    }
    void otherStandChangesTheShooter()
    {
        QFETCH(QString, change);
        QFETCH(QString, bookedTo);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Eva"));
        QVERIFY(fx.addShooter("Zeller", "Eva"));
        QVERIFY(fx.selectShooter("Meier", "Eva"));   // stand B: the active shooter's record

        TData standA(QStringLiteral("stand-a"));
        QVERIFY2(standA.openTables(), qPrintable(standA.errorText()));
        DataTable *persA = standA.persTable();
        const auto renameOnA = [&](const QString &from, const QString &to) {
            for (int i = 1; i <= persA->recordCount(); ++i) {
                persA->moveTo(i);
                if (persA->fieldValue("Name").toString() == from)
                    return persA->edit() && persA->setFieldValue("Name", to) && standA.postShooter(from, "Eva");
            }
            return false;
        };
        QVERIFY(persA->moveTo(1));
        if (change == "delete") {
            QVERIFY(standA.deleteShooter());
        } else {
            QVERIFY(renameOnA("Meier", "Maier"));
            if (change == "rename twice") {
                QVERIFY(standA.persTable()->refresh());
                QVERIFY(renameOnA("Maier", "Meier"));
            }
        }

        const SeriesSaveResult r = saveSeries(fx.data.get(), standRun("Meier", 1, 0));
        const auto rowsOf = [&] {
            return sqlOnFile(fx.reakFile(), "SELECT Name || ':' || COUNT(*) FROM ReakData GROUP BY Name ORDER BY Name");
        };
        if (bookedTo.isEmpty()) {
            QVERIFY(!r.saved);
            QVERIFY2(r.message.contains(QStringLiteral("an einem anderen Platz aus der Schützendatenbank gelöscht")),
                     qPrintable(r.message));
            QCOMPARE(rowsOf(), QStringList{});
            // The rows kept go to another shooter.
            const SeriesSaveResult other = saveSeries(fx.data.get(), standRun("Zeller", 1, 0));
            QVERIFY2(other.saved, qPrintable(other.message));
            QCOMPARE(rowsOf(), QStringList{"Zeller:25"});
            return;
        }
        QVERIFY2(r.saved, qPrintable(r.message));
        QCOMPARE(r.name, bookedTo);
        QCOMPARE(r.trainingRounds, 1);
        QCOMPARE(rowsOf(), QStringList{bookedTo + ":25"});
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT Name || ':' || CAST(COALESCE(Trainingsrunden, 0) AS INTEGER) FROM PersData "
                                          "ORDER BY Name"),
                 (QStringList{bookedTo + ":1", "Zeller:0"}));
    }

    // Stand A renames or deletes the shooter between stand B's rows and its
    // count: B waits for A's record, then books to the new name or is
    // refused; never a row left under the old name.
    void shooterChangedInTheMiddleOfASave_data()
    {
        QTest::addColumn<QStringList>("change");   // stand A's transaction, committed once B waits
        QTest::addColumn<QString>("bookedTo");     // empty: refused
        QTest::newRow("renamed") << QStringList{"UPDATE main.persdata SET name = 'Maier' WHERE name = 'Meier'",
                                                "UPDATE reakdata.reakdata SET name = 'Maier' WHERE name = 'Meier'"}
                                 << "Maier";
        QTest::newRow("deleted") << QStringList{"DELETE FROM main.persdata WHERE name = 'Meier'",
                                                "DELETE FROM reakdata.reakdata WHERE name = 'Meier'"}
                                 << "";
    }
    void shooterChangedInTheMiddleOfASave()
    {
        SERVER_ONLY();
        QFETCH(QStringList, change);
        QFETCH(QString, bookedTo);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Eva"));
        QVERIFY(fx.selectShooter("Meier", "Eva"));
        SeriesRun run = standRun("Meier", 1, 0);
        run.nummer = fx.data->persTable()->fieldValue("Nummer").toLongLong();

        QSqlDatabase standA = openServerCheck(QStringLiteral("stand-a-raw"));
        QVERIFY(standA.isOpen());
        QVERIFY(QSqlQuery(standA).exec(QStringLiteral("BEGIN")));
        for (const QString &sql : change)
            QVERIFY2(QSqlQuery(standA).exec(sql), qPrintable(sql));

        SeriesSaveResult result;
        QString openError;
        TData *standB = new TData(QStringLiteral("stand-b"));
        QThread *saver = QThread::create([&] {
            if (standB->openTables())
                result = saveSeries(standB, run);
            else
                openError = standB->errorText();
            delete standB;
        });
        standB->moveToThread(saver);
        saver->start();
        // B's rows are in, its count waits for A's record.
        bool waiting = false;
        for (int i = 0; i < 500 && !waiting; ++i) {
            QSqlQuery q(standA);
            waiting = q.exec(QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE NOT granted"))
                      && q.next() && q.value(0).toInt() > 0;
            if (!waiting)
                QThread::msleep(10);
        }
        QVERIFY(QSqlQuery(standA).exec(QStringLiteral("COMMIT")));
        standA.close();
        standA = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("stand-a-raw"));
        QVERIFY(saver->wait(30000));
        delete saver;
        QVERIFY2(openError.isEmpty(), qPrintable(openError));
        QVERIFY(waiting);

        const QStringList rows = sqlOnFile(fx.reakFile(), "SELECT Name || ':' || COUNT(*) FROM ReakData GROUP BY Name");
        if (bookedTo.isEmpty()) {
            QVERIFY(!result.saved);
            QVERIFY2(result.message.contains(QStringLiteral("gelöscht")), qPrintable(result.message));
            QCOMPARE(rows, QStringList{});
            return;
        }
        QVERIFY2(result.saved, qPrintable(result.message));
        QCOMPARE(rows, QStringList{bookedTo + ":25"});
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT Name || ':' || CAST(Trainingsrunden AS INTEGER) FROM PersData"),
                 QStringList{bookedTo + ":1"});
    }

    // Stand A deletes series one by one while stand B keeps refreshing its
    // evaluation: every refresh shows each series whole or not at all.
    void seriesDeletedWhileRefreshing()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Eva"));
        QList<SeriesRun> runs;
        for (int run = 0; run < 30; run += 3) {   // test 1 only
            runs << standRun("Meier", 0, run);
            QVERIFY(saveSeries(fx.data.get(), runs.last()).saved);
        }
        QStringList failures;
        QMutex mutex;
        std::atomic<bool> done{false};
        TData *standA = new TData(QStringLiteral("stand-a"));
        QThread *deleter = QThread::create([&] {
            const auto failed = [&](const QString &why) {
                QMutexLocker lock(&mutex);
                failures << why;
            };
            if (!standA->openTables())
                failed(standA->errorText());
            for (const SeriesRun &r : std::as_const(runs))
                for (int serie = 1; serie <= 5 && failures.isEmpty(); ++serie) {
                    int deleted = -1;
                    for (int attempt = 0; attempt < 20 && deleted < 0; ++attempt)
                        deleted = standA->deleteSeries(r.name, r.vorname, r.stamp.date(), r.stamp.time(), r.messTyp, serie);
                    if (deleted != 5)
                        failed(QStringLiteral("Serie %1: %2 gelöscht %3").arg(serie).arg(deleted).arg(standA->errorText()));
                }
            delete standA;
            done = true;
        });
        standA->moveToThread(deleter);
        deleter->start();
        int refreshes = 0;
        int lastShown = 250;
        while (!done || refreshes == 0) {
            QVERIFY2(fx.data->openResultQuery(TData::Query::EFR, "Meier", "Eva", false), qPrintable(fx.data->errorText()));
            ResultQuery *q = fx.data->efrQuery();
            QMap<QString, int> perSeries;
            for (int row = 0; row < q->recordCount(); ++row)
                ++perSeries[q->valueAt(row, "ZEIT").toString() + u'/' + q->valueAt(row, "SERIE").toString()];
            for (auto it = perSeries.cbegin(); it != perSeries.cend(); ++it)
                QVERIFY2(it.value() == 5, qPrintable(QStringLiteral("%1: %2 Zeilen").arg(it.key()).arg(it.value())));
            QVERIFY(q->recordCount() <= lastShown);
            lastShown = q->recordCount();
            ++refreshes;
        }
        QVERIFY(deleter->wait(60000));
        delete deleter;
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        QVERIFY(fx.data->openResultQuery(TData::Query::EFR, "Meier", "Eva", false));
        QCOMPARE(fx.data->efrQuery()->recordCount(), 0);
    }

    // The server gone before or during a save: refused within the connect
    // time-out as not saved yet, no row of the run stored; once the server
    // answers again the same run is saved whole.
    void serverGoneDuringSave_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("server killed before the save") << "kill";
        QTest::newRow("connection lost between rows and count") << "terminate";
        QTest::newRow("server restarted since the last save") << "restart";
    }
    void serverGoneDuringSave()
    {
        SERVER_ONLY();
        QFETCH(QString, how);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Eva"));
        PgCluster &cluster = storeServer();
        if (how == "terminate") {
            bool ok = false;
            sqlOnFile(QString(), "CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS "
                                 "$$BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END$$", {}, &ok);
            QVERIFY(ok);
            sqlOnFile(QString(), "CREATE TRIGGER cut BEFORE UPDATE ON main.persdata FOR EACH ROW EXECUTE FUNCTION cut()", {}, &ok);
            QVERIFY(ok);
        } else {
            cluster.kill();
            QVERIFY(!cluster.isRunning());
            if (how == "restart")
                QVERIFY2(cluster.restart(), qPrintable(cluster.error()));
        }
        const SeriesRun run = standRun("Meier", 0, 0);
        QElapsedTimer clock;
        clock.start();
        const SeriesSaveResult r = saveSeries(fx.data.get(), run);
        QVERIFY(clock.elapsed() < 5500);
        if (how != "restart") {
            QVERIFY(!r.saved);
            QVERIFY2(r.message.contains(QStringLiteral("Die Ergebnisse sind noch nicht gespeichert")), qPrintable(r.message));
            if (how == "kill") {
                QVERIFY2(cluster.restart(), qPrintable(cluster.error()));
            } else {
                bool ok = false;
                sqlOnFile(QString(), "DROP TRIGGER cut ON main.persdata", {}, &ok);
                QVERIFY(ok);
            }
            QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 0);
            const SeriesSaveResult again = saveSeries(fx.data.get(), run);
            QVERIFY2(again.saved, qPrintable(again.message));
        } else {
            QVERIFY2(r.saved, qPrintable(r.message));
        }
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 25);
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT CAST(Trainingsrunden AS INTEGER) FROM PersData"), QStringList{"1"});
    }

    // A server that is there but answers nothing (its processes stopped): a
    // statement, a save before or during its writes end within the time-out
    // with the German message, nothing of the run is stored, and once the
    // server runs again the next save stores it whole.
    void silentServerEndsInTime_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("statement on the connection") << "statement";
        QTest::newRow("save on a stopped server") << "save";
        QTest::newRow("server silent between rows and count") << "midsave";
    }
    void silentServerEndsInTime()
    {
        SERVER_ONLY();
        QFETCH(QString, what);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Eva"));
        PgCluster &cluster = storeServer();
        struct Restore
        {
            PgCluster &cluster;
            ~Restore()
            {
                cluster.resume();
                ServerWatchdog::setTimeoutMs(5000);
            }
        } restore{cluster};
        ServerWatchdog::setTimeoutMs(1000);
        bool ok = false;
        if (what == "midsave") {
            // Longer than the watchdog waits, far shorter than the server's own time-out.
            sqlOnFile(QString(), "CREATE FUNCTION hang() RETURNS trigger LANGUAGE plpgsql AS "
                                 "$$BEGIN PERFORM pg_sleep(2); RETURN NEW; END$$", {}, &ok);
            QVERIFY(ok);
            sqlOnFile(QString(), "CREATE TRIGGER hang BEFORE UPDATE ON main.persdata FOR EACH ROW EXECUTE FUNCTION hang()", {}, &ok);
            QVERIFY(ok);
        } else {
            cluster.pause();
        }
        const SeriesRun run = standRun("Meier", 0, 0);
        QElapsedTimer clock;
        clock.start();
        QString message;
        if (what == "statement") {
            QVERIFY(!fx.data->persTable()->refresh());
            QVERIFY(!fx.data->checkServerConnection());
            message = fx.data->errorText();
            QVERIFY2(message.contains(QStringLiteral("Der Vereinsserver antwortet nicht")), qPrintable(message));
        } else {
            const SeriesSaveResult r = saveSeries(fx.data.get(), run);
            QVERIFY(!r.saved);
            message = r.message;
            QVERIFY2(message.contains(QStringLiteral("Die Verbindung zum Vereinsserver ist unterbrochen")), qPrintable(message));
        }
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        cluster.resume();
        if (what == "midsave") {
            sqlOnFile(QString(), "DROP TRIGGER hang ON main.persdata", {}, &ok);
            QVERIFY(ok);
        }
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 0);
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT COALESCE(CAST(Trainingsrunden AS INTEGER), 0) FROM PersData"), QStringList{"0"});
        const SeriesSaveResult again = saveSeries(fx.data.get(), run);
        QVERIFY2(again.saved, qPrintable(again.message));
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 25);
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT CAST(Trainingsrunden AS INTEGER) FROM PersData"), QStringList{"1"});
    }

    // Four stands, each its own data module and connection in its own thread,
    // save 25 runs of 25 rows for five shooters at the same time: every row
    // once, every run counted once.
    void fourStandsSaveAtOnce()
    {
        SERVER_ONLY();
        StoreFixture fx;
        QVERIFY(fx.open());
        const QStringList names{"Adler", "Berg", "Cramer", "Dietz", "Engel"};
        for (const QString &n : names)
            QVERIFY(fx.addShooter(n, "Eva"));
        QMap<QString, int> expected;
        QMutex mutex;
        QStringList failures;
        QList<QThread *> threads;
        for (int stand = 0; stand < 4; ++stand) {
            auto *data = new TData(QStringLiteral("stand-%1").arg(stand));
            for (int run = 0; run < 25; ++run)
                ++expected[names.at((stand * 3 + run) % names.size())];
            QThread *thread = QThread::create([data, stand, &names, &mutex, &failures] {
                const auto failed = [&](const QString &why) {
                    QMutexLocker lock(&mutex);
                    failures << QStringLiteral("Stand %1: %2").arg(stand).arg(why);
                };
                if (!data->openTables()) {
                    failed(data->errorText());
                } else {
                    for (int run = 0; run < 25; ++run) {
                        const SeriesSaveResult r = saveSeries(data, standRun(names.at((stand * 3 + run) % names.size()), stand, run));
                        if (!r.saved)
                            failed(r.message);
                    }
                }
                delete data;
            });
            data->moveToThread(thread);
            threads << thread;
        }
        for (QThread *t : std::as_const(threads))
            t->start();
        for (QThread *t : std::as_const(threads)) {
            QVERIFY(t->wait(120000));
            delete t;
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));

        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 2500);
        QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT COUNT(*) FROM (SELECT DISTINCT Name, Vorname, Datum, Zeit, Serie, Scheibe "
                                          "FROM ReakData) AS d"),
                 QStringList{"2500"});
        QStringList rounds, runs;
        for (auto it = expected.constBegin(); it != expected.constEnd(); ++it) {
            rounds << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
            runs << QStringLiteral("%1:%2").arg(it.key()).arg(it.value() * 25);
        }
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT Name || ':' || CAST(Trainingsrunden AS INTEGER) FROM PersData ORDER BY Name"),
                 rounds);
        QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT Name || ':' || COUNT(*) FROM ReakData GROUP BY Name ORDER BY Name"), runs);
    }
};

VR_TEST_CLASS(ServerDatabaseTest)
#include "serverdatabase_test.moc"
