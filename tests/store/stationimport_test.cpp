#include "store/stationimport.h"
#include "store/tdata.h"
#include "support/testmain.h"
#include "stationimport_test.h"
#include "storefixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(QList<StandShooter>)

namespace {

QByteArray folderHash(const QString &dir)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (const QString &f : QDir(dir).entryList(QDir::Files, QDir::Name)) {
        QFile file(QDir(dir).filePath(f));
        file.open(QIODevice::ReadOnly);
        h.addData(f.toUtf8());
        h.addData(file.readAll());
    }
    return h.result();
}

// Shooters, profiles and results of the data module's tables, and the
// "Trainingsrunden" of every shooter, for before/after comparisons.
QStringList contents(StoreFixture &fx)
{
    QStringList out = sqlOnFile(fx.persFile(), "SELECT \"Name\" || ',' || \"Vorname\" || ',' || "
                                               "COALESCE(CAST(\"Trainingsrunden\" AS INTEGER), -1) FROM \"PersData\" "
                                               "ORDER BY 1");
    out << sqlOnFile(fx.visFile(), "SELECT \"Name\" || ',' || CAST(\"Monitor_Size\" AS INTEGER) FROM \"VData\" ORDER BY 1");
    out << sqlOnFile(fx.reakFile(), "SELECT \"Name\" || ',' || \"Datum\" || ',' || \"Zeit\" || ',' || "
                                    "CAST(\"Scheibe\" AS INTEGER) FROM \"ReakData\" ORDER BY 1");
    return out;
}

// Runs statements on a stand's own files; each starts with "P:", "V:" or "R:" for its file.
bool editStand(const QString &dir, const QStringList &edits)
{
    bool ok = true;
    for (const QString &edit : edits) {
        const QString file = edit.startsWith("P:") ? "PersData.sqlite" : edit.startsWith("V:") ? "VData.sqlite" : "ReakData.sqlite";
        const QString name = QStringLiteral("edit-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(QDir(dir).filePath(file));
            QSqlQuery q(db);
            if (!db.open() || !q.exec(edit.mid(2))) {
                qWarning() << "editStand:" << edit << q.lastError().text();
                ok = false;
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    return ok;
}

// The target's tables, seeded with shooters as a stand would have them.
bool seedTarget(StoreFixture &fx, const QList<StandShooter> &target)
{
    fx.data->closeTables();
    if (!storeOnServer() && !makeStand(fx.data->privateDir(), target))
        return false;
    if (!fx.open())
        return false;
    if (storeOnServer()) {   // the same rows on the server, through the stand's files
        const QString seed = fx.box.path("seed");
        StationImportSummary s;
        QString error;
        if (!makeStand(seed, target) || !ImportStation(seed, TData::AliasName, &s, &error)) {
            qWarning() << error;
            return false;
        }
    }
    return true;
}

const QString kResultColumns = "R:INSERT INTO ReakData (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, ReakZeit, Status, Fehler) ";
const QString kForeignResults = "R:CREATE TABLE ReakData (Nummer INTEGER PRIMARY KEY, Name TEXT, Vorname TEXT, Datum TEXT, "
                                "Zeit TEXT, MessTyp REAL, Serie REAL, Scheibe REAL, %1Fehler TEXT)";

} // namespace

class StationImportTest : public QObject
{
    Q_OBJECT
private slots:
    // A stand merged twice: the first import takes what is missing, the second adds nothing;
    // the stand's files stay untouched.
    void mergeTwice_data()
    {
        QTest::addColumn<QList<StandShooter>>("target");
        QTest::addColumn<QList<StandShooter>>("stand");
        QTest::addColumn<QList<int>>("first");    // shooters added, results added, results there
        QTest::addColumn<int>("profiles");        // profiles in the target afterwards
        QTest::addColumn<int>("rows");            // result rows in the target afterwards
        QTest::addColumn<int>("runs");            // runs that raise the count of the target's shooter
        QTest::newRow("new shooters with quotes and umlauts")
            << QList<StandShooter>{}
            << QList<StandShooter>{{"O'Brien", "Jürgen \"Jo\"", 2, 5, 7}, {"Müller-Weiß", "Ä'; DROP TABLE x;--", 1, 3, 1}}
            << QList<int>{2, 8, 0} << 2 << 8 << 0;
        QTest::newRow("shooter there with profiles and part of the results")
            << QList<StandShooter>{{"Meier", "Hans", 1, 2, 9}}
            << QList<StandShooter>{{"Meier", "Hans", 2, 5, 3}} << QList<int>{0, 3, 2} << 1 << 5 << 0;
        QTest::newRow("shooter there without profiles gets the stand's first")
            << QList<StandShooter>{{"Meier", "Hans", 0, 0, 9}}
            << QList<StandShooter>{{"Meier", "Hans", 2, 1, 3}} << QList<int>{0, 1, 0} << 1 << 1 << 1;
        QTest::newRow("same name, other first name is another shooter")
            << QList<StandShooter>{{"Meier", "Hans", 1, 4, 9}}
            << QList<StandShooter>{{"Meier", "Hanna", 1, 4, 3}} << QList<int>{1, 4, 0} << 2 << 8 << 0;
        QTest::newRow("empty stand") << QList<StandShooter>{{"Meier", "Hans", 1, 1, 9}} << QList<StandShooter>{}
                                     << QList<int>{0, 0, 0} << 1 << 1 << 0;
    }
    void mergeTwice()
    {
        QFETCH(QList<StandShooter>, target);
        QFETCH(QList<StandShooter>, stand);
        QFETCH(QList<int>, first);
        QFETCH(int, profiles);
        QFETCH(int, rows);
        QFETCH(int, runs);
        StoreFixture fx;
        QVERIFY(fx.open());
        fx.data->closeTables();
        if (!storeOnServer())
            QVERIFY(makeStand(fx.data->privateDir(), target));
        QVERIFY(fx.open());
        if (storeOnServer()) {
            // The same rows on the server, through the stand's files.
            const QString seed = fx.box.path("seed");
            QVERIFY(makeStand(seed, target));
            StationImportSummary s;
            QString error;
            QVERIFY2(ImportStation(seed, TData::AliasName, &s, &error), qPrintable(error));
        }
        const QString dir = fx.box.path("stand");
        QVERIFY(makeStand(dir, stand));
        const QByteArray before = folderHash(dir);

        StationImportSummary s;
        QString error;
        QVERIFY2(ImportStation(dir, TData::AliasName, &s, &error), qPrintable(error));
        QCOMPARE((QList<int>{s.shootersAdded, s.resultsAdded, s.resultsPresent}), first);
        QCOMPARE(rowsInFile(fx.visFile(), "VData"), profiles);
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), rows);
        const QStringList after = contents(fx);
        for (const StandShooter &t : target)   // a shooter that was there counts the runs that came in
            QVERIFY2(after.contains(QStringLiteral("%1,%2,%3").arg(t.name, t.vorname).arg(int(t.rounds) + runs)),
                     qPrintable(after.join('\n')));

        QVERIFY2(ImportStation(dir, TData::AliasName, &s, &error), qPrintable(error));
        QCOMPARE((QList<int>{s.shootersAdded, s.resultsAdded, s.resultsPresent}),
                 (QList<int>{0, 0, first.at(1) + first.at(2)}));
        QCOMPARE(contents(fx), after);
        QCOMPARE(folderHash(dir), before);

        // The data module sees the merged shooters once it reads its tables again.
        QVERIFY(fx.data->persTable()->refresh());
        for (const StandShooter &t : stand)
            QVERIFY(fx.selectShooter(t.name, t.vorname));
    }

    // Every row of the stand is a row of its own, and nothing else comes in:
    // the stand's files (shooters from StandShooter, then the edits) merged
    // into the target give the summary (shooters added, results added, there,
    // skipped) and what the checks read from the target; a second import adds
    // nothing. A table lacking a column or with an unusable one is refused
    // naming file and column, the target unchanged.
    void importCases_data()
    {
        QTest::addColumn<QList<StandShooter>>("target");
        QTest::addColumn<QList<StandShooter>>("stand");
        QTest::addColumn<QStringList>("edits");     // on the stand's files, see editStand()
        QTest::addColumn<QList<int>>("summary");    // empty: refused
        QTest::addColumn<QStringList>("checks");    // "SQL on the target => rows' first column, space-separated"
                                                     // refused: texts the message holds
        QTest::newRow("17 rows with empty or unreadable date and time, none there before")
            << QList<StandShooter>{} << QList<StandShooter>{{"Leer", "Lena", 0, 0, 2}}
            << QStringList{kResultColumns + "SELECT 'Leer', 'Lena', d.column1, z.column1, 1, 1, 1, 250, 'x', '-' FROM "
                                            "(VALUES (NULL), (''), ('gestern'), ('2024-02-30')) d, "
                                            "(VALUES (NULL), (''), ('mittags')) z",
                           kResultColumns + "SELECT 'Leer', 'Lena', NULL, NULL, 1, 1, 1, 250 + column1, 'x', '-' FROM "
                                            "(VALUES (1), (2), (3), (4), (5))"}
            << QList<int>{1, 17, 0, 0}
            << QStringList{"SELECT COUNT(*) FROM \"ReakData\" => 17",
                           "SELECT COUNT(*) FROM \"ReakData\" WHERE \"Datum\" IS NULL AND \"Zeit\" IS NULL => 6"};
        QTest::newRow("equal rows of the stand are each a row; the target's answer for one each")
            << QList<StandShooter>{{"Meier", "Hans", 0, 1, 9}} << QList<StandShooter>{{"Meier", "Hans", 0, 1, 9}}
            << QStringList{kResultColumns + "SELECT Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, ReakZeit, "
                                            "Status, Fehler FROM ReakData"}
            << QList<int>{0, 1, 1, 0} << QStringList{"SELECT COUNT(*) FROM \"ReakData\" => 2"};
        QTest::newRow("text in number columns arrives empty, never 0")
            << QList<StandShooter>{} << QList<StandShooter>{{"Zahl", "Zora", 0, 3, 1}}
            << QStringList{"R:UPDATE ReakData SET ReakZeit = 'schnell' WHERE Scheibe = 2",
                           "R:UPDATE ReakData SET ReakZeit = '203,0' WHERE Scheibe = 3",
                           "P:UPDATE PersData SET Trainingsrunden = 'viele', \"Obere Schranke\" = X'00'"}
            << QList<int>{1, 3, 0, 0}
            << QStringList{"SELECT COALESCE(CAST(\"ReakZeit\" AS INTEGER), -1) FROM \"ReakData\" ORDER BY \"Scheibe\" "
                           "=> 201 -1 -1",
                           "SELECT COUNT(*) FROM \"PersData\" WHERE \"Trainingsrunden\" IS NULL AND "
                           "\"Obere Schranke\" IS NULL => 1"};
        QTest::newRow("a shooter who was there counts the runs that came in")
            << QList<StandShooter>{{"Meier", "Hans", 0, 2, 9}}
            << QList<StandShooter>{{"Meier", "Hans", 0, 2, 40}, {"Neu", "Nina", 0, 1, 4}}
            << QStringList{kResultColumns + "VALUES ('Meier', 'Hans', '2024-05-05', '10:00:00.000', 1, 1, 1, 200, 'x', '-'), "
                                            "('Meier', 'Hans', '2024-05-05', '10:00:00.000', 1, 1, 2, 200, 'x', '-'), "
                                            "('Meier', 'Hans', '2024-05-05', '10:00:00.000', 2, 1, 1, 200, 'x', '-'), "
                                            "('Meier', 'Hans', NULL, NULL, 3, 1, 1, 200, 'x', '-'), "
                                            "('Meier', 'Hans', NULL, NULL, 3, 2, 1, 200, 'x', '-')"}
            << QList<int>{1, 6, 2, 0}
            << QStringList{"SELECT \"Name\" || ':' || CAST(\"Trainingsrunden\" AS INTEGER) FROM \"PersData\" "
                           "ORDER BY 1 => Meier:12 Neu:4"};
        QTest::newRow("one profile per shooter, the stand's first, none without a shooter")
            << QList<StandShooter>{{"Meier", "Hans", 1, 0, 1}}
            << QList<StandShooter>{{"Meier", "Hans", 2, 0, 1}, {"Neu", "Nina", 3, 0, 1}}
            << QStringList{"V:INSERT INTO VData (Name, Vorname, Monitor_Size) VALUES ('Niemand', 'Nora', 5), "
                           "(NULL, NULL, 6), ('', '', 7)"}
            << QList<int>{1, 0, 0, 0}
            << QStringList{"SELECT \"Name\" || ':' || CAST(\"Monitor_Size\" AS INTEGER) FROM \"VData\" ORDER BY 1 "
                           "=> Meier:10 Neu:10"};
        QTest::newRow("rows of unknown tests are skipped, their shooter not made")
            << QList<StandShooter>{} << QList<StandShooter>{{"Typ", "Tina", 0, 2, 1}}
            << QStringList{kResultColumns + "VALUES ('Typ', 'Tina', '2024-05-05', '11:00:00.000', 7, 1, 1, 200, 'x', '-'), "
                                            "('Typ', 'Tina', '2024-05-05', '11:00:00.000', 1.5, 1, 1, 200, 'x', '-'), "
                                            "('Typ', 'Tina', '2024-05-05', '11:00:00.000', NULL, 1, 1, 200, 'x', '-'), "
                                            "('Typ', 'Tina', '2024-05-05', '11:00:00.000', 'zwei', 1, 1, 200, 'x', '-'), "
                                            "('Typ', 'Tina', '2024-05-05', '11:00:00.000', 3, 1, 1, 200, 'x', '-'), "
                                            "('Geist', 'Gabi', '2024-05-05', '11:00:00.000', 0, 1, 1, 200, 'x', '-')"}
            << QList<int>{1, 3, 0, 5}
            << QStringList{"SELECT CAST(\"MessTyp\" AS INTEGER) FROM \"ReakData\" ORDER BY 1 => 1 1 3",
                           "SELECT \"Name\" FROM \"PersData\" => Typ"};
        QTest::newRow("foreign results table without ReakZeit and Status")
            << QList<StandShooter>{{"Meier", "Hans", 1, 1, 9}} << QList<StandShooter>{{"Meier", "Hans", 0, 0, 9}}
            << QStringList{"R:DROP TABLE ReakData", kForeignResults.arg(QString()),
                           "R:INSERT INTO ReakData (Name, Vorname, Datum, MessTyp) VALUES ('Meier', 'Hans', '2024-01-01', 1)"}
            << QList<int>{} << QStringList{"ReakData.sqlite", "„ReakZeit“ und „Status“"};
        QTest::newRow("shooter table without a club")
            << QList<StandShooter>{} << QList<StandShooter>{{"Meier", "Hans", 0, 1, 9}}
            << QStringList{"P:ALTER TABLE PersData DROP COLUMN Sportverein"} << QList<int>{}
            << QStringList{"PersData.sqlite", "Spalte „Sportverein“"};
        QTest::newRow("result times in a column of type BLOB")
            << QList<StandShooter>{} << QList<StandShooter>{{"Meier", "Hans", 0, 0, 9}}
            << QStringList{"R:DROP TABLE ReakData", kForeignResults.arg("ReakZeit BLOB, Status TEXT, ")}
            << QList<int>{} << QStringList{"ReakData.sqlite", "„ReakZeit“ hat den Typ „BLOB“"};
        QTest::newRow("profile sizes as text")
            << QList<StandShooter>{} << QList<StandShooter>{{"Meier", "Hans", 1, 0, 9}}
            << QStringList{"V:ALTER TABLE VData DROP COLUMN Spiegel_Size", "V:ALTER TABLE VData ADD COLUMN Spiegel_Size TEXT"}
            << QList<int>{} << QStringList{"VData.sqlite", "„Spiegel_Size“ hat den Typ „TEXT“"};
    }
    void importCases()
    {
        QFETCH(QList<StandShooter>, target);
        QFETCH(QList<StandShooter>, stand);
        QFETCH(QStringList, edits);
        QFETCH(QList<int>, summary);
        QFETCH(QStringList, checks);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(seedTarget(fx, target));
        const QStringList before = contents(fx);
        const QString dir = fx.box.path("stand");
        QVERIFY(makeStand(dir, stand));
        QVERIFY(editStand(dir, edits));

        StationImportSummary s;
        QString error;
        const bool ok = ImportStation(dir, TData::AliasName, &s, &error);
        if (summary.isEmpty()) {
            QVERIFY(!ok);
            for (const QString &named : checks)
                QVERIFY2(error.contains(named), qPrintable(error));
            QCOMPARE(contents(fx), before);
            return;
        }
        QVERIFY2(ok, qPrintable(error));
        QCOMPARE((QList<int>{s.shootersAdded, s.resultsAdded, s.resultsPresent, s.resultsSkipped}), summary);
        for (const QString &check : checks) {
            const QString sql = check.section(" => ", 0, 0), expected = check.section(" => ", 1);
            const QString file = sql.contains("\"PersData\"") ? fx.persFile()
                                 : sql.contains("\"VData\"")  ? fx.visFile()
                                                                : fx.reakFile();
            QCOMPARE(sqlOnFile(file, sql).join(u' '), expected);
        }
        const QStringList after = contents(fx);
        QVERIFY2(ImportStation(dir, TData::AliasName, &s, &error), qPrintable(error));
        QCOMPARE((QList<int>{s.shootersAdded, s.resultsAdded, s.resultsPresent, s.resultsSkipped}),
                 (QList<int>{0, 0, summary.at(1) + summary.at(2), summary.at(3)}));
        QCOMPARE(contents(fx), after);
    }

    // Two imports of one folder at once into the server: the second waits for
    // the first one's lock and then finds every row there; nothing is stored twice.
    void importsOneAfterAnother()
    {
        if (!storeOnServer())
            QSKIP("the import lock is the server's");
        StoreFixture fx;
        QVERIFY(fx.open());
        const QString dir = fx.box.path("stand");
        QVERIFY(makeStand(dir, {{"Neu", "Nina", 1, 30, 1}, {"Zweite", "Zora", 1, 8, 0}}));
        const QString holder = QStringLiteral("import-lock-holder");
        bool locked = false;
        {
            QSqlDatabase db = openServerCheck(holder);
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT pg_advisory_lock(?)"));
            q.addBindValue(StationImportLockKey);
            locked = q.exec();
        }
        QVERIFY(locked);
        StationImportJob first(dir, fx.data->connectionTarget()), second(dir, fx.data->connectionTarget());
        QSignalSpy firstDone(&first, &BackgroundJob::finished), secondDone(&second, &BackgroundJob::finished);
        QObject receiver;   // on this thread: the progress arrives queued
        qint64 firstAt = 0, secondAt = 0;
        connect(&first, &BackgroundJob::progressed, &receiver, [&](qint64 done, qint64) { firstAt = done; });
        connect(&second, &BackgroundJob::progressed, &receiver, [&](qint64 done, qint64) { secondAt = done; });
        QVERIFY(first.start() && second.start());
        // Both have read the stand and wait for the lock: nothing written yet.
        QTRY_VERIFY_WITH_TIMEOUT(firstAt >= 250 && secondAt >= 250, 20000);
        QTest::qWait(300);
        QVERIFY(firstDone.isEmpty() && secondDone.isEmpty());
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 0);
        {
            QSqlDatabase db = QSqlDatabase::database(holder);
            QSqlQuery(db).exec(QStringLiteral("SELECT pg_advisory_unlock_all()"));
            db.close();
        }
        QSqlDatabase::removeDatabase(holder);
        QTRY_VERIFY_WITH_TIMEOUT(!firstDone.isEmpty() && !secondDone.isEmpty(), 20000);
        QVERIFY2(first.succeeded(), qPrintable(first.error()));
        QVERIFY2(second.succeeded(), qPrintable(second.error()));
        const StationImportSummary a = first.summary(), b = second.summary();
        QCOMPARE((QList<int>{a.shootersAdded + b.shootersAdded, a.resultsAdded + b.resultsAdded,
                             a.resultsPresent + b.resultsPresent}),
                 (QList<int>{2, 38, 38}));
        QVERIFY(a.resultsAdded == 0 || b.resultsAdded == 0);
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 38);
        QCOMPARE(rowsInFile(fx.persFile(), "PersData"), 2);
    }

    // A folder with a missing, broken or foreign file, or a target that refuses a
    // row half-way, is refused whole: the target keeps exactly what it had.
    void refusedWhole_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("named");   // what the message names
        QTest::newRow("results file is text") << "reak text" << "ReakData.sqlite";
        QTest::newRow("profiles file empty") << "vis empty" << "VData.sqlite";
        QTest::newRow("shooter file of another program") << "pers foreign" << "PersData.sqlite";
        QTest::newRow("results file damaged inside") << "reak damaged" << "ReakData.sqlite";
        QTest::newRow("results file missing") << "reak missing" << "ReakData.sqlite";
        QTest::newRow("folder missing") << "no folder" << "stand";
        QTest::newRow("target refuses the last result row") << "target trigger" << "stand";
    }
    void refusedWhole()
    {
        QFETCH(QString, fault);
        QFETCH(QString, named);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(fx.addReak(QDate(2024, 1, 1), QTime(9, 0), 1, 1, 1, 250));
        QVERIFY(fx.data->reakTable()->applyUpdates());
        const QStringList before = contents(fx);

        const QString dir = fx.box.path("stand");
        QVERIFY(makeStand(dir, {{"Neu", "Nina", 1, 5, 1}, {"Meier", "Hans", 1, 5, 2}}));
        const auto overwrite = [&](const QString &file, const QByteArray &bytes) {
            QFile f(QDir(dir).filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        };
        if (fault == "reak text") {
            overwrite("ReakData.sqlite", "Name;Vorname\nMeier;Hans\n");
        } else if (fault == "vis empty") {
            overwrite("VData.sqlite", QByteArray());
        } else if (fault == "pers foreign") {
            QFile::remove(QDir(dir).filePath("PersData.sqlite"));
            QVERIFY(QFile::copy(QDir(dir).filePath("VData.sqlite"), QDir(dir).filePath("PersData.sqlite")));
        } else if (fault == "reak damaged") {
            QFile f(QDir(dir).filePath("ReakData.sqlite"));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.size() >= 8192);
            f.seek(4096);   // the table's page
            f.write(QByteArray(f.size() - 4096, '\xA5'));
        } else if (fault == "reak missing") {
            QVERIFY(QFile::remove(QDir(dir).filePath("ReakData.sqlite")));
        } else if (fault == "no folder") {
            QVERIFY(QDir(dir).removeRecursively());
        } else {
            QVERIFY(refuseWrites(fx.reakFile(), "full", "ReakData", "INSERT", "NEW.Scheibe = 5", "disk is full"));
        }

        StationImportSummary s{7, 7, 7};
        QString error;
        QVERIFY(!ImportStation(dir, TData::AliasName, &s, &error));
        QVERIFY2(error.contains(named), qPrintable(error));
        QVERIFY2(!error.contains("file") && !error.contains("database"), qPrintable(error));   // German, no driver text
        QCOMPARE((QList<int>{s.shootersAdded, s.resultsAdded, s.resultsPresent}), (QList<int>{0, 0, 0}));
        QCOMPARE(contents(fx), before);
    }

    // An import stopped at any step (reading, shooters, profiles, results,
    // just before the commit) leaves the target exactly as it was; one that
    // runs through reports steps up to the last one. The same through the job
    // on its own thread and connection while the program's tables stay open.
    void stoppedPartWay_data()
    {
        QTest::addColumn<QString>("phase");   // "read", "merge" or "job"
        QTest::addColumn<int>("stopAt");      // the step answered "stop"; 0: never, -1: the last
        QTest::newRow("reading, first row") << "read" << 1;
        QTest::newRow("reading, results file") << "read" << 20;
        QTest::newRow("merging, first shooter") << "merge" << 1;
        QTest::newRow("merging, shooters of the results") << "merge" << 30;
        QTest::newRow("merging, profiles") << "merge" << 53;
        QTest::newRow("merging, results") << "merge" << 60;
        QTest::newRow("merging, before the commit") << "merge" << -1;
        QTest::newRow("merging to the end") << "merge" << 0;
        QTest::newRow("job cancelled") << "job" << 1;
        QTest::newRow("job to the end") << "job" << 0;
    }
    void stoppedPartWay()
    {
        QFETCH(QString, phase);
        QFETCH(int, stopAt);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(fx.addReak(QDate(2024, 1, 1), QTime(9, 0), 1, 1, 1, 250));
        QVERIFY(fx.data->reakTable()->applyUpdates());
        const QStringList before = contents(fx);
        const QString dir = fx.box.path("stand");
        // 3 shooters, 3 profiles, 48 results: reading 54 rows, merging 3 + 96 + 3 + 1 steps.
        QVERIFY(makeStand(dir, {{"Neu", "Nina", 1, 30, 1}, {"Meier", "Hans", 1, 10, 2}, {"Zweite", "Zora", 1, 8, 0}}));

        qint64 lastDone = 0, lastTotal = 0;
        bool backwards = false;
        const auto progress = [&](qint64 done, qint64 total) {
            backwards |= done < lastDone || (lastTotal && total != lastTotal);
            lastDone = done;
            lastTotal = total;
            return stopAt == 0 || done != (stopAt < 0 ? total : stopAt);
        };
        bool ok = false;
        StationImportSummary s;
        QString error;
        if (phase == "job") {
            StationImportJob job(dir, fx.data->connectionTarget());
            QObject receiver;   // on this thread: the progress arrives queued
            connect(&job, &BackgroundJob::progressed, &receiver, progress);
            if (stopAt)
                job.cancel();   // seen at the first step
            QSignalSpy finished(&job, &BackgroundJob::finished);
            QVERIFY(job.start());
            QVERIFY(finished.wait(20000));
            ok = finished.first().first().toBool();
            s = job.summary();
            error = job.error();
            QCOMPARE(ok, job.succeeded());
            QCOMPARE(ok, stopAt == 0);
            if (!ok)
                QCOMPARE(error, StationImportCancelledText(dir));
        } else {
            StationRows rows;
            ok = ReadStation(dir, &rows, &error, phase == "read" ? ImportProgress(progress) : ImportProgress());
            if (ok)
                ok = MergeStation(rows, TData::AliasName, &s, &error, progress);
            QCOMPARE(ok, stopAt == 0);
            if (!ok)
                QCOMPARE(error, StationImportCancelledText(dir));
        }
        QVERIFY(!backwards);
        if (ok) {
            QCOMPARE((QList<int>{s.shootersAdded, s.resultsAdded, s.resultsPresent}), (QList<int>{2, 48, 0}));
            QCOMPARE(lastDone, lastTotal);   // the bar reaches its end
            QVERIFY(lastTotal > 0);
        } else {
            QCOMPARE(contents(fx), before);
        }
        // The program's own connection stays usable.
        QVERIFY(fx.data->persTable()->refresh());
        QCOMPARE(fx.data->persTable()->recordCount(), ok ? 3 : 1);
    }
};

VR_TEST_CLASS(StationImportTest)
#include "stationimport_test.moc"
