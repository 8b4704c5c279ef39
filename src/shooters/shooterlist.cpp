#include "shooters/shooterlist.h"

#include "ui/hints.h"
#include "store/datatable.h"
#include "store/datatablemodel.h"

#include <QHeaderView>
#include <QItemSelectionModel>

ShooterList::ShooterList(QWidget *parent)
    : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(false);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    setMinimumSize(230, 220);
    SetHint(this, QStringLiteral("|Namensliste"));
}

ShooterList::~ShooterList()
{
    // The view does not own its model or its selection model.
    QItemSelectionModel *selection = selectionModel();
    setModel(nullptr);
    delete selection;
    delete m_model;
}

void ShooterList::bindTable(DataTable *table)
{
    if (m_model && table == m_table)
        return;
    QItemSelectionModel *oldSelection = selectionModel();
    DataTableModel *oldModel = m_model;
    m_table = table;
    m_model = nullptr;
    if (table) {
        m_model = new DataTableModel(table, {QStringLiteral("Name"), QStringLiteral("Vorname")});
        m_model->setHeaderTexts({QStringLiteral("Name"), QStringLiteral("Vorname")});
    }
    setModel(m_model);
    delete oldSelection;
    delete oldModel;
    if (m_model) {
        setColumnWidth(0, 120);
        m_model->attachSelection(selectionModel());
    }
}

bool ShooterList::hasSelectedEntry() const { return selectedRow() >= 0; }

int ShooterList::selectedRow() const
{
    const QItemSelectionModel *selection = selectionModel();
    if (!m_model || !selection)
        return -1;
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}
