#include "shooterfixture.h"

#include "shooters/perssel_form.h"
#include "shooters/shooterlist.h"
#include "support/testmain.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

void selectRow(ShooterList *list, int row)
{
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Shows the dialog modally, lets `act` work inside its loop, returns the result.
int runModal(TPersSel_Form &form, const std::function<void()> &act)
{
    bool ran = false;
    QTimer::singleShot(0, &form, [&] {
        ran = true;
        act();
        if (form.isVisible()) // nothing closed it: leave the loop
            form.done(-1);
    });
    const int result = form.exec();
    if (!ran)
        qWarning("the dialog loop never ran");
    return result;
}

} // namespace

class PersSelFormTest : public QObject
{
    Q_OBJECT
private slots:
    void creationAndTexts()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        TPersSel_Form form;
        QCOMPARE(form.objectName(), QStringLiteral("PersSel_Form"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Schütze auswählen"));
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Initialisierung : [Start] Laden PSF"),
                                               QStringLiteral("Initialisierung : [Erfolg] Laden PSF")}));
        QVERIFY(form.OK_Button->isDefault());
        QCOMPARE(form.OK_Button->text(), QStringLiteral("Üb&ernehmen"));
        QCOMPARE(form.OK_Button->statusTip(), QStringLiteral("Schütze auswählen"));
        QCOMPARE(form.Cancel_Button->text(), QStringLiteral("&Abbruch"));
        QCOMPARE(form.Cancel_Button->statusTip(), QStringLiteral("Auswahl abbrechen"));
        QVERIFY(!form.User_Image->pixmap().isNull());
        QVERIFY(form.Info1_Label->text().startsWith(QStringLiteral("Wählen Sie den gewünschten Schützen")));
        QVERIFY(form.Info2_Label->text().endsWith(QStringLiteral("auch aus der Schützenübersicht wählen.")));
    }

    void emptyTableLeavesNothingToTake()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        TPersSel_Form form;
        const int result = runModal(form, [&] {
            QVERIFY(!form.OK_Button->isEnabled());
            form.OK_ButtonClick(); // as if the button were pressed anyway
            QVERIFY(form.isVisible());
        });
        QCOMPARE(result, -1);
        QVERIFY(!ActiveShooter::instance().active);

        // A shooter added later: the next showing enables the button.
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        runModal(form, [&] { QVERIFY(form.OK_Button->isEnabled()); });
    }

    void cancelKeepsThePreviousActiveShooter()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 5));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul"), 9));
        TPersSel_Form form;

        // No active shooter before: still none.
        int result = runModal(form, [&] {
            selectRow(form.Pers_List, 1);
            QTest::mouseClick(form.Cancel_Button, Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!ActiveShooter::instance().active);

        // Anna active before: still Anna, whatever was marked.
        QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        result = runModal(form, [&] {
            selectRow(form.Pers_List, 1);
            QTest::keyClick(&form, Qt::Key_Escape);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        const ActiveShooter &active = ActiveShooter::instance();
        QVERIFY(active.active);
        QCOMPARE(active.displayName(), QStringLiteral("Anna Meyer"));
        QCOMPARE(active.Trainingsrunden, 5);
    }

    void takeMakesTheMarkedShooterActive()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul"), 9));
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 14));
        QVERIFY(f.add(QStringLiteral("Ühlein"), QStringLiteral("O'Hara \"Ö\""), 1));
        TPersSel_Form form;
        f.clearLog();
        const int result = runModal(form, [&] {
            selectRow(form.Pers_List, 0);
            QTest::mouseClick(form.OK_Button, Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        const ActiveShooter &active = ActiveShooter::instance();
        QVERIFY(active.active);
        QCOMPARE(active.Name, QStringLiteral("Meyer"));
        QCOMPARE(active.Vorname, QStringLiteral("Anna"));
        QCOMPARE(active.displayName(), QStringLiteral("Anna Meyer"));
        QCOMPARE(active.Trainingsrunden, 14);
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : [Start] aktiven Schützen wählen")}));
        // The chosen shooter is the current record, so measurements are booked to it.
        QCOMPARE(f.data->persTable()->fieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Meyer"));

        // Enter takes the marked entry too (default button); names with quotes and umlauts.
        runModal(form, [&] {
            selectRow(form.Pers_List, 2);
            form.Pers_List->setFocus();
            QTest::keyClick(form.Pers_List, Qt::Key_Return);
        });
        QCOMPARE(active.displayName(), QStringLiteral("O'Hara \"Ö\" Ühlein"));
        QCOMPARE(active.Trainingsrunden, 1);
    }

    void doubleClickOnAnEntryTakesIt()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 2));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul"), 7));
        TPersSel_Form form;
        const int result = runModal(form, [&] {
            // A double click below the entries takes nothing.
            QWidget *viewport = form.Pers_List->viewport();
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 3));
            QVERIFY(form.isVisible());
            QVERIFY(!ActiveShooter::instance().active);

            const QRect second = form.Pers_List->visualRect(form.Pers_List->model()->index(1, 0));
            QTest::mouseClick(viewport, Qt::LeftButton, {}, second.center());
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, second.center());
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(ActiveShooter::instance().displayName(), QStringLiteral("Paul Zeller"));
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 7);
    }
};

VR_TEST_CLASS(PersSelFormTest)
#include "perssel_form_test.moc"
