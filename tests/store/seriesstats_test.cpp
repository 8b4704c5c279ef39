#include "platform/numberformat.h"
#include "store/resultquerymodel.h"
#include "store/tdata.h"
#include "support/testmain.h"
#include "storefixture.h"

#include <QTest>

namespace {
const QDate kDay(2003, 2, 1);
const QTime kTime(10, 15, 0);

// Rows "serie scheibe ms status [+msOffset]" for one shooter; applied in one go.
[[nodiscard]] bool store(StoreFixture &fx, int typ, const QStringList &rows)
{
    for (const QString &r : rows) {
        const QStringList p = r.split(u' ', Qt::SkipEmptyParts);
        const QTime t = p.size() > 4 ? kTime.addMSecs(p.at(4).toInt()) : kTime;
        if (!fx.addReak(kDay, t, typ, p.at(0).toInt(), p.at(1).toInt(), p.at(2).toInt(), p.at(3)))
            return false;
    }
    return fx.data->reakTable()->applyUpdates();
}

QString oneDecimal(const QVariant &v) { return NumberFormat::formatFloat("%.1f", v.toDouble()); }
} // namespace

class SeriesStatsTest : public QObject
{
    Q_OBJECT
private slots:
    void seriesAreEvaluatedOnTheirLastRow_data()
    {
        QTest::addColumn<int>("typ");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("means");   // per row, "##0.0"
        QTest::addColumn<QStringList>("devs");
        QTest::addColumn<QStringList>("lines");
        const QStringList zeros4{"0,0", "0,0", "0,0", "0,0"};
        const QString head = QStringLiteral("01.02.2003|10:15:00|");
        QTest::newRow("x,x,o,x,x") << 1 << QStringList{"1 1 300 x", "1 2 320 x", "1 3 900 o", "1 4 280 x", "1 5 300 x"}
                                   << zeros4 + QStringList{"300,0"} << zeros4 + QStringList{"16,3"}
                                   << QStringList{head + "1|300|320|0|280|300|300,0|"};
        QTest::newRow("second row o")
            << 1 << QStringList{"2 1 310 x", "2 2 999 o", "2 3 295 x", "2 4 300 x", "2 5 305 x"}
            << zeros4 + QStringList{"302,5"} << zeros4 + QStringList{"6,5"} << QStringList{head + "2|310|0|295|300|305|302,5|"};
        QTest::newRow("302.25 rounds up")
            << 2 << QStringList{"1 1 300 x", "1 2 300 x", "1 3 305 x", "1 4 304 x", "1 5 500 o"}
            << zeros4 + QStringList{"302,3"} << zeros4 + QStringList{"2,6"} << QStringList{head + "1|300|300|305|304|0|302,3|"};
        QTest::newRow("one valid row")
            << 1 << QStringList{"1 1 0 o", "1 2 0 o", "1 3 250 x", "1 4 0 o", "1 5 0 o"}
            << zeros4 + QStringList{"250,0"} << zeros4 + QStringList{"0,0"} << QStringList{head + "1|0|0|250|0|0|250,0|"};
        QTest::newRow("no valid row") << 1 << QStringList{"1 1 100 o", "1 2 100 o", "1 3 100 o", "1 4 100 o", "1 5 100 o"}
                                      << zeros4 + QStringList{"0,0"} << zeros4 + QStringList{"0,0"} << QStringList{};
        // Two saves within one second are two measurements, each series summarised.
        QTest::newRow("milliseconds apart")
            << 1 << QStringList{"1 1 200 x", "1 2 200 x", "1 1 400 x +1", "1 2 500 x +1"}
            << QStringList{"0,0", "200,0", "0,0", "450,0"} << QStringList{"0,0", "0,0", "0,0", "70,7"}
            << QStringList{head + "1|200|200|0|0|0|200,0|", head + "1|400|500|0|0|0|450,0|"};
        // Test 3: target 3 of the first series had no reaction and no row.
        QTest::newRow("test 3 run of 4, 5, 5")
            << 3
            << QStringList{"1 1 301 x", "1 2 302 x", "1 4 304 x", "1 5 305 x", "2 1 310 x", "2 2 310 x", "2 3 310 x",
                           "2 4 310 x", "2 5 310 x", "3 1 320 x", "3 2 0 o", "3 3 320 x", "3 4 320 x", "3 5 320 x"}
            << QStringList{"0,0", "0,0", "0,0", "303,0"} + zeros4 + QStringList{"310,0"} + zeros4 + QStringList{"320,0"}
            << QStringList{"0,0", "0,0", "0,0", "1,8"} + zeros4 + QStringList{"0,0"} + zeros4 + QStringList{"0,0"}
            << QStringList{head + "1|301|302|0|304|305|303,0|", head + "2|310|310|310|310|310|310,0|",
                           head + "3|320|0|320|320|320|320,0|"};
        // Six rows of one series: the sixth counts but has no slot.
        QTest::newRow("six rows") << 1
                                  << QStringList{"1 1 100 x", "1 2 100 x", "1 3 100 x", "1 4 100 x", "1 5 100 x", "1 6 700 x"}
                                  << zeros4 + QStringList{"0,0", "200,0"} << zeros4 + QStringList{"0,0", "244,9"}
                                  << QStringList{head + "1|100|100|100|100|100|200,0|"};
    }

    void seriesAreEvaluatedOnTheirLastRow()
    {
        QFETCH(int, typ);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, means);
        QFETCH(QStringList, devs);
        QFETCH(QStringList, lines);
        StoreFixture fx;
        fx.box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Müller", "Jürgen"));
        QVERIFY(fx.selectShooter("Müller", "Jürgen"));
        QVERIFY(store(fx, typ, rows));
        // A row of another shooter and of another test never mixes in.
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(store(fx, typ, {"1 5 999 x"}));
        QVERIFY(store(fx, typ == 1 ? 2 : 1, {"1 5 999 x"}));

        const auto which = TData::Query(typ - 1);
        QVERIFY2(fx.data->openResultQuery(which, "Müller", "Jürgen", true), qPrintable(fx.data->errorText()));
        ResultQuery *q = fx.data->query(which);
        QCOMPARE(q->recordCount(), rows.size());
        QStringList gotMeans, gotDevs;
        for (int i = 0; i < q->recordCount(); ++i) {
            QCOMPARE(q->valueAt(i, "GRIDNR").toInt(), i + 1);
            gotMeans << oneDecimal(q->valueAt(i, "MITTELWERT"));
            gotDevs << oneDecimal(q->valueAt(i, "STDABW"));
        }
        QCOMPARE(gotMeans, means);
        QCOMPARE(gotDevs, devs);
        QCOMPARE(fx.data->summaryLines(which), lines);
        // The full pass of the printing gives the same, once.
        fx.data->calcAll(which);
        QCOMPARE(fx.data->summaryLines(which), lines);
        QCOMPARE(q->recNo(), 1);
        QCOMPARE(oneDecimal(q->valueAt(rows.size() - 1, "MITTELWERT")), means.last());
    }

    // A hand-edited or foreign file: a stored value that is no number (or no
    // int) is shown empty in the grid and is not valid for the statistics and
    // the printed record; a row of "MessTyp" 7 is in no test's view.
    void storedValuesThatAreNoNumbers_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("stored"); // SQL value put into the row of target 2
        QTest::addColumn<QString>("shown");  // the grid's texts of the column, in query order
        QTest::addColumn<QString>("line");   // summary line of the series
        const QString head = QStringLiteral("01.02.2003|10:15:00|1|");
        const QString rest = QStringLiteral("300|0|300|300|300|300,0|");
        QTest::newRow("1e300") << "ReakZeit" << "1e300" << "300,,300,300,300" << head + rest;
        QTest::newRow("Inf") << "ReakZeit" << "9e999" << "300,,300,300,300" << head + rest;
        QTest::newRow("-Inf") << "ReakZeit" << "-9e999" << "300,,300,300,300" << head + rest;
        QTest::newRow("text") << "ReakZeit" << "'schnell'" << "300,,300,300,300" << head + rest;
        QTest::newRow("blob") << "ReakZeit" << "X'0102'" << "300,,300,300,300" << head + rest;
        QTest::newRow("one past int") << "ReakZeit" << "2147483648" << "300,,300,300,300" << head + rest;
        QTest::newRow("largest int") << "ReakZeit" << "2147483647" << "300,2147483647,300,300,300"
                                     << head + "300|2147483647|300|300|300|429496969,4|";
        QTest::newRow("target as text") << "Scheibe" << "'zwei'" << "1,3,4,5," << head + rest;
        QTest::newRow("series 1e300") << "Serie" << "1e300" << "1,1,1,1," << head + rest;
        QTest::newRow("test type 7") << "MessTyp" << "7" << "1,1,1,1" << head + rest;
    }

    void storedValuesThatAreNoNumbers()
    {
        QFETCH(QString, column);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, line);
        StoreFixture fx;
        fx.box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(store(fx, 1, {"1 1 300 x", "1 2 300 x", "1 3 300 x", "1 4 300 x", "1 5 300 x"}));
        // A number field on the server holds numbers only, no text, blob or infinity.
        if (storeOnServer() && (stored.startsWith(u'\'') || stored.startsWith(u'X') || stored.contains("9e999")))
            QSKIP("Der Server nimmt in Zahlenfeldern nur Zahlen an.");
        {
            QSqlQuery t(QSqlDatabase::database(TData::AliasName));
            QVERIFY2(t.exec(forKind(QStringLiteral("UPDATE reakdata.\"ReakData\" SET \"%1\" = %2 WHERE \"Scheibe\" = 2")
                                        .arg(column, stored))),
                     qPrintable(t.lastError().text()));
        }
        TData &d = *fx.data;
        for (int typ = 1; typ <= 3; ++typ)
            QVERIFY(d.openResultQuery(TData::Query(typ - 1), "Meier", "Hans", true));
        QVERIFY(d.efrfQuery()->isEmpty());
        QVERIFY(d.ikQuery()->isEmpty());
        ResultQueryModel grid(d.efrQuery(), {column});
        QStringList texts;
        for (int r = 0; r < grid.rowCount(); ++r)
            texts << grid.data(grid.index(r, 0)).toString();
        QCOMPARE(texts.join(u','), shown);
        QCOMPARE(d.summaryLines(TData::Query::EFR), QStringList{line});
        d.CalcEFRData();
        QCOMPARE(d.summaryLines(TData::Query::EFR), QStringList{line});
    }

    void reopeningClearsAndPassesDoNotRepeat()
    {
        StoreFixture fx;
        fx.box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Name", "Hans"));
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(store(fx, 1, {"1 1 300 x", "1 2 300 x", "2 1 400 x", "2 2 400 x"}));
        TData &d = *fx.data;
        // Newest first: the two series of one measurement, series ascending.
        QVERIFY(d.openResultQuery(TData::Query::EFR, "Meier", "Hans", false));
        QCOMPARE(d.summaryLines(TData::Query::EFR).size(), 2);
        QCOMPARE(d.stats(TData::Query::EFR).series().size(), 2);
        d.CalcEFRData();
        d.CalcEFRData();
        QCOMPARE(d.summaryLines(TData::Query::EFR).size(), 2);
        QVERIFY(d.openResultQuery(TData::Query::EFR, "Meier", "Hans", true));
        QCOMPARE(d.summaryLines(TData::Query::EFR).size(), 2);

        // Shooter "Name", "Hans" has no rows: a pasted "Name" would read the column.
        QVERIFY(d.openResultQuery(TData::Query::EFR, "Name", "Hans", true));
        QVERIFY(d.efrQuery()->isEmpty());
        QVERIFY(d.summaryLines(TData::Query::EFR).isEmpty());
        QVERIFY(d.stats(TData::Query::EFR).series().isEmpty());
        // Other queries keep their own lines.
        QVERIFY(d.openResultQuery(TData::Query::IK, "Meier", "Hans", true));
        QVERIFY(d.summaryLines(TData::Query::IK).isEmpty());
    }

    void deleteSeriesIsOneTransaction()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("O\"Neil", "Ann"));
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.selectShooter("O\"Neil", "Ann"));
        QVERIFY(store(fx, 1, {"1 1 300 x", "1 2 300 x", "1 3 300 x", "1 4 300 x", "1 5 300 x", "2 1 1 x"}));
        QVERIFY(store(fx, 1, {"1 1 300 x +1000"}));  // same series number, other measurement
        QVERIFY(store(fx, 2, {"1 1 300 x"}));        // other test
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(store(fx, 1, {"1 1 300 x"}));        // other shooter
        const QString file = fx.reakFile();
        QCOMPARE(rowsInFile(file, "ReakData"), 9);

        QVERIFY(d(fx).openResultQuery(TData::Query::EFR, "O\"Neil", "Ann", true));
        QCOMPARE(fx.data->efrQuery()->recordCount(), 7);

        // A trigger stops the delete on the third row: nothing is deleted.
        QVERIFY(refuseWrites(file, "stop_third", "ReakData", "DELETE", "old.\"Scheibe\" = 3", "disk I/O error"));
        QCOMPARE(fx.data->deleteSeries("O\"Neil", "Ann", kDay, kTime, 1, 1), -1);
        QCOMPARE(fx.data->errorText(), QStringLiteral("Die Serie kann nicht gelöscht werden: Lese- oder Schreibfehler auf dem Datenträger."));
        QCOMPARE(rowsInFile(file, "ReakData"), 9);
        QVERIFY(allowWrites(file, "stop_third", "ReakData"));
        QCOMPARE(fx.data->deleteSeries("O\"Neil", "Ann", kDay, kTime, 1, 1), 5);
        QCOMPARE(rowsInFile(file, "ReakData"), 4);
        QCOMPARE(sqlOnFile(file, "SELECT COUNT(*) FROM ReakData WHERE Serie = 1").first(), QStringLiteral("3"));
        QCOMPARE(fx.data->deleteSeries("O\"Neil", "Ann", kDay, kTime, 1, 1), 0);
    }

private:
    static TData &d(StoreFixture &fx) { return *fx.data; }
};

VR_TEST_CLASS(SeriesStatsTest)
#include "seriesstats_test.moc"
