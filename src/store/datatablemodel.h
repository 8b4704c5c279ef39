#pragma once
#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

#include "store/datatable.h"

class QItemSelectionModel;

// Grid/list model over a DataTable: one row per dataset row, the chosen fields
// as columns. Follows the table (reloads, edits, current row) and moves the
// table's current row when the view selects another row (setCurrentRow or an
// attached selection model).
class DataTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    DataTableModel(DataTable *table, const QStringList &fields, QObject *parent = nullptr);

    DataTable *table() const { return m_table; }
    QStringList fields() const { return m_fields; }
    // Header texts by column; missing ones show the field name.
    void setHeaderTexts(const QStringList &texts);
    void setAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Keeps the selection model's current row and the table's current row equal.
    void attachSelection(QItemSelectionModel *selection);
    int currentRow() const;

    // Display text of a stored value: dates in the short date format, times
    // "hh:mm:ss", whole numbers without decimals, others in the locale.
    static QString displayText(const QVariant &value);

public slots:
    // Makes row (0-based) the table's current row.
    bool setCurrentRow(int row);

signals:
    void currentRowChanged(int row);

private:
    void onTableCurrentChanged(int row);

    QPointer<DataTable> m_table;
    QStringList m_fields;
    QStringList m_headers;
    Qt::Alignment m_alignment;
    QPointer<QItemSelectionModel> m_selection;
    bool m_syncing = false;
};
