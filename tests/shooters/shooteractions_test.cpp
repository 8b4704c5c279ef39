#include "shooterfixture.h"

#include "shooters/shooteractions.h"
#include "support/testmain.h"

#include <QTest>

namespace {

// Anna Meyer (3 rounds) and Paul Zeller; Anna active, the table moved on to Paul
// as browsing the overview would leave it.
void activeAnnaBrowsedToPaul(ShooterFixture &f)
{
    QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 3));
    QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul")));
    QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
    ActiveShooter::instance().active = true;
    MakeActiveShooter();
    QVERIFY(f.selectShooter(QStringLiteral("Zeller"), QStringLiteral("Paul")));
    f.clearLog();
}

} // namespace

class ShooterActionsTest : public QObject
{
    Q_OBJECT
private slots:
    void tableEmptyRule()
    {
        {
            Sandbox box; // no data module at all
            QVERIFY(ShooterTableEmpty());
        }
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(ShooterTableEmpty());
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(!ShooterTableEmpty());
        f.data->closeTables();
        QVERIFY(ShooterTableEmpty());
    }

    void mainMenuDeleteRemovesTheActiveShooter()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        activeAnnaBrowsedToPaul(f);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(DeleteActiveShooter(), ShooterDeleteResult::Deleted);
        QCOMPARE(f.messages.count(), 1);
        QCOMPARE(f.messages.lastText(), QStringLiteral("\r\nSchütze Anna Meyer wirklich löschen ?"));
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Paul Zeller")}));
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : [Start] Datensatz löschen")}));
        const ActiveShooter &active = ActiveShooter::instance();
        QVERIFY(!active.active);
        // The names stay until the panel is hidden by the next refresh.
        QCOMPARE(active.displayName(), QStringLiteral("Anna Meyer"));
    }

    void mainMenuDeleteAnsweredNoChangesNothing()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        activeAnnaBrowsedToPaul(f);
        if (QTest::currentTestFailed())
            return;
        f.messages.answerNext(MessageService::No);
        QCOMPARE(DeleteActiveShooter(), ShooterDeleteResult::Declined);
        QCOMPARE(f.storedShooters().size(), 2);
        QVERIFY(ActiveShooter::instance().active);
        QVERIFY(f.logMessages().isEmpty());
    }

    void mainMenuDeleteEndsTheActiveShooterAlsoWhenItFails()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        activeAnnaBrowsedToPaul(f);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(f.blockDeletes());
        QCOMPARE(DeleteActiveShooter(), ShooterDeleteResult::Failed);
        QCOMPARE(f.messages.count(), 1);
        QCOMPARE(f.storedShooters().size(), 2);
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : [Start] Datensatz löschen"),
                                               QStringLiteral("Ausführen : [Fehler] Datensatz löschen")}));
        QVERIFY(!ActiveShooter::instance().active);
    }

    void mainMenuDeleteOfAShooterAlreadyGone()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        activeAnnaBrowsedToPaul(f);
        if (QTest::currentTestFailed())
            return;
        // Deleted in the overview meanwhile.
        QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(f.data->persTable()->deleteCurrent());
        QCOMPARE(DeleteActiveShooter(), ShooterDeleteResult::NotFound);
        QCOMPARE(f.messages.count(), 0);
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Paul Zeller")}));
        QVERIFY(!ActiveShooter::instance().active);
    }

    void editWorksOnTheActiveShooter()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        activeAnnaBrowsedToPaul(f);
        if (QTest::currentTestFailed())
            return;
        DataTable *pers = f.data->persTable();
        QString edited;
        const bool ran = EditActiveShooter([&] {
            edited = pers->fieldValue(QStringLiteral("Vorname")).toString();
            QVERIFY(pers->edit() && pers->setFieldValue(QStringLiteral("Vorname"), QStringLiteral("Anne-Marie"))
                    && pers->setFieldValue(QStringLiteral("Trainingsrunden"), 0) && pers->post());
        });
        QVERIFY(ran);
        QCOMPARE(edited, QStringLiteral("Anna"));
        const ActiveShooter &active = ActiveShooter::instance();
        QVERIFY(active.active);
        QCOMPARE(active.displayName(), QStringLiteral("Anne-Marie Meyer"));
        QCOMPARE(active.Trainingsrunden, 0);
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Anne-Marie Meyer"), QStringLiteral("Paul Zeller")}));

        // Gone meanwhile: no dialog on somebody else's record.
        QVERIFY(pers->deleteCurrent());
        bool opened = false;
        QVERIFY(!EditActiveShooter([&] { opened = true; }));
        QVERIFY(!opened);
        QCOMPARE(f.messages.lastText(),
                 QStringLiteral("\r\nDer aktive Schütze ist nicht mehr in der Datenbank vorhanden."));
        QVERIFY(!ActiveShooter::instance().active);
    }
};

VR_TEST_CLASS(ShooterActionsTest)
#include "shooteractions_test.moc"
