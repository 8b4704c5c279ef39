#include "evaluation/evaluationwindow.h"

#include "report/csvfile.h"
#include "report/efrfreport.h"
#include "report/efrreport.h"
#include "report/ikreport.h"
#include "evaluation/printservice.h"
#include "evaluation/silverrowdelegate.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/numberformat.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "store/resultquery.h"
#include "store/resultquerymodel.h"
#include "store/seriesstats.h"
#include "store/tdata.h"

#include <QChart>
#include <QChartView>
#include <QCategoryAxis>
#include <QFontMetricsF>
#include <QEvent>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLineSeries>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QStyle>
#include <QToolButton>
#include <QValueAxis>
#include <QVBoxLayout>
#include <memory>

namespace {

const QString PlacementCode = QStringLiteral("AWF");
const QString kNoResults = QStringLiteral("\r\nKeine Meßergebnisse vorhanden.");

struct PageInfo
{
    const char *caption;
    const char *grid;
    const char *queryLog;   // refresh
    const char *printLog;   // printing
    const char *measurementLine;
};
const PageInfo kPages[3] = {
    {"EFR", "EFR_Grid", "EFRQuery", "EFEQuery", "Einfachreaktionstest"},
    {"EFR mit Fehlern", "EFRF_Grid", "EFRFQuery", "EFRFQuery", "Einfachreaktionstest mit Fehlpräsentationen"},
    {"Individualkurven", "IK_Grid", "IKQuery", "IKQuery", "Individualkurventest"},
};

QStringList columnsOf(int test)
{
    QStringList c{"GRIDNR", "DATUM", "ZEIT", "SERIE", "SCHEIBE", "ReakZeit", "STATUS"};
    if (test != 1)
        c << QStringLiteral("FEHLER");
    c << QStringLiteral("MITTELWERT") << QStringLiteral("STDABW");
    return c;
}

QStringList titlesOf(int test)
{
    QStringList t{"Nr", "Datum", "Zeit", "Serie", "Scheibe", "ReakZeit", "Ergebnis"};
    if (test == 2)
        t << QStringLiteral("Fehler");
    else if (test == 3)
        t << QStringLiteral("Phase");
    t << QStringLiteral("Mittelwert") << QStringLiteral("StdAbw");
    return t;
}

TData::Query queryOf(int test) { return TData::Query(test - 1); }

int columnWidth(const QString &column)
{
    static const QHash<QString, int> widths{{"GRIDNR", 50},   {"DATUM", 90},    {"ZEIT", 75},
                                            {"SERIE", 50},    {"SCHEIBE", 60},  {"ReakZeit", 70},
                                            {"STATUS", 70},   {"FEHLER", 120},  {"MITTELWERT", 80},
                                            {"STDABW", 70}};
    return widths.value(column, 80);
}

// The grid: a marker for the current row in the indicator column.
class GridModel : public ResultQueryModel
{
public:
    using ResultQueryModel::ResultQueryModel;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Vertical) {
            if (role == Qt::DisplayRole)
                return query() && query()->currentRow() == section ? QStringLiteral("▶") : QString();
            if (role == Qt::TextAlignmentRole)
                return int(Qt::AlignCenter);
            return QVariant();
        }
        return ResultQueryModel::headerData(section, orientation, role);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != SilverRowDelegate::SeriesEndRole)
            return ResultQueryModel::data(index, role);
        const ResultQuery *q = query();
        const int row = index.row();
        if (!q || !index.isValid() || row >= rowCount())
            return QVariant();
        return row + 1 == rowCount()
               || !SeriesStats::sameSeries(SeriesStats::rowOf(*q, row), SeriesStats::rowOf(*q, row + 1));
    }
};

std::unique_ptr<MeasurementReport> reportFor(int test)
{
    switch (test) {
    case 1: return std::make_unique<TEFRReport>();
    case 2: return std::make_unique<TEFRFReport>();
    default: return std::make_unique<TIKReport>();
    }
}

// Labels of the chart's time axis: date and time of a measurement.
QString timeLabelFormat() { return LogDateFormat(QLocale()) + QStringLiteral(" HH:mm"); }

// Widest label of that format, with the axis' padding and a gap.
double timeLabelWidth(const QFont &font)
{
    return QFontMetricsF(font).horizontalAdvance(
               QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(20, 0)), timeLabelFormat()))
           + 16;
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
    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    for (int test = 1; test <= 3; ++test) {
        const PageInfo &info = kPages[test - 1];
        auto *grid = new QTableView(PageControl);
        grid->setObjectName(QString::fromLatin1(info.grid));
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->setShowGrid(true);
        grid->setItemDelegate(new SilverRowDelegate(grid));
        grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
        grid->horizontalHeader()->setHighlightSections(false);
        grid->horizontalHeader()->setStretchLastSection(true);
        grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        grid->verticalHeader()->setMinimumWidth(16);
        m_grids[test - 1] = grid;
        if (data) {
            auto *model = new GridModel(data->query(queryOf(test)), columnsOf(test), grid);
            model->setHeaderTexts(titlesOf(test));
            model->setAlignment(Qt::AlignCenter);
            model->setFormatter(QStringLiteral("DATUM"), [](const QVariant &v) {
                return v.isValid() ? QLocale().toString(v.toDate(), LogDateFormat(QLocale())) : QString();
            });
            model->setFormatter(QStringLiteral("ZEIT"), [](const QVariant &v) {
                return v.isValid() ? QLocale().toString(v.toTime(), LogTimeFormat(QLocale())) : QString();
            });
            const auto oneDecimal = [](const QVariant &v) {
                return v.isValid() ? NumberFormat::formatFloat("%.1f", v.toDouble()) : QString();
            };
            model->setFormatter(QStringLiteral("MITTELWERT"), oneDecimal);
            model->setFormatter(QStringLiteral("STDABW"), oneDecimal);
            grid->setModel(model);
            m_models[test - 1] = model;
            const QStringList columns = columnsOf(test);
            for (int c = 0; c < columns.size(); ++c)
                grid->setColumnWidth(c, columnWidth(columns.at(c)));
            connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
                    [model](const QModelIndex &current) {
                        if (current.isValid())
                            model->setCurrentRow(current.row());
                    });
            connect(model, &ResultQueryModel::currentRowChanged, grid, [model, grid](int row) {
                if (model->rowCount() > 0)
                    emit model->headerDataChanged(Qt::Vertical, 0, model->rowCount() - 1);
                if (row >= 0 && grid->selectionModel() && grid->currentIndex().row() != row)
                    grid->selectRow(row);
            });
        }
        PageControl->addTab(grid, QString::fromUtf8(info.caption));
    }
    connect(PageControl, &QTabWidget::currentChanged, this, [this] { updateChart(); });

    Verlauf_Chart = new QChartView(this);
    Verlauf_Chart->setObjectName(QStringLiteral("Verlauf_Chart"));
    Verlauf_Chart->setRenderHint(QPainter::Antialiasing);
    auto *chart = new QChart;
    chart->legend()->hide();
    // Narrow margins leave the plot long enough for the vertical axis title.
    chart->setMargins(QMargins(8, 4, 8, 4));
    chart->setTitle(QStringLiteral("Verlauf der Serienmittelwerte"));
    auto *line = new QLineSeries(chart);
    line->setObjectName(QStringLiteral("Verlauf_Series"));
    line->setPointsVisible(true);
    chart->addSeries(line);
    // One step per series; the first series of a measurement carries its
    // date and time.
    auto *xAxis = new QCategoryAxis(chart);
    xAxis->setObjectName(QStringLiteral("Verlauf_XAxis"));
    xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    xAxis->setTitleText(QStringLiteral("Datum und Uhrzeit der Messung"));
    auto *yAxis = new QValueAxis(chart);
    yAxis->setObjectName(QStringLiteral("Verlauf_YAxis"));
    yAxis->setTitleText(QStringLiteral("Mittelwert in ms"));
    yAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    line->attachAxis(xAxis);
    line->attachAxis(yAxis);
    Verlauf_Chart->setChart(chart);
    // The labels that fit depend on the plot's width; at its smallest the
    // chart keeps room for two date and time labels beside the mean axis and
    // for the axis titles (the layout then stops the window from shrinking
    // further, so nothing runs into the buttons).
    connect(chart, &QChart::plotAreaChanged, this, [this] { labelTimeAxis(); });
    Verlauf_Chart->setMinimumSize(int(3 * timeLabelWidth(xAxis->labelsFont())) + 120, 260);

    OK_Button = new QPushButton(QStringLiteral("&OK"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    SetHint(OK_Button, QStringLiteral("|Infodialog schliessen"));
    connect(OK_Button, &QPushButton::clicked, this, &QDialog::accept);

    Messergebnisse_Button = new QToolButton(this);
    Messergebnisse_Button->setObjectName(QStringLiteral("Messergebnisse_Button"));
    Messergebnisse_Button->setText(QStringLiteral("&Messergebnisse"));
    Messergebnisse_Button->setPopupMode(QToolButton::InstantPopup);
    Messergebnisse_Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    SetHint(Messergebnisse_Button, QStringLiteral("|Daten hinzufügen, bearbeiten und löschen"));
    m_menu = new QMenu(Messergebnisse_Button);
    m_menu->setObjectName(QStringLiteral("Messergebnisse_Menu"));
    QMenu *print = m_menu->addMenu(QStringLiteral("&Drucken"));
    print->setObjectName(QStringLiteral("Drucken_Menu"));
    QMenu *preview = m_menu->addMenu(QStringLiteral("&Seitenansicht"));
    preview->setObjectName(QStringLiteral("Seitenansicht_Menu"));
    const char *printItems[3] = {"&1  Einfachreaktion", "&2  Einfachreaktion mit Fehlern", "&3  Individualkurven"};
    for (int test = 1; test <= 3; ++test) {
        QAction *a = print->addAction(QString::fromUtf8(printItems[test - 1]));
        a->setObjectName(QStringLiteral("Drucken%1_Item").arg(test));
        connect(a, &QAction::triggered, this, [this, test] { DruckenClick(test); });
        QAction *v = preview->addAction(QString::fromUtf8(printItems[test - 1]));
        v->setObjectName(QStringLiteral("Seitenansicht%1_Item").arg(test));
        connect(v, &QAction::triggered, this, [this, test] { SeitenansichtClick(test); });
    }
    m_menu->addSeparator();
    QAction *del = m_menu->addAction(QStringLiteral("&Löschen"));
    del->setObjectName(QStringLiteral("Loeschen_Item"));
    connect(del, &QAction::triggered, this, &EvaluationWindow::LoeschenClick);
    m_menu->addSeparator();
    QAction *csv = m_menu->addAction(QStringLiteral("Als CSV &exportieren…"));
    csv->setObjectName(QStringLiteral("CsvExport_Item"));
    connect(csv, &QAction::triggered, this, &EvaluationWindow::CsvExportClick);
    Messergebnisse_Button->setMenu(m_menu);
    // The centred caption keeps clear of the menu arrow in the corner.
    Messergebnisse_Button->setMinimumWidth(Messergebnisse_Button->sizeHint().width()
                                           + 2 * style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, Messergebnisse_Button));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Messergebnisse_Button);
    buttons->addStretch();
    buttons->addWidget(OK_Button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 3);
    layout->addWidget(Verlauf_Chart, 2);
    layout->addLayout(buttons);
    resize(820, 640);

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden AWF"));
}

EvaluationWindow::~EvaluationWindow() = default;

bool EvaluationWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void EvaluationWindow::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}

int EvaluationWindow::shownTest() const { return PageControl->currentIndex() + 1; }

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

EvaluationWindow::SeriesKey EvaluationWindow::selectedKey(int test) const
{
    SeriesKey key;
    const ResultQuery *query = m_models[test - 1] ? m_models[test - 1]->query() : nullptr;
    const QTableView *grid = m_grids[test - 1];
    if (!query || !query->isOpen() || !grid->selectionModel() || !grid->selectionModel()->hasSelection())
        return key;
    const int row = grid->currentIndex().isValid() ? grid->currentIndex().row() : query->currentRow();
    if (row < 0 || row >= query->recordCount())
        return key;
    const SeriesStats::Row r = SeriesStats::rowOf(*query, row);
    key.name = query->valueAt(row, QStringLiteral("NAME")).toString();
    key.vorname = query->valueAt(row, QStringLiteral("VORNAME")).toString();
    key.datum = r.datum;
    key.zeit = r.zeit;
    key.serie = r.serie;
    key.scheibe = r.scheibe;
    return key;
}

void EvaluationWindow::selectKey(int test, const SeriesKey &key)
{
    const ResultQuery *query = m_models[test - 1] ? m_models[test - 1]->query() : nullptr;
    QTableView *grid = m_grids[test - 1];
    if (!query || !query->isOpen() || query->isEmpty())
        return;
    int found = -1;
    if (key.serie >= 0) {
        for (int row = 0; row < query->recordCount(); ++row) {
            const SeriesStats::Row r = SeriesStats::rowOf(*query, row);
            if (r.serie != key.serie || r.datum != key.datum || r.zeit != key.zeit
                || query->valueAt(row, QStringLiteral("NAME")).toString() != key.name
                || query->valueAt(row, QStringLiteral("VORNAME")).toString() != key.vorname)
                continue;
            if (found < 0 || r.scheibe == key.scheibe)
                found = row;
            if (r.scheibe == key.scheibe)
                break;
        }
    }
    const int row = std::max(found, 0);
    grid->selectRow(row);
    grid->scrollTo(grid->model()->index(row, 0));
}

void EvaluationWindow::FormActivate()
{
    SeriesKey kept[3];
    for (int test = 1; test <= 3; ++test)
        kept[test - 1] = selectedKey(test);
    QString failure;
    for (int test = 1; test <= 3; ++test) {
        const QString why = refreshQuery(test);
        if (failure.isEmpty())
            failure = why;
    }
    // Closing the box activates the window again: a failure is shown once.
    if (!failure.isEmpty() && failure != m_shownError)
        ShowError(failure);
    m_shownError = failure;
    for (int test = 1; test <= 3; ++test)
        selectKey(test, kept[test - 1]);
    updateChart();
}

void EvaluationWindow::updateChart()
{
    TData *data = TData::instance();
    m_points = data ? ProgressPoints(data->stats(queryOf(shownTest())).series()) : ProgressPoints();
    QChart *chart = Verlauf_Chart->chart();
    auto *line = chart->findChild<QLineSeries *>(QStringLiteral("Verlauf_Series"));
    auto *y = chart->findChild<QValueAxis *>(QStringLiteral("Verlauf_YAxis"));
    if (!line || !y)
        return;
    QList<QPointF> pts;
    for (const ProgressPoints::Point &p : m_points.points())
        pts << QPointF(p.x, p.mean);
    line->replace(pts);
    const ProgressPoints::Scale scale = m_points.meanScale();
    y->setRange(scale.from, scale.to);
    y->setTickType(QValueAxis::TicksDynamic);
    y->setTickAnchor(0);
    y->setTickInterval(scale.step);
    labelTimeAxis();
}

void EvaluationWindow::labelTimeAxis()
{
    auto *x = Verlauf_Chart->chart()->findChild<QCategoryAxis *>(QStringLiteral("Verlauf_XAxis"));
    if (!x || m_labelling)
        return;
    m_labelling = true;
    const int count = int(m_points.points().size());
    const QRectF plot = Verlauf_Chart->chart()->plotArea();
    const double width = plot.width() > 0 ? plot.width() : Verlauf_Chart->width() * 0.8;
    const QLocale locale;
    const QString format = timeLabelFormat();
    const double labelWidth = timeLabelWidth(x->labelsFont());
    QStringList labels;
    QList<int> at;
    for (int i : m_points.labelledPoints(width, labelWidth)) {
        labels << locale.toString(m_points.points().at(i).when, format);
        at << m_points.points().at(i).x;
    }
    if (labels != x->categoriesLabels()) {
        for (const QString &old : x->categoriesLabels())
            x->remove(old);
        x->setStartValue(-0.5);
        for (int i = 0; i < labels.size(); ++i)
            x->append(labels.at(i), at.at(i));
    }
    x->setRange(-0.5, std::max(count, 1) - 0.5);
    m_labelling = false;
}

void EvaluationWindow::LoeschenClick()
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
    FormActivate();
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
    const SeriesKey kept = selectedKey(test);
    if (!data->openResultQuery(which, shooter.Name, shooter.Vorname, true)) {
        ShowError(QStringLiteral("\r\n") + data->errorText());
        return nullptr;
    }
    data->calcAll(which);
    selectKey(test, kept);
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

void EvaluationWindow::DruckenClick(int test)
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

void EvaluationWindow::SeitenansichtClick(int test)
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

QStringList EvaluationWindow::gridTitles(int test) const { return titlesOf(test); }

QList<QStringList> EvaluationWindow::gridRows(int test) const
{
    QList<QStringList> rows;
    const ResultQueryModel *model = m_models[test - 1];
    if (!model)
        return rows;
    const QStringList columns = columnsOf(test);
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant v = model->data(model->index(r, c), Qt::EditRole);
            const QString &col = columns.at(c);
            if (!v.isValid())
                cells << QString();
            else if (col == QLatin1String("DATUM"))
                cells << Csv::dateText(v.toDate());
            else if (col == QLatin1String("ZEIT"))
                cells << Csv::timeText(v.toTime());
            else if (col == QLatin1String("MITTELWERT") || col == QLatin1String("STDABW"))
                cells << Csv::oneDecimal(v.toDouble());
            else if (col == QLatin1String("STATUS") || col == QLatin1String("FEHLER"))
                cells << Csv::text(v.toString());
            else
                cells << Csv::wholeNumber(v.toDouble());
        }
        rows << cells;
    }
    return rows;
}

void EvaluationWindow::CsvExportClick()
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
    if (!Csv::write(file, Csv::document(QList<QStringList>{titlesOf(test)} + rows), &error))
        ShowError(QStringLiteral("\r\n") + error);
}
