#include "evaluation/aw_form.h"

#include "evaluation/csvfile.h"
#include "evaluation/efrfreport.h"
#include "evaluation/efrreport.h"
#include "evaluation/ikreport.h"
#include "evaluation/printservice.h"
#include "evaluation/silverrowdelegate.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/numberformat.h"
#include "shell/actionlog.h"
#include "shell/hints.h"
#include "shell/settings.h"
#include "shooters/activeshooter.h"
#include "store/resultquerymodel.h"
#include "store/tdata.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
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
};

std::unique_ptr<MeasurementReport> reportFor(int test)
{
    switch (test) {
    case 1: return std::make_unique<TEFRReport>();
    case 2: return std::make_unique<TEFRFReport>();
    default: return std::make_unique<TIKReport>();
    }
}

} // namespace

TAW_Form::TAW_Form(QWidget *parent)
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
    Verlauf_Chart->setMinimumHeight(200);
    auto *chart = new QChart;
    chart->legend()->hide();
    // Narrow margins leave the plot long enough for the vertical axis title.
    chart->setMargins(QMargins(8, 4, 8, 4));
    chart->setTitle(QStringLiteral("Verlauf der Serienmittelwerte"));
    auto *line = new QLineSeries(chart);
    line->setObjectName(QStringLiteral("Verlauf_Series"));
    line->setPointsVisible(true);
    chart->addSeries(line);
    auto *xAxis = new QDateTimeAxis(chart);
    xAxis->setFormat(QStringLiteral("dd.MM.yyyy"));
    xAxis->setTitleText(QStringLiteral("Datum der Messung"));
    auto *yAxis = new QValueAxis(chart);
    yAxis->setTitleText(QStringLiteral("Mittelwert in ms"));
    yAxis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    line->attachAxis(xAxis);
    line->attachAxis(yAxis);
    Verlauf_Chart->setChart(chart);

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
    const char *printItems[3] = {"&1  Einfachreaktion", "&2  Einfachreaktion mit Fehlern", "&3  Individualkurven"};
    for (int test = 1; test <= 3; ++test) {
        QAction *a = print->addAction(QString::fromUtf8(printItems[test - 1]));
        a->setObjectName(QStringLiteral("Drucken%1_Item").arg(test));
        connect(a, &QAction::triggered, this, [this, test] { DruckenClick(test); });
    }
    m_menu->addSeparator();
    QAction *del = m_menu->addAction(QStringLiteral("&Löschen"));
    del->setObjectName(QStringLiteral("Loeschen_Item"));
    connect(del, &QAction::triggered, this, &TAW_Form::LoeschenClick);
    m_menu->addSeparator();
    QAction *csv = m_menu->addAction(QStringLiteral("Als CSV &exportieren…"));
    csv->setObjectName(QStringLiteral("CsvExport_Item"));
    connect(csv, &QAction::triggered, this, &TAW_Form::CsvExportClick);
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

TAW_Form::~TAW_Form() = default;

bool TAW_Form::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QDialog::event(event);
}

void TAW_Form::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}

int TAW_Form::shownTest() const { return PageControl->currentIndex() + 1; }

QString TAW_Form::refreshQuery(int test)
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

void TAW_Form::FormActivate()
{
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
        if (m_models[test - 1] && m_models[test - 1]->rowCount() > 0)
            m_grids[test - 1]->selectRow(0);
    updateChart();
}

void TAW_Form::updateChart()
{
    TData *data = TData::instance();
    m_points = data ? ProgressPoints(data->stats(queryOf(shownTest())).series()) : ProgressPoints();
    auto *line = Verlauf_Chart->chart()->findChild<QLineSeries *>(QStringLiteral("Verlauf_Series"));
    if (!line)
        return;
    QList<QPointF> pts;
    for (const ProgressPoints::Point &p : m_points.points())
        pts << QPointF(double(p.when.toMSecsSinceEpoch()), p.mean);
    line->replace(pts);
    const auto axes = Verlauf_Chart->chart()->axes();
    for (QAbstractAxis *axis : axes) {
        if (auto *x = qobject_cast<QDateTimeAxis *>(axis)) {
            QDateTime from = m_points.isEmpty() ? Clock::instance().now().addDays(-1) : m_points.points().first().when;
            QDateTime to = m_points.isEmpty() ? Clock::instance().now() : m_points.points().last().when;
            if (from.secsTo(to) < 3600) {
                from = from.addSecs(-1800);
                to = to.addSecs(1800);
            }
            x->setRange(from, to);
        } else if (auto *y = qobject_cast<QValueAxis *>(axis)) {
            const double lo = m_points.isEmpty() ? 0 : m_points.minMean();
            const double hi = m_points.isEmpty() ? 1000 : m_points.maxMean();
            const double pad = std::max(10.0, (hi - lo) * 0.1);
            y->setRange(std::max(0.0, lo - pad), hi + pad);
        }
    }
}

void TAW_Form::LoeschenClick()
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
    if (AskConfirmation(QStringLiteral("Achtung - Serie wird gelöscht !\r\n\r\nFortfahren ?")) != MessageService::Yes)
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

void TAW_Form::DruckenClick(int test)
{
    TData *data = TData::instance();
    if (!data || test < 1 || test > 3)
        return;
    const TData::Query which = queryOf(test);
    if (!data->query(which)->isOpen() || data->query(which)->isEmpty()) {
        ShowError(kNoResults);
        return;
    }
    WriteLogLine(QStringLiteral("Ausführen : [RUN] SQL Abfrage ") + QString::fromLatin1(kPages[test - 1].printLog));
    const ActiveShooter &shooter = ActiveShooter::instance();
    if (!data->openResultQuery(which, shooter.Name, shooter.Vorname, true)) {
        ShowError(QStringLiteral("\r\n") + data->errorText());
        return;
    }
    data->calcAll(which);
    updateChart();

    // The report keeps its own copy: closing the set-up dialog reactivates
    // this window, which reads the queries again.
    std::unique_ptr<MeasurementReport> report = reportFor(test);
    report->setRows(data->summaryLines(which));
    report->personLine = shooter.Name + u' ' + shooter.Vorname;
    report->measurementLine = QString::fromUtf8(kPages[test - 1].measurementLine);
    const QLocale locale;
    report->dateLine = locale.toString(Clock::instance().now().date(), LogDateFormat(locale));
    if (report->rows().isEmpty()) {
        ShowError(kNoResults); // no series with a valid row: nothing to print
        return;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report->title());
    MeasurementReport::preparePage(&printer);
    if (!PrintService::instance().setupPrinter(&printer, this))
        return;
    MeasurementReport *r = report.get();
    PrintService::instance().preview(&printer, report->title(), [r](QPagedPaintDevice *device) { r->print(device); },
                                     this);
}

QStringList TAW_Form::gridTitles(int test) const { return titlesOf(test); }

QList<QStringList> TAW_Form::gridRows(int test) const
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
                cells << v.toString();
            else
                cells << Csv::wholeNumber(v.toDouble());
        }
        rows << cells;
    }
    return rows;
}

void TAW_Form::CsvExportClick()
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
