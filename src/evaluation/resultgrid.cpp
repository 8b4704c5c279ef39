#include "evaluation/resultgrid.h"

#include "evaluation/silverrowdelegate.h"
#include "platform/logformat.h"
#include "platform/numberformat.h"
#include "report/csvfile.h"
#include "store/resultquery.h"
#include "store/resultquerymodel.h"
#include "store/seriesstats.h"

#include <QHash>
#include <QHeaderView>
#include <QLocale>

namespace {

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

int widthOf(const QString &column)
{
    static const QHash<QString, int> widths{{"GRIDNR", 50},   {"DATUM", 90},    {"ZEIT", 75},
                                            {"SERIE", 50},    {"SCHEIBE", 60},  {"ReakZeit", 70},
                                            {"STATUS", 70},   {"FEHLER", 120},  {"MITTELWERT", 80},
                                            {"STDABW", 70}};
    return widths.value(column, 80);
}

// A marker for the current row in the indicator column.
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

const char *const kGridNames[3] = {"EFR_Grid", "EFRF_Grid", "IK_Grid"};

} // namespace

ResultGrid::ResultGrid(int test, ResultQuery *query, QWidget *parent)
    : QTableView(parent)
    , m_test(test)
{
    setObjectName(QString::fromLatin1(kGridNames[test - 1]));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setItemDelegate(new SilverRowDelegate(this));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(16);
    if (!query)
        return;

    auto *model = new GridModel(query, columnsOf(test), this);
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
    setModel(model);
    m_model = model;
    const QStringList columns = columnsOf(test);
    for (int c = 0; c < columns.size(); ++c)
        setColumnWidth(c, widthOf(columns.at(c)));
    // The grid's current row and the query's follow each other.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, model, [model](const QModelIndex &current) {
        if (current.isValid())
            model->setCurrentRow(current.row());
    });
    connect(model, &ResultQueryModel::currentRowChanged, this, [this, model](int row) {
        if (model->rowCount() > 0)
            emit model->headerDataChanged(Qt::Vertical, 0, model->rowCount() - 1);
        if (row >= 0 && selectionModel() && currentIndex().row() != row)
            selectRow(row);
    });
}

ResultQuery *ResultGrid::query() const { return m_model ? m_model->query() : nullptr; }

ResultGrid::SeriesKey ResultGrid::selectedKey() const
{
    SeriesKey key;
    const ResultQuery *q = query();
    if (!q || !q->isOpen() || !selectionModel() || !selectionModel()->hasSelection())
        return key;
    const int row = currentIndex().isValid() ? currentIndex().row() : q->currentRow();
    if (row < 0 || row >= q->recordCount())
        return key;
    const SeriesStats::Row r = SeriesStats::rowOf(*q, row);
    key.name = q->valueAt(row, QStringLiteral("NAME")).toString();
    key.vorname = q->valueAt(row, QStringLiteral("VORNAME")).toString();
    key.datum = r.datum;
    key.zeit = r.zeit;
    key.serie = r.serie;
    key.scheibe = r.scheibe;
    return key;
}

void ResultGrid::selectKey(const SeriesKey &key)
{
    const ResultQuery *q = query();
    if (!q || !q->isOpen() || q->isEmpty())
        return;
    int found = -1;
    if (key.serie >= 0) {
        for (int row = 0; row < q->recordCount(); ++row) {
            const SeriesStats::Row r = SeriesStats::rowOf(*q, row);
            if (r.serie != key.serie || r.datum != key.datum || r.zeit != key.zeit
                || q->valueAt(row, QStringLiteral("NAME")).toString() != key.name
                || q->valueAt(row, QStringLiteral("VORNAME")).toString() != key.vorname)
                continue;
            if (found < 0 || r.scheibe == key.scheibe)
                found = row;
            if (r.scheibe == key.scheibe)
                break;
        }
    }
    const int row = std::max(found, 0);
    selectRow(row);
    scrollTo(model()->index(row, 0));
}

QStringList ResultGrid::titles() const { return titlesOf(m_test); }

QList<QStringList> ResultGrid::csvRows() const
{
    QList<QStringList> rows;
    if (!m_model)
        return rows;
    const QStringList columns = columnsOf(m_test);
    for (int r = 0; r < m_model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant v = m_model->data(m_model->index(r, c), Qt::EditRole);
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
