#include "evaluation/evaluationwindow.h"

#include "core/actionlog.h"
#include "core/settings.h"
#include "evaluation/printservice.h"
#include "evaluation/progresschart.h"
#include "evaluation/resultgrid.h"
#include "platform/clock.h"
#include "platform/logformat.h"
#include "platform/messageservice.h"
#include "report/csvfile.h"
#include "report/efrfreport.h"
#include "report/efrreport.h"
#include "report/ikreport.h"
#include "shooters/activeshooter.h"
#include "store/resultquery.h"
#include "store/storeworker.h"
#include "store/tdata.h"
#include "ui/hints.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString PlacementCode = QStringLiteral("AWF");
const QString kNoResults = QStringLiteral("\r\nKeine Meßergebnisse vorhanden.");

struct PageInfo
{
    const char *caption;
    const char *queryLog;   // refresh
    const char *printLog;   // printing
    const char *measurementLine;
};
const PageInfo kPages[3] = {
    {"EFR", "EFRQuery", "EFEQuery", "Einfachreaktionstest"},
    {"EFR mit Fehlern", "EFRFQuery", "EFRFQuery", "Einfachreaktionstest mit Fehlpräsentationen"},
    {"Individualkurven", "IKQuery", "IKQuery", "Individualkurventest"},
};

TData::Query queryOf(int test) { return TData::Query(test - 1); }

std::unique_ptr<MeasurementReport> reportFor(int test)
{
    switch (test) {
    case 1: return std::make_unique<TEFRReport>();
    case 2: return std::make_unique<TEFRFReport>();
    default: return std::make_unique<TIKReport>();
    }
}

} // namespace

EvaluationWindow::EvaluationWindow(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden AWF"));
    setObjectName(QStringLiteral("AW_Form"));
    setWindowTitle(QStringLiteral("Auswertung"));
    setModal(true);

    TData *data = TData::instance();
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    for (int test = 1; test <= 3; ++test) {
        m_grids[test - 1] = new ResultGrid(test, data ? data->query(queryOf(test)) : nullptr, m_pages);
        m_pages->addTab(m_grids[test - 1], QString::fromUtf8(kPages[test - 1].caption));
    }
    connect(m_pages, &QTabWidget::currentChanged, this, [this] { updateChart(); });
    // Results saved or deleted on another stand of the club server.
    if (TData *data = TData::instance())
        connect(data, &TData::changedElsewhere, this, [this] {
            if (isVisible())
                refreshInBackground();
        });

    m_chart = new ProgressChart(this);

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    SetHint(m_okButton, QStringLiteral("|Infodialog schliessen"));
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    m_resultsButton = new QToolButton(this);
    m_resultsButton->setObjectName(QStringLiteral("Messergebnisse_Button"));
    m_resultsButton->setText(QStringLiteral("&Messergebnisse"));
    m_resultsButton->setPopupMode(QToolButton::InstantPopup);
    m_resultsButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    SetHint(m_resultsButton, QStringLiteral("|Daten hinzufügen, bearbeiten und löschen"));
    buildMenu();
    m_resultsButton->setMenu(m_menu);
    // The centred caption keeps clear of the menu arrow in the corner.
    m_resultsButton->setMinimumWidth(m_resultsButton->sizeHint().width()
                                     + 2 * style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, m_resultsButton));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_resultsButton);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 3);
    layout->addWidget(m_chart, 2);
    layout->addLayout(buttons);
    resize(820, 640);

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden AWF"));
}

void EvaluationWindow::buildMenu()
{
    m_menu = new QMenu(m_resultsButton);
    m_menu->setObjectName(QStringLiteral("Messergebnisse_Menu"));
    QMenu *print = m_menu->addMenu(QStringLiteral("&Drucken"));
    print->setObjectName(QStringLiteral("Drucken_Menu"));
    QMenu *preview = m_menu->addMenu(QStringLiteral("&Seitenansicht"));
    preview->setObjectName(QStringLiteral("Seitenansicht_Menu"));
    const char *printItems[3] = {"&1  Einfachreaktion", "&2  Einfachreaktion mit Fehlern", "&3  Individualkurven"};
    for (int test = 1; test <= 3; ++test) {
        QAction *a = print->addAction(QString::fromUtf8(printItems[test - 1]));
        a->setObjectName(QStringLiteral("Drucken%1_Item").arg(test));
        connect(a, &QAction::triggered, this, [this, test] { printClicked(test); });
        QAction *v = preview->addAction(QString::fromUtf8(printItems[test - 1]));
        v->setObjectName(QStringLiteral("Seitenansicht%1_Item").arg(test));
        connect(v, &QAction::triggered, this, [this, test] { previewClicked(test); });
    }
    m_menu->addSeparator();
    QAction *del = m_menu->addAction(QStringLiteral("&Löschen"));
    del->setObjectName(QStringLiteral("Loeschen_Item"));
    connect(del, &QAction::triggered, this, &EvaluationWindow::deleteSeriesClicked);
    m_menu->addSeparator();
    QAction *csv = m_menu->addAction(QStringLiteral("Als CSV &exportieren…"));
    csv->setObjectName(QStringLiteral("CsvExport_Item"));
    connect(csv, &QAction::triggered, this, &EvaluationWindow::csvExportClicked);
}

EvaluationWindow::~EvaluationWindow()
{
    // A reading still running ends on its own; its rows are dropped.
    if (m_reader && m_reader->isBusy()) {
        m_reader->setParent(nullptr);
        connect(m_reader, &StoreWorker::finished, m_reader, &QObject::deleteLater);
    }
}

bool EvaluationWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        refreshInBackground();
    return QDialog::event(event);
}

void EvaluationWindow::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}

int EvaluationWindow::shownTest() const { return m_pages->currentIndex() + 1; }

QString EvaluationWindow::refreshQuery(int test)
{
    TData *data = TData::instance();
    if (!data)
        return QString();
    WriteLogLine(QStringLiteral("Ausführen : [RUN] SQL Abfrage ") + QString::fromLatin1(kPages[test - 1].queryLog));
    const ActiveShooter &shooter = ActiveShooter::instance();
    if (data->openResultQuery(queryOf(test), shooter.Name, shooter.Vorname, false))
        return QString();
    return QStringLiteral("\r\n") + data->errorText();
}

void EvaluationWindow::refresh()
{
    ++m_reading;
    ResultGrid::SeriesKey kept[3];
    for (int test = 1; test <= 3; ++test)
        kept[test - 1] = m_grids[test - 1]->selectedKey();
    QString failure;
    for (int test = 1; test <= 3; ++test) {
        const QString why = refreshQuery(test);
        if (failure.isEmpty())
            failure = why;
    }
    showRefreshed(failure, kept);
}

bool EvaluationWindow::isRefreshing() const { return m_reader && m_reader->isBusy(); }

void EvaluationWindow::refreshInBackground()
{
    TData *data = TData::instance();
    if (!data)
        return;
    if (!data->tablesOpen()) {
        refresh();   // says why nothing can be read
        return;
    }
    if (isRefreshing()) {
        m_readAgain = true;
        return;
    }
    const QString name = ActiveShooter::instance().Name;
    const QString vorname = ActiveShooter::instance().Vorname;
    bool cleared = false;
    for (int test = 1; test <= 3; ++test) {
        ResultQuery *query = data->query(queryOf(test));
        const QHash<QString, QVariant> binds = query->bindings();
        if (query->isOpen()
            && (binds.value(QStringLiteral(":NAME")) != name || binds.value(QStringLiteral(":VORNAME")) != vorname)) {
            query->close();   // never another shooter's rows meanwhile
            cleared = true;
        }
        WriteLogLine(QStringLiteral("Ausführen : [RUN] SQL Abfrage ") + QString::fromLatin1(kPages[test - 1].queryLog));
    }
    if (cleared)
        m_chart->setPoints(ProgressPoints());   // nor their chart
    if (!m_reader) {
        m_reader = new StoreWorker(this);
        m_reader->setReadOnly(true);
    }
    struct Reading
    {
        ResultQuery::Fetched rows[3];
        QString failure;
    };
    auto reading = std::make_shared<Reading>();
    const int generation = ++m_reading;
    m_reader->start(
        data->target(),
        [reading, name, vorname](TData *own, const QString &openError) {
            if (!own) {
                reading->failure = QStringLiteral("\r\n") + openError;
                return;
            }
            for (int test = 1; test <= 3; ++test)
                if (!own->fetchResults(queryOf(test), name, vorname, false, &reading->rows[test - 1])) {
                    reading->failure = QStringLiteral("\r\n") + own->errorText();
                    return;
                }
        },
        [self = QPointer<EvaluationWindow>(this), reading, generation, name, vorname] {
            TData *data = TData::instance();
            if (!self || !data)
                return;
            if (generation == self->m_reading) {
                ResultGrid::SeriesKey kept[3];
                for (int test = 1; test <= 3; ++test) {
                    kept[test - 1] = self->m_grids[test - 1]->selectedKey();
                    if (reading->failure.isEmpty())
                        data->adoptResults(queryOf(test), name, vorname, false, std::move(reading->rows[test - 1]));
                    else
                        data->query(queryOf(test))->close();
                }
                self->showRefreshed(reading->failure, kept);
            }
            if (std::exchange(self->m_readAgain, false))
                self->refreshInBackground();
        });
}

void EvaluationWindow::showRefreshed(const QString &failure, const ResultGrid::SeriesKey *kept)
{
    // Closing the box activates the window again: a failure is shown once.
    if (!failure.isEmpty() && failure != m_shownError)
        ShowError(failure);
    m_shownError = failure;
    for (int test = 1; test <= 3; ++test)
        m_grids[test - 1]->selectKey(kept[test - 1]);
    updateChart();
}

void EvaluationWindow::updateChart()
{
    TData *data = TData::instance();
    m_chart->setPoints(data ? ProgressPoints(data->stats(queryOf(shownTest())).series()) : ProgressPoints());
}

const ProgressPoints &EvaluationWindow::chartPoints() const { return m_chart->points(); }

void EvaluationWindow::deleteSeriesClicked()
{
    TData *data = TData::instance();
    const int test = shownTest();
    if (!data)
        return;
    ResultQuery *query = data->query(queryOf(test));
    if (!query->isOpen() || query->isEmpty() || query->currentRow() < 0)
        return;
    // The key of the selected row, read before anything can refresh the query.
    const QString name = query->value(QStringLiteral("NAME")).toString();
    const QString vorname = query->value(QStringLiteral("VORNAME")).toString();
    const QDate datum = query->value(QStringLiteral("DATUM")).toDate();
    const QTime zeit = query->value(QStringLiteral("ZEIT")).toTime();
    const int messTyp = qRound(query->value(QStringLiteral("MESSTYP")).toDouble());
    const int serie = qRound(query->value(QStringLiteral("SERIE")).toDouble());
    // The confirmation names the series as the grid shows it.
    const QLocale locale;
    const QString which = QStringLiteral("Serie %1 vom %2 %3")
                              .arg(serie)
                              .arg(locale.toString(datum, LogDateFormat(locale)), locale.toString(zeit, LogTimeFormat(locale)));
    if (AskConfirmation(QStringLiteral("Achtung - %1 wird gelöscht !\r\n\r\nFortfahren ?").arg(which)) != MessageService::Yes)
        return;
    const QString tag = QStringLiteral(" Serie löschen [") + query->objectName() + u']';
    WriteLogLine(QStringLiteral("Ausführen : [Start]") + tag);
    if (data->deleteSeries(name, vorname, datum, zeit, messTyp, serie) < 0) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler]") + tag);
        ShowError(QStringLiteral("\r\nFehler beim Löschen der Serie !"));
    } else {
        WriteLogLine(QStringLiteral("Ausführen : [Erfolg]") + tag);
    }
    refresh();
}

std::unique_ptr<MeasurementReport> EvaluationWindow::prepareReport(int test)
{
    TData *data = TData::instance();
    if (!data || test < 1 || test > 3)
        return nullptr;
    const TData::Query which = queryOf(test);
    if (!data->query(which)->isOpen() || data->query(which)->isEmpty()) {
        ShowError(kNoResults);
        return nullptr;
    }
    WriteLogLine(QStringLiteral("Ausführen : [RUN] SQL Abfrage ") + QString::fromLatin1(kPages[test - 1].printLog));
    const ActiveShooter &shooter = ActiveShooter::instance();
    const ResultGrid::SeriesKey kept = m_grids[test - 1]->selectedKey();
    if (!data->openResultQuery(which, shooter.Name, shooter.Vorname, true)) {
        ShowError(QStringLiteral("\r\n") + data->errorText());
        return nullptr;
    }
    data->calcAll(which);
    m_grids[test - 1]->selectKey(kept);
    updateChart();

    // The report keeps its own copy: closing a dialog reactivates this
    // window, which reads the queries again.
    std::unique_ptr<MeasurementReport> report = reportFor(test);
    report->setRows(data->summaryLines(which));
    report->personLine = shooter.Name + u' ' + shooter.Vorname;
    report->measurementLine = QString::fromUtf8(kPages[test - 1].measurementLine);
    report->userLine = Settings::instance().Benutzer.trimmed();
    const QLocale locale;
    report->dateLine = locale.toString(Clock::instance().now().date(), LogDateFormat(locale));
    if (report->rows().isEmpty()) {
        ShowError(kNoResults); // no series with a valid row: nothing to print
        return nullptr;
    }
    return report;
}

QString EvaluationWindow::recordFileName(const QString &name, const QString &vorname, const QString &title, const QDate &date)
{
    QString file = QStringLiteral("%1_%2_%3_%4")
                       .arg(name.trimmed(), vorname.trimmed(), title, date.toString(QStringLiteral("dd.MM.yyyy")));
    // Blanks and characters no file system takes become "_".
    for (QChar &c : file)
        if (c.isSpace() || QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 32)
            c = u'_';
    return file + QStringLiteral(".pdf");
}

// Page set-up and document name of a record; the print dialog and the
// preview offer the document name as the PDF file.
void EvaluationWindow::preparePrinter(QPrinter *printer, const MeasurementReport &report)
{
    const ActiveShooter &shooter = ActiveShooter::instance();
    printer->setDocName(recordFileName(shooter.Name, shooter.Vorname, report.title(), Clock::instance().now().date()));
    MeasurementReport::preparePage(printer);
}

void EvaluationWindow::printClicked(int test)
{
    std::unique_ptr<MeasurementReport> report = prepareReport(test);
    if (!report)
        return;
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(&printer, *report);
    if (!PrintService::instance().setupPrinter(&printer, this))
        return;
    MeasurementReport *r = report.get();
    int pages = 0;
    PrintService::instance().print(&printer, report->title(), [r, &pages](QPagedPaintDevice *device) { pages = r->print(device); });
    if (pages == 0)
        ShowError(QStringLiteral("\r\nDas Messprotokoll konnte nicht gedruckt werden."));
}

void EvaluationWindow::previewClicked(int test)
{
    std::unique_ptr<MeasurementReport> report = prepareReport(test);
    if (!report)
        return;
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(&printer, *report);
    MeasurementReport *r = report.get();
    PrintService::instance().preview(&printer, report->title(), [r](QPagedPaintDevice *device) { r->print(device); },
                                     this);
}

QStringList EvaluationWindow::gridTitles(int test) const { return m_grids[test - 1]->titles(); }

QList<QStringList> EvaluationWindow::gridRows(int test) const { return m_grids[test - 1]->csvRows(); }

void EvaluationWindow::csvExportClicked()
{
    const int test = shownTest();
    const QList<QStringList> rows = gridRows(test);
    if (rows.isEmpty()) {
        ShowError(kNoResults);
        return;
    }
    const ActiveShooter &shooter = ActiveShooter::instance();
    const QString suggested = QStringLiteral("%1_%2_%3.csv")
                                  .arg(shooter.Name, shooter.Vorname, QString::fromUtf8(kPages[test - 1].caption))
                                  .replace(u' ', u'_');
    const QString file = PrintService::instance().saveFileName(this, QStringLiteral("Als CSV exportieren"), suggested,
                                                               QStringLiteral("CSV-Dateien (*.csv)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!Csv::write(file, Csv::document(QList<QStringList>{gridTitles(test)} + rows), &error))
        ShowError(QStringLiteral("\r\n") + error);
}
