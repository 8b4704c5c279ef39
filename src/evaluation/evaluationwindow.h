#pragma once
#include <QDate>
#include <QDialog>
#include <QString>
#include <memory>

#include "evaluation/resultgrid.h"
#include "report/progresspoints.h"

class QMenu;
class QPrinter;
class QPushButton;
class QTabWidget;
class QToolButton;
class MeasurementReport;
class ProgressChart;
class StoreWorker;

// "Auswertung": the stored measurements of the active shooter, one page per
// test type, with series mean and deviation; deleting a series, the printed
// record of a test type, CSV export of the shown page and the progress chart
// of the series means. Every activation reads the three queries again; the
// selected series of each page stays selected when it still exists.
class EvaluationWindow : public QDialog
{
    Q_OBJECT
public:
    explicit EvaluationWindow(QWidget *parent = nullptr);
    ~EvaluationWindow() override;

    // The three queries read again (newest measurement first), here and now.
    void refresh();
    // Activation: the same read on a thread of its own; the pages keep what
    // they show until the rows are there (another shooter's rows are cleared
    // at once). A change here meanwhile (refresh) discards that reading.
    void refreshInBackground();
    bool isRefreshing() const;
    // "&Löschen": the selected series of the shown page, after confirmation.
    void deleteSeriesClicked();
    // "&Drucken" items: printed record of test 1, 2 or 3, after the print dialog.
    void printClicked(int test);
    // "&Seitenansicht" items: the record of test 1, 2 or 3 in the preview.
    void previewClicked(int test);
    // "Als CSV &exportieren…": the shown page as a CSV file.
    void csvExportClicked();
    // File name offered for the record of a test: "<Name>_<Vorname>_<Test>_<Datum>.pdf".
    static QString recordFileName(const QString &name, const QString &vorname, const QString &title, const QDate &date);

    QTabWidget *pages() const { return m_pages; }
    ResultGrid *grid(int test) const { return m_grids[test - 1]; }
    ProgressChart *chart() const { return m_chart; }
    QToolButton *resultsButton() const { return m_resultsButton; }
    QMenu *resultsMenu() const { return m_menu; }
    QPushButton *okButton() const { return m_okButton; }
    // Points of the chart for the shown page.
    const ProgressPoints &chartPoints() const;

    // Grid titles and cell texts of one page, as its CSV holds them.
    QStringList gridTitles(int test) const;
    QList<QStringList> gridRows(int test) const;

    // Closing keeps the position ("AWFX", "AWFY").
    void done(int r) override;

protected:
    bool event(QEvent *event) override;

private:
    void buildMenu();
    std::unique_ptr<MeasurementReport> prepareReport(int test);
    void preparePrinter(QPrinter *printer, const MeasurementReport &report);
    QString refreshQuery(int test); // empty, or the German failure
    // After the queries were read: the failure once, the kept selections, the chart.
    void showRefreshed(const QString &failure, const ResultGrid::SeriesKey *kept);
    void updateChart();
    int shownTest() const;

    QTabWidget *m_pages = nullptr;
    ResultGrid *m_grids[3] = {nullptr, nullptr, nullptr};
    QPushButton *m_okButton = nullptr;
    QToolButton *m_resultsButton = nullptr;
    QMenu *m_menu = nullptr;
    ProgressChart *m_chart = nullptr;
    QString m_shownError; // last refresh failure shown
    StoreWorker *m_reader = nullptr;
    int m_reading = 0;          // generation of the queries' rows; a reading of an older one is dropped
    bool m_readAgain = false;   // activated while reading
};
