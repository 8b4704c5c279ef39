// Statements with bound values: what a shooter's name holds arrives as it
// was, and a far club server is asked as few times as the work needs.
#include "storefixture.h"

#include "store/seriessaver.h"
#include "store/storequery.h"
#include "support/delayproxy.h"
#include "support/testmain.h"

#include <QFile>

namespace {
SeriesRun runOf(const QString &name, const QString &vorname, int minute)
{
    SeriesRun run{name, vorname, 1, QDateTime(QDate(2026, 3, 4), QTime(10, minute)), {}, 0};
    for (int k = 1; k <= 25; ++k)
        run.rows << SeriesRow{1 + (k - 1) / 5, 1 + (k - 1) % 5, 200 + k, QStringLiteral("x"), QStringLiteral("-")};
    return run;
}
} // namespace

class RoundTripsTest : public QObject
{
    Q_OBJECT
private slots:
    // Quotes, backslashes, placeholders and casts inside the values are data,
    // never part of the statement.
    void strangeNamesArriveAsTheyWere_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("vorname");
        QTest::newRow("quotes") << "O'Brien" << "\"Jo\" ''";
        QTest::newRow("backslashes") << "Back\\slash\\" << "\\'";
        QTest::newRow("placeholders") << "Wer?" << ":NAME ?::text";
        QTest::newRow("statement") << "x');DROP--" << "Ü ß €";
    }
    void strangeNamesArriveAsTheyWere()
    {
        QFETCH(QString, name);
        QFETCH(QString, vorname);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY2(fx.addShooter(name, vorname), qPrintable(fx.data->persTable()->errorText()));
        const SeriesSaveResult saved = saveSeries(fx.data.get(), runOf(name, vorname, 0));
        QVERIFY2(saved.saved, qPrintable(saved.message));
        QCOMPARE(saved.trainingRounds, 1);
        ResultQuery::Fetched rows;
        QVERIFY2(fx.data->fetchResults(TData::Query::EFR, name, vorname, false, &rows), qPrintable(fx.data->errorText()));
        QCOMPARE(rows.rows.size(), 25);
        QVERIFY(fx.selectShooter(name, vorname));
    }

    // Only placeholders outside quotes and comments take values.
    void placeholdersOutsideQuotesAndComments_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("inlined");
        QTest::newRow("positional") << "SELECT ?, ?" << "SELECT 7, 'a''b'";
        QTest::newRow("quoted") << "SELECT '?', \"?\", ?" << "SELECT '?', \"?\", 7";
        QTest::newRow("comments") << "SELECT ? -- ? :NAME\n, :NAME /* ? */" << "SELECT 7 -- ? :NAME\n, 'Öz' /* ? */";
        QTest::newRow("casts") << "SELECT ?::text, :NAME::text" << "SELECT 7::text, 'Öz'::text";
    }
    void placeholdersOutsideQuotesAndComments()
    {
        QFETCH(QString, sql);
        QFETCH(QString, inlined);
        StoreFixture fx;
        QVERIFY(fx.open());
        const QSqlDatabase db = QSqlDatabase::database(TData::AliasName, false);
        QCOMPARE(StoreQuery::inlined(db, sql, {7, QStringLiteral("a'b")}, {{QStringLiteral(":NAME"), QStringLiteral("Öz")}}),
                 inlined);
    }

    // Through a relay that counts the requests: a save of 25 rows and the
    // evaluation's three queries on connections kept open.
    void aFarServerIsAskedOnlyWhatTheWorkNeeds()
    {
        if (!storeOnServer())
            QSKIP("only against the club server (VR_STORE_KIND=server)");
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        const DatabaseTarget direct = fx.data->connectionTarget();
        DelayProxy relay(direct.host, direct.port, 0);
        QVERIFY(relay.port());
        QFile passwords(storeServer().passwordFile());
        QVERIFY(passwords.open(QIODevice::Append));
        passwords.write(QStringLiteral("%1:%2:*:%3:%4\n").arg(direct.host).arg(relay.port()).arg(direct.user, storeServer().password()).toUtf8());
        passwords.close();
        DatabaseTarget far = direct;
        far.port = relay.port();
        TData stand(QStringLiteral("FernerStand"));
        stand.setTarget(far);
        TData reader(QStringLiteral("FernerLeser"));
        reader.setTarget(far);
        reader.setReadOnly(true);
        QVERIFY2(stand.openTables() && reader.openTables(), qPrintable(stand.errorText() + reader.errorText()));
        for (int minute = 0; minute < 2; ++minute) {
            int before = relay.requests();
            const SeriesSaveResult saved = saveSeries(&stand, runOf("Meier", "Hans", minute));
            QVERIFY2(saved.saved, qPrintable(saved.message));
            QVERIFY2(relay.requests() - before <= 4, qPrintable(QString::number(relay.requests() - before)));
            before = relay.requests();
            for (TData::Query q : {TData::Query::EFR, TData::Query::EFRF, TData::Query::IK}) {
                ResultQuery::Fetched rows;
                QVERIFY2(reader.fetchResults(q, "Meier", "Hans", false, &rows), qPrintable(reader.errorText()));
            }
            QCOMPARE(relay.requests() - before, 3);
        }
        // The reader's session writes nothing, whatever its statement says.
        ResultQuery *efr = reader.query(TData::Query::EFR);
        efr->setStatement(QStringLiteral("WITH gone AS (DELETE FROM reakdata RETURNING *) SELECT * FROM gone"));
        ResultQuery::Fetched rows;
        QString why;
        QVERIFY(!ResultQuery::fetch(QSqlDatabase::database(QStringLiteral("FernerLeser"), false), efr->objectName(),
                                    efr->statement(), {}, &rows, &why, true));
        QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), 50);
    }
};

VR_TEST_CLASS(RoundTripsTest)
#include "roundtrips_test.moc"
