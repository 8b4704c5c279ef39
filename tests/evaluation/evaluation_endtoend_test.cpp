#include "evaluation/evaluationwindow.h"
#include "evaluation/dataexport.h"
#include "scriptedprint.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "app/datasession.h"
#include "app/mainwindow.h"
#include "support/findaction.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "store/storefixture.h"
#include "support/child.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPrintDialog>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "evaluation/resultgrid.h"

namespace {
// Triggers a menu item of the window as the user picks it; false when it is missing.
bool triggerItem(QObject *window, const char *name)
{
    auto *item = window->findChild<QAction *>(QString::fromLatin1(name));
    if (item)
        item->trigger();
    return item != nullptr;
}
} // namespace

// The whole road from the main window: "&Auswertung", grids, a series chosen,
// another window activated and the evaluation again (the selection stays),
// the series deleted with "Ja", test 1 printed after the print dialog, a page
// exported as CSV; then "Daten &exportieren..." from the program menu. Under a
// real X server the activations go through the window system.
class EvaluationEndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void fromTheMainWindow()
    {
        Sandbox box;
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        Settings::instance().Logfile = true;
        FakeClock clock;
        clock.setWallClock(QDateTime(QDate(2026, 12, 7), QTime(20, 0)));
        ScriptedMessages messages;
        ScriptedPrint print;
        QTemporaryDir out;

        TData data;
        MainWindow mainForm;
        OpenProgramData();
        QVERIFY(data.tablesOpen());
        Settings::instance().Logfile = true; // the settings were just loaded
        auto *evaluation = new EvaluationWindow(&mainForm);
        ProgramWindows windows;
        windows.evaluation = [evaluation] { evaluation->exec(); };
        windows.exportData = [&mainForm] { ExportAllData(&mainForm); };
        mainForm.setWindows(windows);
        QVERIFY(!findAction(mainForm, "Auswertung_Item")->isEnabled()); // no active shooter yet
        QVERIFY(findAction(mainForm, "Export_Item")->isEnabled());
        QVERIFY(findAction(mainForm, "Import_Item")->isEnabled());
        QVERIFY(!findAction(mainForm, "Archiv_Item")->isEnabled());

        DataTable *pers = data.persTable();
        QVERIFY(pers->append() && pers->setFieldValue("Name", "Müller") && pers->setFieldValue("Vorname", "Jürgen")
                && pers->setFieldValue("Trainingsrunden", 0.0) && pers->post());
        DataTable *reak = data.reakTable();
        for (int serie = 1; serie <= 3; ++serie)
            for (int k = 1; k <= 5; ++k)
                QVERIFY(reak->append() && reak->setFieldValue("Datum", QDate(2003, 2, 1))
                        && reak->setFieldValue("Zeit", QTime(10, 15, 0)) && reak->setFieldValue("MessTyp", 1.0)
                        && reak->setFieldValue("Serie", double(serie)) && reak->setFieldValue("Scheibe", double(k))
                        && reak->setFieldValue("ReakZeit", double(240 + 10 * k + serie)) && reak->setFieldValue("Status", "x")
                        && reak->setFieldValue("Fehler", "-") && reak->post());
        QVERIFY(reak->applyUpdates());
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        mainForm.show();
        QVERIFY(findAction(mainForm, "Auswertung_Item")->isEnabled());

        const QString pdf = out.filePath("efr.pdf");
        const QString csv = out.filePath("efr.csv");
        print.printPdf = pdf;
        const QString pdfName = QStringLiteral("Müller_Jürgen_Einfachreaktionstest_07.12.2026.pdf");
        QString offeredFile;
        print.duringSetup = [&] {
            // The real print dialog offers the record's name as its PDF file
            // (Qt fills that field in only on X).
            if (QGuiApplication::platformName() != QLatin1String("xcb"))
                return;
            QPrintDialog dialog(print.setupOn);
            if (auto *file = dialog.findChild<QLineEdit *>(QStringLiteral("filename")))
                offeredFile = QFileInfo(file->text()).fileName();
        };
        QStringList seen;
        bool ran = false;
        QTimer::singleShot(0, evaluation, [&] {
            ran = true;
            // A failed check leaves the lambda early: the window closes all the same.
            const auto closeAtEnd = qScopeGuard([evaluation] {
                if (evaluation->isVisible())
                    evaluation->reject();
            });
            QVERIFY(evaluation->isVisible());
            QTableView *grid = evaluation->grid(1);
            QTRY_COMPARE(grid->model()->rowCount(), 15); // filled by the activation
            seen << grid->model()->index(4, 7).data().toString() << grid->model()->index(4, 8).data().toString()
                 << grid->model()->index(3, 7).data().toString();
            grid->selectRow(6); // series 2
            // Away to another window and back: the lists are read again, the series stays selected.
            const int refreshes = LoadLogIntoViewer().filter("SQL Abfrage EFRQuery").size();
            QWidget other(evaluation, Qt::Window);
            other.setWindowTitle(QStringLiteral("Anderes Fenster"));
            other.resize(200, 100);
            other.show();
            QVERIFY(QTest::qWaitForWindowExposed(&other));
            other.activateWindow();
            QTRY_VERIFY(other.isActiveWindow());
            other.hide();
            evaluation->activateWindow();
            QTRY_VERIFY(evaluation->isActiveWindow());
            QTRY_VERIFY(LoadLogIntoViewer().filter("SQL Abfrage EFRQuery").size() > refreshes);
            QCOMPARE(grid->currentIndex().row(), 6);
            messages.answerNext(MessageService::Yes);
            QVERIFY(triggerItem(evaluation, "Loeschen_Item"));
            QCOMPARE(messages.lastText(),
                     QStringLiteral("Achtung - Serie 2 vom 01.02.2003 10:15:00 wird gelöscht !\r\n\r\nFortfahren ?"));
            QCOMPARE(grid->model()->rowCount(), 10);
            QVERIFY(triggerItem(evaluation, "Drucken1_Item"));
            print.fileAnswers = QStringList{csv};
            QVERIFY(triggerItem(evaluation, "CsvExport_Item"));
            evaluation->okButton()->click();
        });
        findAction(mainForm, "Auswertung_Item")->trigger();
        QVERIFY(ran);
        QVERIFY(evaluation->isHidden());
        QCOMPARE(AppState::instance().ActivityTitle, QStringLiteral("Messergebnisse Jürgen Müller"));
        QCOMPARE(seen, (QStringList{"271,0", "15,8", ""}));
        QCOMPARE(messages.count(), 1); // the confirmation only

        QCOMPARE(print.printed, QStringList{"Einfachreaktionstest"});
        QVERIFY(print.previews.isEmpty());
        QCOMPARE(print.lastDocName, pdfName);
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            QCOMPARE(offeredFile, pdfName);
        bool ok = false;
        const QString text = pdfText(pdf, 0, &ok);
        QVERIFY2(ok, "pdftotext (poppler-utils) is needed");
        QVERIFY(text.contains("1 01.02.2003 10:15:00 1 251 261 271 281 291 271,0"));
        QVERIFY(text.contains("2 01.02.2003 10:15:00 3 253 263 273 283 293 273,0"));
        QVERIFY(!text.contains("10:15:00 2 "));

        QFile page(csv);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = page.readAll().split('\n');
        QCOMPARE(lines.size(), 12); // title, ten rows, nothing after the last CR LF
        QCOMPARE(lines.at(1), QByteArray("1;01.02.2003;10:15:00;1;1;251;x;;\r"));
        QCOMPARE(lines.at(5), QByteArray("5;01.02.2003;10:15:00;1;5;291;x;271,0;15,8\r"));

        const QString all = out.filePath("alle.csv");
        print.fileAnswers = QStringList{all};
        findAction(mainForm, "Export_Item")->trigger();
        // Read and written on a thread of its own: the message comes at the end.
        QTRY_COMPARE_WITH_TIMEOUT(messages.lastText(),
                                  QStringLiteral("\r\n10 Messwerte wurden nach „%1“ exportiert.").arg(all), 20000);
        QFile f(all);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("\r\n"), 11);

        const QStringList log = LoadLogIntoViewer();
        QVERIFY(!log.filter("Ausführen : [Erfolg] Serie löschen [EFR_SQLQuery]").isEmpty());
        QVERIFY(!log.filter("Ausführen : [RUN] SQL Abfrage EFEQuery").isEmpty());
        mainForm.hide();
    }
};

VR_TEST_CLASS(EvaluationEndToEndTest)
#include "evaluation_endtoend_test.moc"
