#include "store/tdata.h"
#include "support/testmain.h"
#include "storefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

class MaintenanceTest : public QObject
{
    Q_OBJECT
private:
    // A failed step fails the test; the caller returns then.
    static void fillReak(StoreFixture &fx, int series, int targets, const QTime &t)
    {
        for (int s = 1; s <= series; ++s)
            for (int k = 1; k <= targets; ++k)
                QVERIFY(fx.addReak(QDate(2024, 2, 2), t, 1, s, k, 100 + k, "x"));
        QVERIFY(fx.data->reakTable()->applyUpdates());
    }

private slots:
    void deleteSeriesRemovesExactlyThatSeries()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("O'Neil", "Ann"));
        fillReak(fx, 2, 5, QTime(10, 0, 0, 100));
        if (QTest::currentTestFailed())
            return;
        fillReak(fx, 2, 5, QTime(10, 0, 0, 101)); // another run, same series numbers
        if (QTest::currentTestFailed())
            return;
        DataTable *r = fx.data->reakTable();
        QCOMPARE(r->recordCount(), 20);
        QCOMPARE(fx.data->deleteSeries("O'Neil", "Ann", QDate(2024, 2, 2), QTime(10, 0, 0, 100), 1, 2), 5);
        QCOMPARE(r->recordCount(), 15); // the dataset follows the file
        QStringList left{"10:00:00.100/1.0:5", "10:00:00.101/1.0:5", "10:00:00.101/2.0:5"};
        if (storeOnServer())
            left.replaceInStrings(".0:", ":");   // PostgreSQL writes a whole double without ".0"
        QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT Zeit || '/' || Serie || ':' || COUNT(*) FROM ReakData "
                                          "GROUP BY Zeit, Serie ORDER BY Zeit, Serie"),
                 left);
        QCOMPARE(fx.data->deleteSeries("O'Neil", "Ann", QDate(2024, 2, 2), QTime(10, 0, 0, 100), 2, 1), 0);
        fx.data->closeTables();
        QCOMPARE(fx.data->deleteSeries("O'Neil", "Ann", QDate(2024, 2, 2), QTime(10, 0, 0, 100), 1, 1), -1);
        QVERIFY(!fx.data->errorText().isEmpty());
    }

    // Only the rows of exactly his name pair go (no other case, no prefix);
    // rows still waiting in the cache for another shooter are kept.
    void deleteShooterTakesExactlyHisRows()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        const QList<QPair<QString, QString>> pairs = {{"O'Neil", "Ann"}, {"O'Neil", "Anne"}, {"o'neil", "Ann"}};
        for (const auto &p : pairs) {
            QVERIFY(fx.addShooter(p.first, p.second));
            QVERIFY(fx.selectShooter(p.first, p.second));
            DataTable *v = fx.data->visierTable();
            QVERIFY(v->append() && v->setFieldValue("Spiegel_Size", 6.0) && v->post());
            fillReak(fx, 2, 5, QTime(10, 0, 0, 100));
            if (QTest::currentTestFailed())
                return;
            fillReak(fx, 2, 5, QTime(10, 0, 0, 101));
            if (QTest::currentTestFailed())
                return;
        }
        TData::ShooterData counted;
        QVERIFY(fx.data->countShooterData("O'Neil", "Ann", &counted));
        QCOMPARE(counted.profiles, 1);
        QCOMPARE(counted.series, 4);
        QVERIFY(fx.data->countShooterData("Nobody", "Ann", &counted));
        QCOMPARE(counted.series, 0);

        QVERIFY(fx.selectShooter("O'Neil", "Anne"));
        QVERIFY(fx.addReak(QDate(2024, 2, 3), QTime(9, 0), 2, 1, 1, 300));   // not yet applied
        QVERIFY(fx.selectShooter("O'Neil", "Ann"));
        QVERIFY(fx.data->deleteShooter());
        const auto left = [&](const QString &file, const QString &table) {
            return sqlOnFile(file, QStringLiteral("SELECT Name || '/' || Vorname || ':' || COUNT(*) FROM \"%1\" "
                                                  "GROUP BY Name, Vorname ORDER BY Name, Vorname").arg(table));
        };
        QCOMPARE(left(fx.persFile(), "PersData"), (QStringList{"O'Neil/Anne:1", "o'neil/Ann:1"}));
        QCOMPARE(left(fx.visFile(), "VData"), (QStringList{"O'Neil/Anne:1", "o'neil/Ann:1"}));
        QCOMPARE(left(fx.reakFile(), "ReakData"), (QStringList{"O'Neil/Anne:21", "o'neil/Ann:20"}));
        QVERIFY(!fx.data->reakTable()->hasPendingUpdates());
        // The detail tables show the shooter who is current now.
        const QString current = fx.data->persTable()->fieldValue("Vorname").toString();
        QCOMPARE(fx.data->reakTable()->recordCount(), current == "Anne" ? 21 : 20);
        QCOMPARE(fx.data->visierTable()->recordCount(), 1);
    }

    void packDropsDeletedRowsWhileOpen()
    {
        SKIP_ON_SERVER("Reorganisieren und Sichern von Dateien; der Server: ServerDatabaseTest.");
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        fillReak(fx, 1, 1500, QTime(11, 0, 0, 0));
        if (QTest::currentTestFailed())
            return;
        fillReak(fx, 1, 5, QTime(12, 0, 0, 0));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(fx.data->deleteSeries("Meier", "Hans", QDate(2024, 2, 2), QTime(11, 0, 0, 0), 1, 1), 1500);
        const qint64 before = QFileInfo(fx.reakFile()).size();
        QVERIFY(sqlOnFile(fx.reakFile(), "PRAGMA freelist_count").value(0).toInt() > 0);

        QVERIFY2(fx.data->PackTable(fx.data->reakTable()), qPrintable(fx.data->errorText()));
        QVERIFY(QFileInfo(fx.reakFile()).size() < before);
        QCOMPARE(sqlOnFile(fx.reakFile(), "PRAGMA freelist_count"), QStringList{"0"});
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 5);
        QCOMPARE(sqlOnFile(fx.reakFile(), "PRAGMA integrity_check"), QStringList{"ok"});
        // The open table goes on working.
        DataTable *r = fx.data->reakTable();
        QCOMPARE(r->recordCount(), 5);
        QVERIFY(fx.addReak(QDate(2024, 2, 3), QTime(8, 0, 0, 0), 1, 1, 1, 200));
        QVERIFY(r->applyUpdates());
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 6);
        QVERIFY(fx.data->PackTable(fx.data->persTable()));
        QVERIFY(fx.data->PackTable(fx.data->visierTable()));
        QVERIFY(!fx.data->PackTable(nullptr));
    }

    void packAndCopyWithTheSessionClosed()
    {
        SKIP_ON_SERVER("Reorganisieren und Sichern von Dateien; der Server: ServerDatabaseTest.");
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        fx.data->deactivateSession();
        QVERIFY(fx.data->PackTable(fx.data->persTable()));
        const QString backup = fx.box.path("prog/bin/Backup");
        QDir().mkpath(backup);
        QVERIFY2(fx.data->CopyTable(fx.data->persTable(), backup), qPrintable(fx.data->errorText()));
        QCOMPARE(rowsInFile(backup + "/PersData.sqlite", "PersData"), 1);
        // A table file that is missing is reported, not created.
        QFile::remove(fx.visFile());
        QVERIFY(!fx.data->CopyTable(fx.data->visierTable(), backup));
        QVERIFY(fx.data->errorText().contains("VData.sqlite"));
        QVERIFY(!QFile::exists(fx.visFile()));
        QCOMPARE(QDir(backup).entryList(QDir::Files), QStringList{"PersData.sqlite"});
    }

    void copyWhileOpenIsAWholeDatabase()
    {
        SKIP_ON_SERVER("Reorganisieren und Sichern von Dateien; der Server: ServerDatabaseTest.");
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.addShooter("Schulz", "Eva"));
        fillReak(fx, 2, 5, QTime(7, 0, 0, 0));
        if (QTest::currentTestFailed())
            return;
        const QString backup = fx.box.path("prog/bin/Backup");
        QDir().mkpath(backup);
        for (DataTable *t : {fx.data->persTable(), fx.data->visierTable(), fx.data->reakTable()})
            QVERIFY2(fx.data->CopyTable(t, backup), qPrintable(fx.data->errorText()));
        QCOMPARE(QDir(backup).entryList(QDir::Files),
                 (QStringList{"PersData.sqlite", "ReakData.sqlite", "VData.sqlite"}));
        QCOMPARE(sqlOnFile(backup + "/PersData.sqlite", "SELECT Name FROM PersData ORDER BY Name"),
                 (QStringList{"Meier", "Schulz"}));
        QCOMPARE(rowsInFile(backup + "/ReakData.sqlite", "ReakData"), 10);
        QCOMPARE(sqlOnFile(backup + "/ReakData.sqlite", "PRAGMA integrity_check"), QStringList{"ok"});
        QVERIFY(sqlOnFile(backup + "/ReakData.sqlite", "SELECT name FROM sqlite_master").contains("reakindex"));
        // The source stays usable after copying.
        QVERIFY(fx.addShooter("Berg", "Clara"));

        // A second copy replaces the first.
        QVERIFY(fx.data->CopyTable(fx.data->persTable(), backup));
        QCOMPARE(rowsInFile(backup + "/PersData.sqlite", "PersData"), 3);
        QCOMPARE(QDir(backup).entryList(QDir::Files).size(), 3);
    }

    void failedCopyKeepsTheOldCopy()
    {
        SKIP_ON_SERVER("Reorganisieren und Sichern von Dateien; der Server: ServerDatabaseTest.");
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        const QString backup = fx.box.path("prog/bin/Backup");
        QVERIFY(!fx.data->CopyTable(fx.data->persTable(), backup)); // no such folder
        QVERIFY(fx.data->errorText().contains("Backup"));

        // Something that cannot be replaced by a file stands where the copy goes.
        QDir().mkpath(backup + "/PersData.sqlite");
        QFile keep(backup + "/PersData.sqlite/keep.txt");
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.write("old");
        keep.close();
        QVERIFY(!fx.data->CopyTable(fx.data->persTable(), backup));
        QVERIFY(!fx.data->errorText().isEmpty());
        QVERIFY(QFile::exists(backup + "/PersData.sqlite/keep.txt"));
        QCOMPARE(QDir(backup).entryList(QDir::Files), QStringList()); // no temporary file left
    }
};

VR_TEST_CLASS(MaintenanceTest)
#include "maintenance_test.moc"
