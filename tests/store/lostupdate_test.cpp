// Two stands on one store: an edit (ShooterStore::update) writes only what it
// changed, against the values it read, so a save of another stand meanwhile
// keeps its count, and a change of the same field elsewhere refuses the edit
// instead of overwriting it.
#include "storefixture.h"

#include "store/seriessaver.h"
#include "store/shooterstore.h"
#include "support/testmain.h"

#include <QDateTime>

class LostUpdateTest : public QObject
{
    Q_OBJECT
private slots:
    void editKeepsWhatAnotherStandWrote_data()
    {
        QTest::addColumn<QString>("field");      // edited on stand A
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("other");      // what stand B does meanwhile
        QTest::addColumn<bool>("saved");         // A's edit
        QTest::addColumn<QString>("name");       // then stored
        QTest::addColumn<QString>("club");
        QTest::addColumn<int>("count");
        QTest::newRow("club after a run saved elsewhere") << "Sportverein" << "SV Neu" << "run" << true << "Meier" << "SV Neu" << 3;
        QTest::newRow("rename after a run saved elsewhere") << "Name" << "Berger" << "run" << true << "Berger" << "SV Alt" << 3;
        QTest::newRow("other field changed elsewhere") << "Sportverein" << "SV Neu" << "rename" << true << "Maier" << "SV Neu" << 2;
        QTest::newRow("same field changed elsewhere") << "Sportverein" << "SV Neu" << "club" << false << "Meier" << "SV Nord" << 2;
    }
    void editKeepsWhatAnotherStandWrote()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, other);
        QFETCH(bool, saved);
        QFETCH(QString, name);
        QFETCH(QString, club);
        QFETCH(int, count);

        StoreFixture fx;
        QVERIFY(fx.open());
        DataTable *a = fx.data->persTable();
        QVERIFY(a->append() && a->setFieldValue("Name", "Meier") && a->setFieldValue("Vorname", "Hans")
                && a->setFieldValue("Sportverein", "SV Alt") && a->setFieldValue("Trainingsrunden", 2) && a->post());

        ShooterStore storeA(fx.data.get());
        const std::optional<Shooter> read = storeA.findByNames("Meier", "Hans");
        QVERIFY(read && read->trainingsrunden == 2);

        // Stand B on the same data, after A has read the shooter.
        TData b(QStringLiteral("ZweiterStand"));
        b.setTarget(fx.data->connectionTarget());
        QVERIFY2(b.openTables(), qPrintable(b.errorText()));
        DataTable *bp = b.persTable();
        QCOMPARE(bp->recordCount(), 1);
        if (other == QLatin1String("run")) {
            SeriesRun run{"Meier", "Hans", 1, QDateTime(QDate(2026, 3, 4), QTime(10, 0)), {}, 0};
            for (int k = 1; k <= 5; ++k)
                run.rows << SeriesRow{1, k, 200 + k, QStringLiteral("x"), QStringLiteral("-")};
            const SeriesSaveResult r = saveSeries(&b, run);
            QVERIFY2(r.saved, qPrintable(r.message));
        } else {
            QVERIFY(bp->edit());
            QVERIFY(bp->setFieldValue(other == QLatin1String("club") ? "Sportverein" : "Name",
                                      other == QLatin1String("club") ? "SV Nord" : "Maier"));
            QVERIFY2(bp->post(), qPrintable(bp->errorText()));
        }

        // A edits what it read before B's change, its list read again meanwhile or not.
        QVERIFY(a->refresh());
        Shooter changed = *read;
        (field == QLatin1String("Name") ? changed.name : changed.sportverein) = value;
        const bool ok = storeA.update(*read, changed);
        QCOMPARE(ok, saved);
        if (!ok)
            QVERIFY2(storeA.errorText().contains("an einem anderen Platz geändert"), qPrintable(storeA.errorText()));
        QVERIFY(bp->refresh());
        QCOMPARE(bp->fieldValue("Name").toString(), name);
        QCOMPARE(bp->fieldValue("Sportverein").toString(), club);
        QCOMPARE(bp->fieldValue("Trainingsrunden").toInt(), count);
        // A renamed shooter keeps the run saved under the old name.
        if (other == QLatin1String("run")) {
            QCOMPARE(b.reakTable()->recordCount(), 5);
            QCOMPARE(b.reakTable()->fieldValue("Name").toString(), name);
        }
    }

    // A delete takes the shooter as asked about: renamed elsewhere after the
    // question, he stays with his results; asked again, he goes with them.
    void deleteTakesOnlyTheShooterAskedAbout()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        SeriesRun run{"Meier", "Hans", 1, QDateTime(QDate(2026, 3, 4), QTime(10, 0)), {}, 0};
        run.rows << SeriesRow{1, 1, 250, QStringLiteral("x"), QStringLiteral("-")};
        QVERIFY(saveSeries(fx.data.get(), run).saved);
        ShooterStore store(fx.data.get());
        const Shooter asked = *store.findByNames("Meier", "Hans");
        TData b(QStringLiteral("ZweiterStand"));
        b.setTarget(fx.data->connectionTarget());
        QVERIFY2(b.openTables(), qPrintable(b.errorText()));
        Shooter renamed = asked;
        renamed.name = QStringLiteral("Maier");
        QVERIFY2(ShooterStore(&b).update(asked, renamed), qPrintable(b.errorText()));

        QVERIFY(!store.remove(asked));
        QCOMPARE(rowsInFile(fx.persFile(), QStringLiteral("PersData")), 1);
        QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), 1);
        QVERIFY(store.remove(*store.findByNames("Maier", "Hans")));
        QCOMPARE(rowsInFile(fx.persFile(), QStringLiteral("PersData")), 0);
        QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), 0);
    }
};

VR_TEST_CLASS(LostUpdateTest)
#include "lostupdate_test.moc"
