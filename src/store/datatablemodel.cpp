#include "store/datatablemodel.h"

#include "store/datatable.h"

#include <QDate>
#include <QItemSelectionModel>
#include <QLocale>
#include <QTime>
#include <cmath>
#include <limits>

DataTableModel::DataTableModel(DataTable *table, const QStringList &fields, QObject *parent)
    : QAbstractTableModel(parent)
    , m_table(table)
    , m_fields(fields)
{
    if (!table)
        return;
    connect(table, &DataTable::rowsAboutToReset, this, [this] { beginResetModel(); });
    connect(table, &DataTable::rowsReset, this, [this] { endResetModel(); });
    connect(table, &DataTable::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(table, &DataTable::currentRowChanged, this, &DataTableModel::onTableCurrentChanged);
}

void DataTableModel::setHeaderTexts(const QStringList &texts)
{
    m_headers = texts;
    if (!m_fields.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, int(m_fields.size()) - 1);
}

int DataTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_table || !m_table->isOpen())
        return 0;
    return m_table->recordCount();
}

int DataTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_fields.size()); }

QString DataTableModel::displayText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    switch (value.metaType().id()) {
    case QMetaType::QDate: {
        // Birth dates need the century: a two-digit year becomes four digits.
        QString format = QLocale().dateFormat(QLocale::ShortFormat);
        if (!format.contains(QLatin1String("yyyy")))
            format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        return QLocale().toString(value.toDate(), format);
    }
    case QMetaType::QTime: return value.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::Double: {
        const double d = value.toDouble();
        // Nothing a shooter's record holds lies beyond an int: such a value is damage, shown empty.
        if (!std::isfinite(d) || std::fabs(d) > double(std::numeric_limits<int>::max()))
            return QString();
        if (std::floor(d) == d && std::fabs(d) < 1e15)
            return QString::number(qint64(d));
        return QString::number(d, 'g', 15).replace(u'.', QLocale().decimalPoint());
    }
    case QMetaType::Int:
    case QMetaType::LongLong: return QString::number(value.toLongLong());
    default: return value.toString();
    }
}

QVariant DataTableModel::data(const QModelIndex &index, int role) const
{
    if (!m_table || !index.isValid() || index.row() >= rowCount() || index.column() >= m_fields.size())
        return QVariant();
    const QVariant v = m_table->valueAt(index.row(), m_fields.at(index.column()));
    switch (role) {
    case Qt::DisplayRole: return displayText(v);
    case Qt::EditRole: return v;
    case Qt::TextAlignmentRole: return m_alignment ? QVariant(int(m_alignment)) : QVariant();
    default: return QVariant();
    }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_fields.size())
        return QVariant();
    return section < m_headers.size() ? m_headers.at(section) : m_fields.at(section);
}

int DataTableModel::currentRow() const { return m_table ? m_table->currentRow() : -1; }

bool DataTableModel::setCurrentRow(int row)
{
    if (!m_table || m_syncing)
        return false;
    if (row == m_table->currentRow())
        return true;
    return m_table->moveTo(row + 1);
}

void DataTableModel::onTableCurrentChanged(int row)
{
    emit currentRowChanged(row);
    if (!m_selection || m_syncing)
        return;
    m_syncing = true;
    if (row >= 0 && row < rowCount())
        m_selection->setCurrentIndex(index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        m_selection->clear();
    m_syncing = false;
}

void DataTableModel::attachSelection(QItemSelectionModel *selection)
{
    if (m_selection)
        disconnect(m_selection, nullptr, this, nullptr);
    m_selection = selection;
    if (!selection)
        return;
    connect(selection, &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (m_syncing || !current.isValid() || !m_table)
            return;
        m_syncing = true;
        if (current.row() != m_table->currentRow() && !m_table->moveTo(current.row() + 1)) {
            // The table could not move (a pending edit failed to post): show where it is.
            const int row = m_table->currentRow();
            if (row >= 0)
                m_selection->setCurrentIndex(index(row, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        m_syncing = false;
    });
    onTableCurrentChanged(m_table ? m_table->currentRow() : -1);
}
