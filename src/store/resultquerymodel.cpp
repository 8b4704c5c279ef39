#include "store/resultquerymodel.h"

#include "store/datatablemodel.h"
#include "store/resultquery.h"

ResultQueryModel::ResultQueryModel(ResultQuery *query, const QStringList &columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_query(query)
    , m_columns(columns)
{
    if (!query)
        return;
    connect(query, &ResultQuery::rowsAboutToReset, this, [this] { beginResetModel(); });
    connect(query, &ResultQuery::rowsReset, this, [this] { endResetModel(); });
    connect(query, &ResultQuery::rowChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount() && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(query, &ResultQuery::currentRowChanged, this, &ResultQueryModel::currentRowChanged);
}

void ResultQueryModel::setHeaderTexts(const QStringList &texts)
{
    m_headers = texts;
    if (!m_columns.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
}

void ResultQueryModel::setFormatter(const QString &column, Formatter formatter)
{
    m_formatters.insert(column.toLower(), std::move(formatter));
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int ResultQueryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_query || !m_query->isOpen())
        return 0;
    return m_query->recordCount();
}

int ResultQueryModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

QVariant ResultQueryModel::data(const QModelIndex &index, int role) const
{
    if (!m_query || !index.isValid() || index.row() >= rowCount() || index.column() >= m_columns.size())
        return QVariant();
    const QString &column = m_columns.at(index.column());
    const QVariant v = m_query->valueAt(index.row(), column);
    switch (role) {
    case Qt::DisplayRole: {
        const auto f = m_formatters.constFind(column.toLower());
        return f != m_formatters.constEnd() ? (*f)(v) : DataTableModel::displayText(v);
    }
    case Qt::EditRole: return v;
    case Qt::TextAlignmentRole: return m_alignment ? QVariant(int(m_alignment)) : QVariant();
    default: return QVariant();
    }
}

QVariant ResultQueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_columns.size())
        return QVariant();
    return section < m_headers.size() ? m_headers.at(section) : m_columns.at(section);
}

bool ResultQueryModel::setCurrentRow(int row)
{
    if (!m_query)
        return false;
    if (row == m_query->currentRow())
        return true;
    return m_query->moveTo(row + 1);
}
