#include "shooterfixture.h"

#include "shooters/shooterselectdialog.h"
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
int runModal(ShooterSelectDialog &form, const std::function<void()> &act)
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

class ShooterSelectDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void creationAndTexts()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        ShooterSelectDialog form;
        QCOMPARE(form.objectName(), QStringLiteral("PersSel_Form"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Schütze auswählen"));
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Initialisierung : [Start] Laden PSF"),
                                               QStringLiteral("Initialisierung : [Erfolg] Laden PSF")}));
        QVERIFY(form.okButton()->isDefault());
        QCOMPARE(form.okButton()->text(), QStringLiteral("Üb&ernehmen"));
        QCOMPARE(form.okButton()->statusTip(), QStringLiteral("Schütze auswählen"));
        QCOMPARE(form.cancelButton()->text(), QStringLiteral("&Abbruch"));
        QCOMPARE(form.cancelButton()->statusTip(), QStringLiteral("Auswahl abbrechen"));
        QVERIFY(!form.userImage()->pixmap().isNull());
        QVERIFY(form.infoLabel(0)->text().startsWith(QStringLiteral("Wählen Sie den gewünschten Schützen")));
        QVERIFY(form.infoLabel(1)->text().endsWith(QStringLiteral("auch aus der Schützenübersicht wählen.")));
    }

    // The captions' keys do what the buttons do: Alt+E takes the marked
    // shooter, Alt+A and Escape leave the active one as it was, Alt+S goes
    // to the list.
    void keysOfTheDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("active");
        QTest::newRow("Alt+E takes") << int(Qt::Key_E) << int(QDialog::Accepted) << "Paul Zeller";
        QTest::newRow("Alt+A cancels") << int(Qt::Key_A) << int(QDialog::Rejected) << "";
        QTest::newRow("Alt+S to the list") << int(Qt::Key_S) << -1 << "";
    }

    void keysOfTheDialog()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        QFETCH(QString, active);
        ShooterFixture f;
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul")));
        ShooterSelectDialog form;
        bool listFocused = false;
        const int got = runModal(form, [&] {
            QVERIFY(QTest::qWaitForWindowActive(&form));
            selectRow(form.shooterList(), 1);
            form.okButton()->setFocus();
            QTest::keyClick(&form, Qt::Key(key), Qt::AltModifier);
            if (result != -1) // a button's key clicks it a moment later
                QTRY_VERIFY(!form.isVisible());
            listFocused = form.isVisible() && form.shooterList()->hasFocus();
        });
        QCOMPARE(got, result);
        QCOMPARE(ActiveShooter::instance().active ? ActiveShooter::instance().displayName() : QString(), active);
        QCOMPARE(listFocused, key == Qt::Key_S);
    }

    void emptyTableLeavesNothingToTake()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        ShooterSelectDialog form;
        const int result = runModal(form, [&] {
            QVERIFY(!form.okButton()->isEnabled());
            form.okClicked(); // as if the button were pressed anyway
            QVERIFY(form.isVisible());
        });
        QCOMPARE(result, -1);
        QVERIFY(!ActiveShooter::instance().active);

        // A shooter added later: the next showing enables the button.
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        runModal(form, [&] { QVERIFY(form.okButton()->isEnabled()); });
    }

    void cancelKeepsThePreviousActiveShooter()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 5));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul"), 9));
        ShooterSelectDialog form;

        // No active shooter before: still none.
        int result = runModal(form, [&] {
            selectRow(form.shooterList(), 1);
            QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!ActiveShooter::instance().active);

        // Anna active before: still Anna, whatever was marked.
        QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        result = runModal(form, [&] {
            selectRow(form.shooterList(), 1);
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
        ShooterSelectDialog form;
        f.clearLog();
        const int result = runModal(form, [&] {
            selectRow(form.shooterList(), 0);
            QTest::mouseClick(form.okButton(), Qt::LeftButton);
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
            selectRow(form.shooterList(), 2);
            form.shooterList()->setFocus();
            QTest::keyClick(form.shooterList(), Qt::Key_Return);
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
        ShooterSelectDialog form;
        const int result = runModal(form, [&] {
            // A double click below the entries takes nothing.
            QWidget *viewport = form.shooterList()->viewport();
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 3));
            QVERIFY(form.isVisible());
            QVERIFY(!ActiveShooter::instance().active);

            const QRect second = form.shooterList()->visualRect(form.shooterList()->model()->index(1, 0));
            QTest::mouseClick(viewport, Qt::LeftButton, {}, second.center());
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, second.center());
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(ActiveShooter::instance().displayName(), QStringLiteral("Paul Zeller"));
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 7);
    }
};

VR_TEST_CLASS(ShooterSelectDialogTest)
#include "shooterselectdialog_test.moc"
