#pragma once
#include <QPointer>
#include <QTableView>

#include "store/datatable.h"

class DataTableModel;

// The shooter list of the overview and the select dialog: the columns "Name"
// and "Vorname" of the shooter table in index order. The selected row and the
// table's current record move together both ways.
class ShooterList : public QTableView
{
    Q_OBJECT
public:
    explicit ShooterList(QWidget *parent = nullptr);
    ~ShooterList() override;

    // Shows this table (nothing for nullptr); binding the same table again
    // keeps the list as it is.
    void bindTable(DataTable *table);
    DataTable *table() const { return m_table; }
    DataTableModel *tableModel() const { return m_model; }

    // Whether an entry is marked in the list.
    bool hasSelectedEntry() const;
    // The marked row (0-based), -1 without one.
    int selectedRow() const;

private:
    QPointer<DataTable> m_table;
    DataTableModel *m_model = nullptr;
};
