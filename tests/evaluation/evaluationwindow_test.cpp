#include "evaluation/evaluationwindow.h"
#include "evaluation/progresschart.h"
#include "evaluation/resultgrid.h"
#include "evaluation/silverrowdelegate.h"
#include "scriptedprint.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QCategoryAxis>
#include <QChartView>
#include <QValueAxis>
#include <QAbstractAxis>
#include <QFile>
#include <QLineSeries>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QStyle>
#include <QTest>
#include <QToolButton>

namespace {
const QString kNoResults = QStringLiteral("\r\nKeine Meßergebnisse vorhanden.");
const QDate kDay(2003, 2, 1);
const QTime kTime(10, 15, 0);

// Data module with shooters; "Müller, Jürgen" is the active one.
// QVERIFY(w.ok) before using it; helpers that fill it are checked with QVERIFY.
struct World
{
    StoreFixture fx;
    FakeClock clock;
    ScriptedMessages messages;
    ScriptedPrint print;
    QTemporaryDir out;
    bool ok = false;

    World()
    {
        fx.box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        Settings::instance().Logfile = true;
        clock.setWallClock(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
        ok = fx.open();
        for (const char *n : {"Müller", "Name", "O\"Neil"})
            ok = ok && fx.addShooter(QString::fromUtf8(n), n == QByteArray("O\"Neil") ? "Ann" : "Jürgen");
        ok = ok && activate("Müller", "Jürgen");
    }
    [[nodiscard]] bool activate(const QString &name, const QString &vorname)
    {
        if (!fx.selectShooter(name, vorname))
            return false;
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        return true;
    }
    // Series of five valid rows base, base+10, ... for the current shooter row.
    [[nodiscard]] bool series(int typ, const QDate &d, const QTime &t, int serie, int base, int rows = 5,
                              const QString &status = "x")
    {
        for (int k = 1; k <= rows; ++k)
            if (!fx.addReak(d, t, typ, serie, k, base + 10 * (k - 1), status))
                return false;
        return fx.data->reakTable()->applyUpdates();
    }
    QStringList log() const { return LoadLogIntoViewer(); }
    QStringList column(EvaluationWindow &w, int test, int col) const
    {
        QStringList c;
        const QAbstractItemModel *m = w.grid(test)->model();
        for (int r = 0; r < m->rowCount(); ++r)
            c << m->index(r, col).data().toString();
        return c;
    }
};

bool logHas(const QStringList &log, const QString &message)
{
    for (const QString &l : log)
        if (l.endsWith(QStringLiteral(" --- ") + message))
            return true;
    return false;
}

void activateWindow(EvaluationWindow &w)
{
    QEvent e(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&w, &e);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isRefreshing(), 10000);   // read on a thread of its own
}
} // namespace

class EvaluationWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void gridsShowTheShootersRowsNewestFirst()
    {
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.series(1, kDay, kTime, 1, 300));
        QVERIFY(w.series(1, kDay.addDays(1), kTime, 1, 400));
        QVERIFY(w.series(3, kDay, kTime, 1, 500, 4));
        QVERIFY(w.activate("Name", "Jürgen"));
        QVERIFY(w.series(1, kDay, kTime, 1, 900)); // another shooter with the same first name
        QVERIFY(w.activate("Müller", "Jürgen"));
        EvaluationWindow form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Auswertung"));
        activateWindow(form);
        QVERIFY(logHas(w.log(), "Ausführen : [RUN] SQL Abfrage EFRQuery"));
        QVERIFY(logHas(w.log(), "Ausführen : [RUN] SQL Abfrage EFRFQuery"));
        QVERIFY(logHas(w.log(), "Ausführen : [RUN] SQL Abfrage IKQuery"));
        QStringList captions;
        for (int i = 0; i < 3; ++i)
            captions << form.pages()->tabText(i);
        QCOMPARE(captions, (QStringList{"EFR", "EFR mit Fehlern", "Individualkurven"}));

        QAbstractItemModel *m = form.grid(1)->model();
        QStringList titles;
        for (int c = 0; c < m->columnCount(); ++c)
            titles << m->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{"Nr", "Datum", "Zeit", "Serie", "Scheibe", "ReakZeit", "Ergebnis", "Mittelwert", "StdAbw"}));
        QCOMPARE(form.grid(2)->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Fehler"));
        QCOMPARE(form.grid(3)->model()->headerData(7, Qt::Horizontal).toString(), QStringLiteral("Phase"));
        QCOMPARE(m->rowCount(), 10);
        QCOMPARE(w.column(form, 1, 1).first(), QStringLiteral("02.02.2003"));
        QCOMPARE(w.column(form, 1, 2).first(), QStringLiteral("10:15:00"));
        // Only the row that ends a series carries its mean and deviation.
        QCOMPARE(w.column(form, 1, 7), (QStringList{"", "", "", "", "420,0", "", "", "", "", "320,0"}));
        QCOMPARE(w.column(form, 1, 8), (QStringList{"", "", "", "", "15,8", "", "", "", "", "15,8"}));
        QCOMPARE(m->index(0, 3).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(form.grid(1)->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(w.column(form, 3, 0), (QStringList{"1", "2", "3", "4"}));
        QCOMPARE(form.grid(2)->model()->rowCount(), 0);
        // The current row carries the marker.
        QCOMPARE(m->headerData(0, Qt::Vertical).toString(), QStringLiteral("▶"));
        form.grid(1)->selectRow(3);
        QCOMPARE(m->headerData(3, Qt::Vertical).toString(), QStringLiteral("▶"));
        QCOMPARE(m->headerData(0, Qt::Vertical).toString(), QString());

        // A shooter with a double quote in the name sees her rows.
        QVERIFY(w.activate("O\"Neil", "Ann"));
        QVERIFY(w.series(2, kDay, kTime, 1, 250));
        activateWindow(form);
        QCOMPARE(form.grid(2)->model()->rowCount(), 5);
        QCOMPARE(form.grid(1)->model()->rowCount(), 0);
        // "Name", "Jürgen" sees only his own rows.
        QVERIFY(w.activate("Name", "Jürgen"));
        activateWindow(form);
        QCOMPARE(w.column(form, 1, 5), (QStringList{"900", "910", "920", "930", "940"}));
        QCOMPARE(w.messages.count(), 0);
    }

    void seriesEndsAreSilver()
    {
        // Test 3 with targets left without reaction: series of 4, 5 and 2
        // rows, then one of 3 rows without a valid one.
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.series(3, kDay, kTime, 1, 300, 4));
        QVERIFY(w.series(3, kDay, kTime, 2, 400));
        QVERIFY(w.series(3, kDay, kTime, 3, 500, 2));
        QVERIFY(w.series(3, kDay, kTime, 4, 600, 3, "o"));
        EvaluationWindow form;
        activateWindow(form);
        QTableView *grid = form.grid(3);
        QCOMPARE(grid->model()->rowCount(), 14);
        grid->selectRow(0);
        auto *delegate = qobject_cast<SilverRowDelegate *>(grid->itemDelegate());
        QVERIFY(delegate);
        QList<int> silver;
        for (int row = 0; row < 14; ++row) {
            QImage image(40, 16, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            QStyleOptionViewItem opt;
            opt.rect = image.rect();
            opt.palette = grid->palette();
            opt.state = QStyle::State_Enabled;
            if (grid->selectionModel()->isRowSelected(row, QModelIndex()))
                opt.state |= QStyle::State_Selected;
            delegate->paint(&p, opt, grid->model()->index(row, 5));
            p.end();
            const QColor corner = image.pixelColor(1, 1);
            if (corner == SilverRowDelegate::Silver)
                silver << row + 1;
            if (row == 0)
                QCOMPARE(corner, grid->palette().color(QPalette::Active, QPalette::Highlight));
        }
        QCOMPARE(silver, (QList<int>{4, 9, 11, 14}));
        // Means only where a series ends with valid rows: nothing reads as 0 ms.
        QCOMPARE(w.column(form, 3, 8), (QStringList{"", "", "", "315,0", "", "", "", "", "420,0", "", "505,0", "", "", ""}));
        QCOMPARE(w.column(form, 3, 9).at(10), QStringLiteral("7,1"));
        QCOMPARE(w.column(form, 3, 9).at(13), QString());
    }

    void deleteRemovesExactlyTheSelectedSeries()
    {
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.series(1, kDay, kTime, 1, 300));
        QVERIFY(w.series(1, kDay, kTime, 2, 300));
        QVERIFY(w.series(1, kDay, kTime.addSecs(60), 1, 500)); // same series number, other measurement
        QVERIFY(w.series(2, kDay, kTime, 1, 300));
        QVERIFY(w.activate("Name", "Jürgen"));
        QVERIFY(w.series(1, kDay, kTime, 1, 300));
        QVERIFY(w.activate("Müller", "Jürgen"));
        EvaluationWindow form;
        activateWindow(form);
        QTableView *grid = form.grid(1);
        QCOMPARE(grid->model()->rowCount(), 15);
        // Row 6 (newest measurement first): series 1 of 10:15:00.
        grid->selectRow(5);
        w.messages.answerNext(MessageService::No);
        form.deleteSeriesClicked();
        QCOMPARE(w.messages.lastText(),
                 QStringLiteral("Achtung - Serie 1 vom 01.02.2003 10:15:00 wird gelöscht !\r\n\r\nFortfahren ?"));
        QCOMPARE(rowsInFile(w.fx.reakFile(), "ReakData"), 25);
        w.messages.answerNext(MessageService::Yes);
        form.deleteSeriesClicked();
        QCOMPARE(rowsInFile(w.fx.reakFile(), "ReakData"), 20);
        QCOMPARE(sqlOnFile(w.fx.reakFile(), "SELECT COUNT(*) FROM ReakData WHERE Serie = 1 AND Zeit LIKE '10:15:00%' "
                                            "AND MessTyp = 1 AND Name = 'Müller'")
                     .first(),
                 QStringLiteral("0"));
        QCOMPARE(grid->model()->rowCount(), 10);
        const QStringList log = w.log();
        QVERIFY(logHas(log, "Ausführen : [Start] Serie löschen [EFR_SQLQuery]"));
        QVERIFY(logHas(log, "Ausführen : [Erfolg] Serie löschen [EFR_SQLQuery]"));
        QVERIFY(!logHas(log, "Ausführen : [Fehler] Serie löschen [EFR_SQLQuery]"));
        // Chart follows: two series with valid rows left.
        QCOMPARE(form.chartPoints().points().size(), 2);

        // A failure in the middle of the delete keeps every row.
        {
            QSqlQuery t(QSqlDatabase::database(TData::AliasName));
            QVERIFY(t.exec("CREATE TRIGGER reakdata.stop_third BEFORE DELETE ON \"ReakData\" WHEN old.\"Scheibe\" = 3 "
                           "BEGIN SELECT RAISE(ABORT, 'gestoppt'); END"));
        }
        grid->selectRow(0);
        w.messages.answerNext(MessageService::Yes);
        form.deleteSeriesClicked();
        QCOMPARE(w.messages.lastText(), QStringLiteral("\r\nFehler beim Löschen der Serie !"));
        QCOMPARE(rowsInFile(w.fx.reakFile(), "ReakData"), 20);
        QCOMPARE(grid->model()->rowCount(), 10);
        QVERIFY(logHas(w.log(), "Ausführen : [Fehler] Serie löschen [EFR_SQLQuery]"));
        QCOMPARE(w.log().filter("[Erfolg] Serie löschen").size(), 1);

        // Empty page: nothing asked, nothing logged.
        form.pages()->setCurrentIndex(2);
        const int shown = w.messages.count();
        form.deleteSeriesClicked();
        QCOMPARE(w.messages.count(), shown);
    }

    void refreshKeepsTheSelectedSeries()
    {
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.series(1, kDay, kTime, 1, 300));
        QVERIFY(w.series(1, kDay, kTime, 2, 400));
        QVERIFY(w.series(1, kDay, kTime, 3, 500));
        EvaluationWindow form;
        activateWindow(form);
        QTableView *grid = form.grid(1);
        QCOMPARE(grid->currentIndex().row(), 0);
        grid->selectRow(7); // series 2, target 3
        activateWindow(form); // back from another window or program
        QCOMPARE(grid->currentIndex().row(), 7);
        // A newer measurement moves the series down: the selection goes with it.
        QVERIFY(w.series(1, kDay.addDays(1), kTime, 1, 200));
        activateWindow(form);
        QCOMPARE(grid->currentIndex().row(), 12);
        QCOMPARE(grid->model()->headerData(12, Qt::Vertical).toString(), QStringLiteral("▶"));
        // So does the print order (oldest first) and the refresh after it.
        w.print.setupAnswer = false;
        form.printClicked(1);
        QCOMPARE(grid->currentIndex().row(), 7);
        activateWindow(form);
        QCOMPARE(grid->currentIndex().row(), 12);

        // "&Löschen" takes that series and names it, not the newest one.
        w.messages.answerNext(MessageService::Yes);
        form.deleteSeriesClicked();
        QCOMPARE(w.messages.lastText(),
                 QStringLiteral("Achtung - Serie 2 vom 01.02.2003 10:15:00 wird gelöscht !\r\n\r\nFortfahren ?"));
        QCOMPARE(w.column(form, 1, 5),
                 (QStringList{"200", "210", "220", "230", "240", "300", "310", "320", "330", "340", "500", "510", "520", "530", "540"}));
        // The series is gone: the first row is selected.
        QCOMPARE(grid->currentIndex().row(), 0);
        // Another shooter's series of the same date, time and number is not his.
        grid->selectRow(5); // series 1 of 01.02.2003
        QVERIFY(w.activate("Name", "Jürgen"));
        QVERIFY(w.series(1, kDay.addDays(1), kTime, 1, 900));
        QVERIFY(w.series(1, kDay, kTime, 1, 900));
        activateWindow(form);
        QCOMPARE(grid->currentIndex().row(), 0);
    }

    void printingShowsTheRecordOldestFirst()
    {
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.series(1, kDay, kTime, 1, 250));
        QVERIFY(w.series(1, kDay, kTime, 2, 300));
        QVERIFY(w.series(1, kDay.addDays(1), kTime, 1, 310));
        QVERIFY(w.series(1, kDay.addDays(2), kTime, 1, 0, 5, "o")); // no valid row: no record line, no chart point
        EvaluationWindow form;
        activateWindow(form);
        QCOMPARE(form.chartPoints().points().size(), 3);
        QCOMPARE(form.chartPoints().points().first().mean, 270.0);
        QCOMPARE(form.chartPoints().points().last().when, QDateTime(kDay.addDays(1), kTime));
        QLineSeries *line = form.chart()->line();
        QCOMPARE(line->count(), 3);
        QCOMPARE(line->at(2).y(), 330.0);
        form.pages()->setCurrentIndex(2); // the chart follows the page
        QCOMPARE(line->count(), 0);
        form.pages()->setCurrentIndex(0);
        QCOMPARE(line->count(), 3);

        // Cancelled print dialog: nothing printed, but the grid shows the print order.
        const QString pdfName = QStringLiteral("Müller_Jürgen_Einfachreaktionstest_07.12.2026.pdf");
        w.print.setupAnswer = false;
        form.printClicked(1);
        QCOMPARE(w.print.setups, 1);
        QVERIFY(w.print.printed.isEmpty() && w.print.previews.isEmpty());
        QCOMPARE(w.print.lastDocName, pdfName); // what the print dialog offers as its PDF file
        QCOMPARE(w.column(form, 1, 1).first(), QStringLiteral("01.02.2003"));
        QVERIFY(logHas(w.log(), "Ausführen : [RUN] SQL Abfrage EFEQuery"));

        // "Drucken" prints after the print dialog, without a preview. Closing
        // the dialog reactivates the window: the record keeps its rows.
        Settings::instance().Benutzer = QStringLiteral("Anna Trainer");
        w.print.setupAnswer = true;
        w.print.printPdf = w.out.filePath("efr.pdf");
        w.print.duringSetup = [&] { activateWindow(form); };
        form.printClicked(1);
        QCOMPARE(w.print.printed, QStringList{"Einfachreaktionstest"});
        QVERIFY(w.print.previews.isEmpty());
        QCOMPARE(w.column(form, 1, 1).first(), QStringLiteral("03.02.2003")); // refreshed: newest first
        bool ok = false;
        const QString text = pdfText(w.print.printPdf, 0, &ok);
        QVERIFY2(ok, "pdftotext (poppler-utils) is needed");
        QVERIFY(text.contains("Müller Jürgen"));
        QVERIFY(text.contains("07.12.2026"));
        QVERIFY(text.contains("Benutzer: Anna Trainer"));
        QVERIFY(text.contains("1 01.02.2003 10:15:00 1 250 260 270 280 290 270,0"));
        QVERIFY(text.contains("2 01.02.2003 10:15:00 2 300 310 320 330 340 320,0"));
        QVERIFY(text.contains("3 02.02.2003 10:15:00 1 310 320 330 340 350 330,0"));
        QVERIFY(!text.contains("03.02.2003"));

        // "Seitenansicht" shows the preview without the print dialog.
        w.print.duringSetup = nullptr;
        w.print.lastDocName.clear();
        form.previewClicked(1);
        QCOMPARE(w.print.previews, QStringList{"Einfachreaktionstest"});
        QCOMPARE(w.print.setups, 2);
        QCOMPARE(w.print.lastDocName, pdfName);

        // A test without rows.
        w.messages.clear();
        form.printClicked(2);
        QCOMPARE(w.messages.lastText(), kNoResults);
        QCOMPARE(w.print.setups, 2);
        // Characters no file name takes become "_".
        QCOMPARE(EvaluationWindow::recordFileName("O\"Neil", "Ann Marie", "Einfachreaktionstest mit Fehlern", QDate(2026, 12, 8)),
                 QStringLiteral("O_Neil_Ann_Marie_Einfachreaktionstest_mit_Fehlern_08.12.2026.pdf"));
    }

    void csvOfTheShownPage()
    {
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.fx.addReak(kDay, kTime, 2, 1, 1, 300, "x"));
        QVERIFY(w.fx.addReak(kDay, kTime, 2, 1, 2, 305, "o"));
        QVERIFY(w.fx.addReak(kDay, kTime, 2, 1, 3, 320, "x"));
        QVERIFY(w.fx.data->reakTable()->applyUpdates());
        {
            QSqlQuery t(QSqlDatabase::database(TData::AliasName));
            QVERIFY(t.exec("UPDATE reakdata.\"ReakData\" SET \"Fehler\" = 'zu früh; \"Taste\"' WHERE \"Scheibe\" = 2"));
            QVERIFY(t.exec("UPDATE reakdata.\"ReakData\" SET \"Fehler\" = ' =HYPERLINK(1)' WHERE \"Scheibe\" = 3"));
        }
        EvaluationWindow form;
        activateWindow(form);
        const QString file = w.out.filePath("seite.csv");
        form.pages()->setCurrentIndex(0);
        form.csvExportClicked();
        QCOMPARE(w.messages.lastText(), kNoResults);
        form.pages()->setCurrentIndex(1);
        w.print.fileAnswers = QStringList{file};
        form.csvExportClicked();
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBFNr;Datum;Zeit;Serie;Scheibe;ReakZeit;Ergebnis;Fehler;Mittelwert;StdAbw\r\n"
                                         "1;01.02.2003;10:15:00;1;1;300;x;-;;\r\n"
                                         "2;01.02.2003;10:15:00;1;2;305;o;\"zu früh; \"\"Taste\"\"\";;\r\n"
                                         "3;01.02.2003;10:15:00;1;3;320;x;'=HYPERLINK(1);310,0;14,1\r\n"));
        // Cancelled file dialog writes nothing.
        QVERIFY(f.remove());
        form.csvExportClicked();
        QVERIFY(!QFile::exists(file));
    }

    void failedRefreshIsShownOnceAndPlacementKept()
    {
        World w;
        QVERIFY(w.ok);
        {
            EvaluationWindow form;
            form.move(123, 45);
            form.done(QDialog::Accepted);
        }
        EvaluationWindow form;
        QCOMPARE(form.pos(), QPoint(123, 45));
        w.fx.data->closeTables();
        activateWindow(form); // the box closes: the window is activated again
        activateWindow(form);
        QCOMPARE(w.messages.count(), 1);
        QVERIFY(w.messages.lastText().startsWith("\r\nDie Datenbank ist nicht geöffnet"));
        QVERIFY(w.fx.open());
        activateWindow(form);
        QCOMPARE(w.messages.count(), 1);
        w.fx.data->closeTables();
        activateWindow(form);
        QCOMPARE(w.messages.count(), 2);
    }

    void menuOfTheBottomBar()
    {
        World w;
        QVERIFY(w.ok);
        EvaluationWindow form;
        QStringList items;
        for (QAction *a : form.resultsMenu()->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(items, (QStringList{"&Drucken", "&Seitenansicht", "-", "&Löschen", "-", "Als CSV &exportieren…"}));
        for (int menu : {0, 1}) {
            QStringList print;
            for (QAction *a : form.resultsMenu()->actions().at(menu)->menu()->actions())
                print << a->text();
            QCOMPARE(print, (QStringList{"&1  Einfachreaktion", "&2  Einfachreaktion mit Fehlern", "&3  Individualkurven"}));
        }
        QVERIFY(logHas(w.log(), "Initialisierung : [Erfolg] Laden AWF"));
        // The menu arrow sits beside the caption, not over its last letter.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QToolButton *button = form.resultsButton();
        const int text = button->fontMetrics().horizontalAdvance(QStringLiteral("Messergebnisse"));
        const int arrow = button->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, button);
        QVERIFY2(button->width() >= text + 2 * arrow + 8, qPrintable(QStringLiteral("%1 pixels for %2 of text and an arrow of %3")
                                                                    .arg(button->width()).arg(text).arg(arrow)));
    }

    // Each item of "&Messergebnisse", reached through the menus as the user
    // opens them, does the work of its caption on the page it names.
    void menuItemsDoTheirWork_data()
    {
        QTest::addColumn<int>("menu");   // index in "&Messergebnisse"
        QTest::addColumn<int>("item");   // index in its submenu, -1: the item itself
        QTest::addColumn<int>("page");   // page shown before
        QTest::addColumn<QString>("printed");
        QTest::addColumn<QString>("previewed");
        QTest::addColumn<QString>("asked");     // start of the message shown
        QTest::addColumn<QString>("suggested"); // file offered
        QTest::newRow("Drucken 1") << 0 << 0 << 2 << "Einfachreaktionstest" << "" << "" << "";
        QTest::newRow("Drucken 2") << 0 << 1 << 0 << "Einfachreaktionstest mit Fehlern" << "" << "" << "";
        QTest::newRow("Drucken 3") << 0 << 2 << 0 << "Individualkurventest" << "" << "" << "";
        QTest::newRow("Seitenansicht 1") << 1 << 0 << 1 << "" << "Einfachreaktionstest" << "" << "";
        QTest::newRow("Seitenansicht 3") << 1 << 2 << 0 << "" << "Individualkurventest" << "" << "";
        QTest::newRow("Löschen EFR mit Fehlern") << 3 << -1 << 1 << "" << "" << "Achtung - Serie 4 vom" << "";
        QTest::newRow("CSV Individualkurven") << 5 << -1 << 2 << "" << "" << "" << "Müller_Jürgen_Individualkurven.csv";
    }

    void menuItemsDoTheirWork()
    {
        QFETCH(int, menu);
        QFETCH(int, item);
        QFETCH(int, page);
        QFETCH(QString, printed);
        QFETCH(QString, previewed);
        QFETCH(QString, asked);
        QFETCH(QString, suggested);
        World w;
        w.series(1, kDay, kTime, 1, 300);
        w.series(2, kDay, kTime, 4, 300);
        w.series(3, kDay, kTime, 1, 300, 4);
        EvaluationWindow form;
        activateWindow(form);
        form.pages()->setCurrentIndex(page);
        const QList<QAction *> top = form.resultsMenu()->actions();
        QVERIFY(menu < top.size());
        QAction *action = top.at(menu);
        if (item >= 0) {
            QVERIFY(action->menu());
            QVERIFY(item < action->menu()->actions().size());
            action = action->menu()->actions().at(item);
        }
        w.messages.answerNext(MessageService::No);
        action->trigger();
        QCOMPARE(w.print.printed, printed.isEmpty() ? QStringList() : QStringList{printed});
        QCOMPARE(w.print.previews, previewed.isEmpty() ? QStringList() : QStringList{previewed});
        QCOMPARE(w.print.setups, printed.isEmpty() ? 0 : 1);
        if (asked.isEmpty())
            QCOMPARE(w.messages.count(), 0);
        else
            QVERIFY2(w.messages.lastText().startsWith(asked), qPrintable(w.messages.lastText()));
        QCOMPARE(w.print.lastSuggested, suggested);
    }

    void chartStepsThroughTheSeriesInTimeOrder()
    {
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.series(1, kDay, kTime, 1, 250));
        QVERIFY(w.series(1, kDay, kTime, 2, 400));
        QVERIFY(w.series(1, kDay, kTime, 3, 300));
        QVERIFY(w.series(1, kDay, kTime.addSecs(3600), 1, 260));
        QVERIFY(w.series(1, kDay, kTime.addSecs(3600), 2, 280));
        EvaluationWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        activateWindow(form);
        QChart *chart = form.chart()->chart();
        QLineSeries *line = form.chart()->line();
        // One point per series in time order, each a step right of the one
        // before: the series of one measurement never stand on one vertical.
        QList<double> means;
        for (int i = 0; i < line->count(); ++i) {
            means << line->at(i).y();
            if (i > 0)
                QVERIFY(line->at(i).x() > line->at(i - 1).x());
        }
        QCOMPARE(means, (QList<double>{270, 420, 320, 280, 300}));
        QValueAxis *y = form.chart()->meanAxis();
        QCOMPARE(y->tickType(), QValueAxis::TicksDynamic);
        QCOMPARE(y->tickAnchor(), 0.0);
        QCOMPARE(y->tickInterval(), 50.0);
        QCOMPARE(y->min(), 250.0);
        QCOMPARE(y->max(), 450.0);
        QCategoryAxis *x = form.chart()->timeAxis();
        QCOMPARE(x->categoriesLabels(), (QStringList{"01.02.2003 10:15", "01.02.2003 11:15"}));

        // At the window's smallest size the chart keeps off the buttons, its
        // axis titles fit and the time axis still carries a label.
        form.resize(1, 1);
        QTRY_COMPARE(form.size(), form.minimumSizeHint());
        QTRY_VERIFY(!x->categoriesLabels().isEmpty());
        const QRect chartArea = form.chart()->geometry();
        for (const QWidget *b : {static_cast<QWidget *>(form.okButton()), static_cast<QWidget *>(form.resultsButton())})
            QVERIFY2(!chartArea.intersects(b->geometry()), qPrintable(b->objectName()));
        QVERIFY(!chartArea.intersects(form.pages()->geometry()));
        QVERIFY(QRectF(QPointF(0, 0), QSizeF(form.chart()->viewport()->size())).contains(chart->plotArea()));
        for (QAbstractAxis *axis : chart->axes()) {
            const int needed = QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText());
            const qreal room = axis->orientation() == Qt::Vertical ? chart->plotArea().height() : chart->plotArea().width();
            QVERIFY2(room >= needed, qPrintable(axis->titleText()));
        }
    }

    void meanAxisSteps_data()
    {
        QTest::addColumn<QList<double>>("means");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<double>("step");
        QTest::newRow("none") << QList<double>{} << 0.0 << 500.0 << 100.0;
        QTest::newRow("one") << QList<double>{300} << 250.0 << 350.0 << 50.0;
        QTest::newRow("close") << QList<double>{271.3, 318.8} << 250.0 << 350.0 << 50.0;
        QTest::newRow("300 apart") << QList<double>{150, 450} << 100.0 << 500.0 << 50.0;
        QTest::newRow("wide") << QList<double>{180, 705.5} << 100.0 << 800.0 << 100.0;
    }

    void meanAxisSteps()
    {
        QFETCH(QList<double>, means);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(double, step);
        QVector<SeriesSummary> series;
        for (double m : means) {
            SeriesSummary s;
            s.datum = kDay;
            s.zeit = kTime;
            s.serie = int(series.size()) + 1;
            s.validCount = 1;
            s.mean = m;
            series << s;
        }
        const ProgressPoints::Scale scale = ProgressPoints(series).meanScale();
        QCOMPARE(scale.from, from);
        QCOMPARE(scale.to, to);
        QCOMPARE(scale.step, step);
    }

    // After a change of shooter the window shows nothing of the previous one
    // while the new rows are read, then the new ones.
    void anotherShootersRowsNeverShow()
    {
        World w;
        QVERIFY(w.ok);
        QVERIFY(w.activate("Name", "Jürgen"));
        QVERIFY(w.series(1, kDay, kTime, 1, 900));
        QVERIFY(w.activate("Müller", "Jürgen"));
        QVERIFY(w.series(1, kDay, kTime, 1, 300));
        QVERIFY(w.series(1, kDay.addDays(1), kTime, 1, 400));
        EvaluationWindow form;
        activateWindow(form);
        QCOMPARE(form.grid(1)->model()->rowCount(), 10);
        QCOMPARE(form.chartPoints().points().size(), 2);

        QVERIFY(w.activate("Name", "Jürgen"));
        QEvent e(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &e);
        QCOMPARE(form.grid(1)->model()->rowCount(), 0);
        QVERIFY(form.chartPoints().points().isEmpty());
        QTRY_VERIFY(!form.isRefreshing());
        QCOMPARE(w.column(form, 1, 5), (QStringList{"900", "910", "920", "930", "940"}));
        QCOMPARE(form.chartPoints().points().size(), 1);
    }

    void chartAxisTitlesAreNotCut()
    {
        // At the size the window opens with, the plot is long enough for the
        // vertical axis title and wide enough for the horizontal one.
        World w;
        QVERIFY(w.ok);
        EvaluationWindow form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(!form.isRefreshing());
        QTest::qWait(50);   // the chart lays out its new points
        QChart *chart = form.chart()->chart();
        const QRectF plot = chart->plotArea();
        for (QAbstractAxis *axis : chart->axes()) {
            const int needed = QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText());
            const qreal room = axis->orientation() == Qt::Vertical ? plot.height() : plot.width();
            QVERIFY2(room >= needed, qPrintable(QStringLiteral("\"%1\" needs %2 pixels, the plot gives %3")
                                                    .arg(axis->titleText()).arg(needed).arg(room)));
        }
    }
};

VR_TEST_CLASS(EvaluationWindowTest)
#include "evaluationwindow_test.moc"
