#include "store/seriessaver.h"
#include "store/tdata.h"
#include "support/testmain.h"
#include "storefixture.h"

#include <QTest>

namespace {

const QString kNoShooter = QStringLiteral("\r\nDer aktive Schütze ist nicht in der Schützendatenbank vorhanden.\r\n"
                                          "Die Ergebnisse wurden nicht gespeichert.");

// Three series of five rows of test 2 for "Meier, Hans"; the third row of
// the second series carries the given error text.
SeriesRun run(const QString &middleError = QStringLiteral("-"))
{
    SeriesRun r{QStringLiteral("Meier"), QStringLiteral("Hans"), 2, QDateTime(QDate(2024, 6, 1), QTime(14, 30, 5, 250)), {}};
    for (int s = 1; s <= 3; ++s)
        for (int k = 1; k <= 5; ++k)
            r.rows << SeriesRow{s, k, 200 + 10 * k, k == 3 ? QStringLiteral("o") : QStringLiteral("x"),
                                s == 2 && k == 3 ? middleError : QStringLiteral("-")};
    return r;
}

} // namespace

class SeriesSaverTest : public QObject
{
    Q_OBJECT
private slots:
    // Every way a save can fail writes nothing and leaves the count alone;
    // once the cause is gone the same run is stored whole.
    void allOrNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");   // start of the message; empty: saved
        QTest::newRow("no fault") << "" << "";
        QTest::newRow("row in the middle refused by the file")
            << "trigger" << "\r\nFehler beim Schreiben der Daten !\r\nFehler beim Schreiben in die Tabelle „ReakData“";
        QTest::newRow("row in the middle too long for its field")
            << "too long" << "\r\nFehler beim Schreiben der Daten !\r\nDas Feld „Fehler“ darf höchstens 25 Zeichen";
        QTest::newRow("shooter record refused")
            << "pers trigger" << "\r\nFehler beim Schreiben der Daten !\r\nFehler beim Schreiben in die Tabelle „ReakData“";
        QTest::newRow("file locked by another program") << "locked" << "\r\nDie Datenbank ist gesperrt: sie wird gerade";
        QTest::newRow("shooter gone") << "renamed" << kNoShooter;
        QTest::newRow("tables closed") << "closed" << kNoShooter;
    }
    void allOrNothing()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.addShooter("Zander", "Tom"));
        DataTable *pers = fx.data->persTable();
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(pers->edit() && pers->setFieldValue("Trainingsrunden", 4.0) && pers->post());
        QVERIFY(fx.selectShooter("Zander", "Tom"));   // saving does not depend on the shown shooter
        const auto rounds = [&] {
            return sqlOnFile(fx.persFile(), "SELECT CAST(Trainingsrunden AS INTEGER) FROM PersData WHERE Name = 'Meier'");
        };

        bool ok = true;
        SeriesRun bad = run();
        QString foreign;
        if (fault == "trigger")
            ok = refuseWrites(fx.reakFile(), "full", "ReakData", "INSERT", "NEW.Serie = 2 AND NEW.Scheibe = 3",
                              "database or disk is full");
        else if (fault == "pers trigger")
            ok = refuseWrites(fx.persFile(), "keep", "PersData", "UPDATE", "", "no");
        else if (fault == "too long")
            bad = run(QString(30, u'x'));
        else if (fault == "renamed")
            bad.name = QStringLiteral("Meyer");
        else if (fault == "closed")
            fx.data->closeTables();
        else if (fault == "locked" && storeOnServer()) {
            // Another stand holds the table: the save waits no longer than the lock time-out.
            foreign = QStringLiteral("seriessaver-lock");
            QSqlDatabase db = openServerCheck(foreign);
            ok = db.isOpen() && QSqlQuery(db).exec(QStringLiteral("BEGIN"))
                 && QSqlQuery(db).exec(QStringLiteral("LOCK TABLE reakdata.reakdata IN EXCLUSIVE MODE"));
        } else if (fault == "locked") {
            foreign = QStringLiteral("seriessaver-lock");
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), foreign);
            db.setDatabaseName(fx.reakFile());
            ok = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
        }
        QVERIFY(ok);

        const SeriesSaveResult result = saveSeries(fx.data.get(), bad);
        if (!foreign.isEmpty()) {
            QSqlDatabase::database(foreign).close();
            QSqlDatabase::removeDatabase(foreign);
        }
        if (message.isEmpty()) {
            QVERIFY2(result.saved, qPrintable(result.message));
            QCOMPARE(result.trainingRounds, 5);
            QCOMPARE(rounds(), QStringList{"5"});
            QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 15);
            QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT DISTINCT Name || ',' || Vorname || ',' || Datum || ' ' || Zeit || ','"
                                              " || CAST(MessTyp AS INTEGER) FROM ReakData"),
                     QStringList{"Meier,Hans,2024-06-01 14:30:05.250,2"});
            QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT CAST(ReakZeit AS INTEGER) || Status FROM ReakData "
                                              "WHERE Serie = 2 ORDER BY Scheibe"),
                     (QStringList{"210x", "220x", "230o", "240x", "250x"}));
            // The table shows what the file holds, the shown shooter stays.
            QCOMPARE(pers->fieldValue("Name").toString(), QStringLiteral("Zander"));
            QVERIFY(fx.selectShooter("Meier", "Hans"));
            QCOMPARE(pers->fieldValue("Trainingsrunden").toInt(), 5);
            return;
        }
        QVERIFY(!result.saved);
        QVERIFY2(result.message.startsWith(message), qPrintable(result.message));
        QCOMPARE(result.trainingRounds, -1);
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 0);
        QCOMPARE(rounds(), QStringList{"4"});

        // The cause removed, the run is stored whole.
        if (fault == "trigger")
            ok = allowWrites(fx.reakFile(), "full", "ReakData");
        else if (fault == "pers trigger")
            ok = allowWrites(fx.persFile(), "keep", "PersData");
        else if (fault == "closed")
            ok = fx.open();
        QVERIFY(ok);
        const SeriesSaveResult again = saveSeries(fx.data.get(), run());
        QVERIFY2(again.saved, qPrintable(again.message));
        QCOMPARE(again.trainingRounds, 5);
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 15);
        QCOMPARE(rounds(), QStringList{"5"});
    }
};

VR_TEST_CLASS(SeriesSaverTest)
#include "seriessaver_test.moc"
