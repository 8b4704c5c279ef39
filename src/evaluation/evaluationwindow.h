#pragma once
#include <QDate>
#include <QDialog>
#include <QString>
#include <QTime>
#include <memory>

#include "report/progresspoints.h"

class QPrinter;
class QChartView;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;
class QToolButton;
class ResultQuery;
class ResultQueryModel;
class MeasurementReport;

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

    // Activation: the three queries read again (newest measurement first).
    void FormActivate();
    // "&Löschen": the selected series of the shown page, after confirmation.
    void LoeschenClick();
    // "&Drucken" items: printed record of test 1, 2 or 3, after the print dialog.
    void DruckenClick(int test);
    // "&Seitenansicht" items: the record of test 1, 2 or 3 in the preview.
    void SeitenansichtClick(int test);
    // File name offered for the record of a test: "<Name>_<Vorname>_<Test>_<Datum>.pdf".
    static QString recordFileName(const QString &name, const QString &vorname, const QString &title, const QDate &date);
    // "Als CSV &exportieren…": the shown page as a CSV file.
    void CsvExportClick();

    QTabWidget *pages() const { return PageControl; }
    QTableView *grid(int test) const { return m_grids[test - 1]; }
    QChartView *chart() const { return Verlauf_Chart; }
    QMenu *resultsMenu() const { return m_menu; }
    // Points of the chart for the shown page.
    const ProgressPoints &chartPoints() const { return m_points; }

    // Grid titles and cell texts of one page, as its CSV holds them.
    QStringList gridTitles(int test) const;
    QList<QStringList> gridRows(int test) const;

    // Closing keeps the position ("AWFX", "AWFY").
    void done(int r) override;

protected:
    bool event(QEvent *event) override;

private:
    // A series of a page: shooter, measurement (date, time), series and target.
    struct SeriesKey
    {
        QString name, vorname;
        QDate datum;
        QTime zeit;
        int serie = -1;
        int scheibe = -1;
    };
    SeriesKey selectedKey(int test) const;
    // Selects the row of key (its target, else the series' first row), else the first row.
    void selectKey(int test, const SeriesKey &key);
    std::unique_ptr<MeasurementReport> prepareReport(int test);
    void preparePrinter(QPrinter *printer, const MeasurementReport &report);

    QString refreshQuery(int test); // empty, or the German failure
    void updateChart();
    void labelTimeAxis(); // date and time labels that fit the plot's width
    int shownTest() const;

    QTabWidget *PageControl = nullptr;
    QTableView *m_grids[3] = {nullptr, nullptr, nullptr};
    ResultQueryModel *m_models[3] = {nullptr, nullptr, nullptr};
    QPushButton *OK_Button = nullptr;
    QToolButton *Messergebnisse_Button = nullptr;
    QMenu *m_menu = nullptr;
    QChartView *Verlauf_Chart = nullptr;
    ProgressPoints m_points;
    QString m_shownError; // last refresh failure shown
    bool m_labelling = false;
};
