#include "app/datasession.h"
#include "app/mainwindow.h"
#include "store/stationimport_test.h"
#include "store/tdata.h"
#include "support/findaction.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// Triggers "Daten importieren..." and answers the folder dialog with folder
// (empty: cancelled); false when no folder dialog came up.
bool importFrom(MainWindow &form, const QString &folder)
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
    }
};

VR_TEST_CLASS(StandImportTest)
#include "standimport_test.moc"
