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
        QTest::newRow("new shooters with quotes and umlauts")
            << QList<StandShooter>{}
            << QList<StandShooter>{{"O'Brien", "Jürgen \"Jo\"", 2, 5, 7}, {"Müller-Weiß", "Ä'; DROP TABLE x;--", 1, 3, 1}}
            << QList<int>{2, 8, 0} << 3 << 8;
        QTest::newRow("shooter there with profiles and part of the results")
            << QList<StandShooter>{{"Meier", "Hans", 1, 2, 9}}
            << QList<StandShooter>{{"Meier", "Hans", 2, 5, 3}} << QList<int>{0, 3, 2} << 1 << 5;
        QTest::newRow("shooter there without profiles gets the stand's")
            << QList<StandShooter>{{"Meier", "Hans", 0, 0, 9}}
            << QList<StandShooter>{{"Meier", "Hans", 2, 1, 3}} << QList<int>{0, 1, 0} << 2 << 1;
        QTest::newRow("same name, other first name is another shooter")
            << QList<StandShooter>{{"Meier", "Hans", 1, 4, 9}}
            << QList<StandShooter>{{"Meier", "Hanna", 1, 4, 3}} << QList<int>{1, 4, 0} << 2 << 8;
        QTest::newRow("empty stand") << QList<StandShooter>{{"Meier", "Hans", 1, 1, 9}} << QList<StandShooter>{}
                                     << QList<int>{0, 0, 0} << 1 << 1;
    }
    void mergeTwice()
    {
        QFETCH(QList<StandShooter>, target);
        QFETCH(QList<StandShooter>, stand);
        QFETCH(QList<int>, first);
        QFETCH(int, profiles);
        QFETCH(int, rows);
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
        for (const StandShooter &t : target)   // a shooter that was there keeps his own count
            QVERIFY2(after.contains(QStringLiteral("%1,%2,%3").arg(t.name, t.vorname).arg(int(t.rounds))),
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
