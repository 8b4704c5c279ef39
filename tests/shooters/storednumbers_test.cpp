// A shooter's record with numbers no count or bound can be (a damaged or
// foreign file): shown empty, never as a wrapped int.
#include "shooterfixture.h"

#include "store/datatablemodel.h"
#include "support/testmain.h"

class StoredNumbersTest : public QObject
{
    Q_OBJECT
private slots:
    void outOfRangeNumbersShowEmpty_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("rounds");     // the active shooter's count, -1: none
        QTest::addColumn<QString>("shown");  // in the overview's details
        QTest::newRow("1e300") << "1e300" << -1 << "";
        QTest::newRow("-1e300") << "-1e300" << -1 << "";
        QTest::newRow("beyond an int") << "3000000000" << -1 << "";
        QTest::newRow("negative") << "-4" << -1 << "-4";
        QTest::newRow("whole") << "7" << 7 << "7";
        QTest::newRow("fraction") << "2.4" << 2 << "2,4";
    }
    void outOfRangeNumbersShowEmpty()
    {
        QFETCH(QString, stored);
        QFETCH(int, rounds);
        QFETCH(QString, shown);
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add("Meier", "Hans"));
        bool ok = false;
        sqlOnFile(f.persFile(), QStringLiteral("UPDATE PersData SET Trainingsrunden = %1").arg(stored), {}, &ok);
        QVERIFY(ok);
        QVERIFY(f.data->persTable()->refresh());
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, rounds);
        QCOMPARE(DataTableModel::displayText(f.data->persTable()->fieldValue("Trainingsrunden")), shown);
    }
};

VR_TEST_CLASS(StoredNumbersTest)
#include "storednumbers_test.moc"
