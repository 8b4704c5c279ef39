// A restarted club server: every kind of operation of an idle stand opens
// the lost connection again and succeeds, without a program restart.
#include "storefixture.h"

#include "store/seriessaver.h"
#include "support/testmain.h"

#include <QDateTime>
#include <QSignalSpy>

namespace {
SeriesRun runAt(const QTime &time)
{
    SeriesRun run{"Meier", "Hans", 1, QDateTime(QDate(2026, 3, 4), time), {}, 0};
    for (int k = 1; k <= 5; ++k)
        run.rows << SeriesRow{1, k, 200 + k, QStringLiteral("x"), QStringLiteral("-")};
    return run;
}
} // namespace

class ReconnectTest : public QObject
{
    Q_OBJECT
private slots:
    void operationsSurviveAServerRestart_data()
    {
        QTest::addColumn<QString>("operation");
        for (const char *op : {"read shooters", "add shooter", "read profiles", "result query", "fetch results", "save run",
                               "delete series"})
            QTest::newRow(op) << QString::fromLatin1(op);
    }
    void operationsSurviveAServerRestart()
    {
        QFETCH(QString, operation);
        if (!storeOnServer())
            QSKIP("only against the club server (VR_STORE_KIND=server)");
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        const QTime times[2] = {QTime(10, 0), QTime(11, 0)};
        for (const QTime &t : times) {
            const SeriesSaveResult saved = saveSeries(fx.data.get(), runAt(t));
            QVERIFY2(saved.saved, qPrintable(saved.message));
        }
        TData *data = fx.data.get();
        int round = 0;
        const auto op = [&]() -> bool {
            ++round;
            if (operation == QLatin1String("read shooters"))
                return data->persTable()->refresh() && data->persTable()->recordCount() == round;
            if (operation == QLatin1String("add shooter"))
                return fx.addShooter(QStringLiteral("Neu%1").arg(round), "Eva");
            if (operation == QLatin1String("read profiles"))
                return data->visierTable()->refresh();
            if (operation == QLatin1String("result query"))
                return data->openResultQuery(TData::Query::EFR, "Meier", "Hans", false)
                       && data->query(TData::Query::EFR)->recordCount() == 10;
            if (operation == QLatin1String("fetch results")) {
                ResultQuery::Fetched rows;
                return data->fetchResults(TData::Query::EFR, "Meier", "Hans", false, &rows) && rows.rows.size() == 10;
            }
            if (operation == QLatin1String("save run"))
                return saveSeries(data, runAt(QTime(12, round))).saved;
            return data->deleteSeries("Meier", "Hans", QDate(2026, 3, 4), times[round - 1], 1, 1) == 5;
        };
        if (operation == QLatin1String("read shooters"))
            round = 0;
        QVERIFY2(op(), qPrintable(data->errorText()));
        if (operation == QLatin1String("read shooters"))
            QVERIFY(fx.addShooter("Zweiter", "Max"));   // the count read next
        PgCluster &server = storeServer();
        server.kill();
        QVERIFY2(server.restart(), qPrintable(server.error()));
        QVERIFY2(op(), qPrintable(data->errorText() + u' ' + data->persTable()->errorText()
                                  + u' ' + data->visierTable()->errorText()));
    }

    // A write of another stand reaches the program's data module as one
    // announcement, its own writes do not; also after a server restart.
    void otherStandsChangesAreAnnounced()
    {
        if (!storeOnServer())
            QSKIP("only against the club server (VR_STORE_KIND=server)");
        StoreFixture fx;
        QVERIFY(fx.open());
        QSignalSpy changed(fx.data.get(), &TData::changedElsewhere);
        TData other(QStringLiteral("ZweiterStand"));
        other.setTarget(fx.data->connectionTarget());
        QVERIFY2(other.openTables(), qPrintable(other.errorText()));
        for (int round = 0; round < 2; ++round) {
            QVERIFY(fx.addShooter(QStringLiteral("Eigen%1").arg(round), "Eva"));
            DataTable *p = other.persTable();
            QVERIFY(p->append() && p->setFieldValue("Name", QStringLiteral("Fremd%1").arg(round))
                    && p->setFieldValue("Vorname", "Max") && p->post());
            QTRY_COMPARE_WITH_TIMEOUT(changed.count(), round + 1, 3000);
            QTest::qWait(300);   // one announcement, not one per statement
            QCOMPARE(changed.count(), round + 1);
            if (round == 0) {
                storeServer().kill();
                QVERIFY2(storeServer().restart(), qPrintable(storeServer().error()));
                QVERIFY(fx.data->checkServerConnection());
                QVERIFY(other.checkServerConnection());
            }
        }
    }
};

VR_TEST_CLASS(ReconnectTest)
#include "reconnect_test.moc"
