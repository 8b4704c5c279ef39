#include "app/datasession.h"
#include "app/mainwindow.h"
#include "store/stationimport_test.h"
#include "store/stationimport.h"
#include "store/tdata.h"
#include "support/findaction.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Triggers "Daten importieren..." and answers the folder dialog with folder
// (empty: cancelled); false when no folder dialog came up.
bool importFrom(MainWindow &form, const QString &folder, const std::function<void()> &started = {})
{
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        asked = dialog->fileMode() == QFileDialog::Directory;
        if (folder.isEmpty()) {
            dialog->reject();
        } else {
            dialog->setDirectory(folder);
            dialog->selectFile(folder);
            static_cast<QDialog *>(dialog)->accept();
        }
    });
    QSignalSpy finished(&form, &MainWindow::standImportFinished);
    findAction(form, QStringLiteral("Import_Item"))->trigger();
    if (started)
        started();
    // The import runs on a thread of its own: its end comes as a signal.
    if (!folder.isEmpty() && finished.isEmpty() && !finished.wait(20000))
        return false;
    return asked;
}

QList<int> numbers(const QString &summary)
{
    QList<int> out;
    for (auto it = QRegularExpression("\\d+").globalMatch(summary); it.hasNext();)
        out << it.next().captured().toInt();
    return out;
}

} // namespace

class StandImportTest : public QObject
{
    Q_OBJECT
private slots:
    // The menu item merges a chosen folder into the open tables, shows the
    // summary and the new shooters at once; a second time adds nothing, a
    // broken folder gives the German reason and changes nothing.
    void menuItemMergesChosenFolder()
    {
        Sandbox box;
        ScriptedMessages boxes;
        TData data;
        MainWindow form;
        QVERIFY(OpenProgramData());
        DataTable *pers = data.persTable();
        QVERIFY(pers->append() && pers->setFieldValue("Name", "Meier") && pers->setFieldValue("Vorname", "Hans")
                && pers->post());
        const QString stand = box.path("stand");
        QVERIFY(makeStand(stand, {{"Meier", "Hans", 1, 2, 5}, {"Öztürk", "D'Arcy", 1, 4, 1}}));
        boxes.clear();

        QVERIFY(findAction(form, QStringLiteral("Import_Item"))->isEnabled());
        QVERIFY(importFrom(form, QString()));   // cancelled: nothing happens
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(pers->recordCount(), 1);

        QVERIFY(importFrom(form, stand));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.shown().last().kind, MessageService::Kind::Information);
        QCOMPARE(numbers(boxes.lastText()), (QList<int>{1, 6, 0}));
        QCOMPARE(pers->recordCount(), 2);   // read again without a restart
        QVERIFY(pers->moveTo(2) && pers->fieldValue("Name").toString() == QStringLiteral("Öztürk"));
        QCOMPARE(data.reakTable()->recordCount(), 4);   // the detail rows follow the shown shooter

        QVERIFY(importFrom(form, stand));
        QCOMPARE(numbers(boxes.lastText()), (QList<int>{0, 0, 6}));

        QFile f(QDir(stand).filePath("VData.sqlite"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("kaputt");
        f.close();
        QVERIFY(importFrom(form, stand));
        QCOMPARE(boxes.shown().last().kind, MessageService::Kind::Error);
        QVERIFY2(boxes.lastText().contains("VData.sqlite"), qPrintable(boxes.lastText()));
        QCOMPARE(pers->recordCount(), 2);

        // A results table of another program under the same name: refused naming its missing columns.
        const QString foreign = box.path("fremd");
        QVERIFY(makeStand(foreign, {{"Fremd", "Frida", 0, 0, 1}}));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(QDir(foreign).filePath("ReakData.sqlite"));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("DROP TABLE ReakData"));
            QVERIFY(q.exec("CREATE TABLE ReakData (Nummer INTEGER PRIMARY KEY, Name TEXT, Vorname TEXT, Datum TEXT, "
                           "Zeit TEXT, MessTyp REAL, Serie REAL, Scheibe REAL, Fehler TEXT)"));
            QVERIFY(q.exec("INSERT INTO ReakData (Name, Vorname, MessTyp) VALUES ('Fremd', 'Frida', 1)"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        QVERIFY(importFrom(form, foreign));
        QCOMPARE(boxes.shown().last().kind, MessageService::Kind::Error);
        QVERIFY2(boxes.lastText().contains("ReakData.sqlite") && boxes.lastText().contains("„ReakZeit“ und „Status“"),
                 qPrintable(boxes.lastText()));
        QVERIFY(pers->refresh());
        QCOMPARE(pers->recordCount(), 2);
    }

    // "Abbrechen" in the progress dialog while the stand's files are read:
    // nothing of the import stays and the user is told so.
    void cancelledImportLeavesNothing()
    {
        Sandbox box;
        ScriptedMessages boxes;
        TData data;
        MainWindow form;
        QVERIFY(OpenProgramData());
        DataTable *pers = data.persTable();
        QVERIFY(pers->append() && pers->setFieldValue("Name", "Meier") && pers->setFieldValue("Vorname", "Hans")
                && pers->post());
        const QString stand = box.path("stand");
        QVERIFY(makeStand(stand, {{"Neu", "Nina", 1, 40, 1}, {"Meier", "Hans", 1, 20, 2}}));
        boxes.clear();

        // Another program holds the stand's results file: the import waits there.
        const QString holder = QStringLiteral("stand-holder");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
            db.setDatabaseName(QDir(stand).filePath("ReakData.sqlite"));
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
        const auto release = [&] {
            QSqlDatabase db = QSqlDatabase::database(holder, false);
            QSqlQuery(db).exec(QStringLiteral("COMMIT"));
            db.close();
        };
        bool cancelled = false;
        QVERIFY(importFrom(form, stand, [&] {
            auto *progress = form.findChild<QProgressDialog *>();
            QVERIFY(progress);
            QCOMPARE(progress->windowModality(), Qt::WindowModal);
            QTest::qWait(50);   // the import reaches the held file
            auto *abort = progress->findChild<QPushButton *>();
            QVERIFY(abort && abort->text() == QStringLiteral("Abbrechen"));
            abort->click();
            cancelled = true;
            release();
        }));
        QSqlDatabase::removeDatabase(holder);
        QVERIFY(cancelled);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.lastText(), QStringLiteral("\r\n") + StationImportCancelledText(stand));
        QVERIFY(pers->refresh());
        QCOMPARE(pers->recordCount(), 1);
        QCOMPARE(data.reakTable()->recordCount(), 0);
        QTRY_VERIFY(!form.findChild<QProgressDialog *>());   // gone with the job
    }
};

VR_TEST_CLASS(StandImportTest)
#include "standimport_test.moc"
