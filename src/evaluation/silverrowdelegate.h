#pragma once
#include <QStyledItemDelegate>

// Cell drawing of the evaluation grids: every row whose record number is a
// multiple of 5 on silver (192, 192, 192); the selected row on the highlight
// colour with white text; then the text as usual.
class SilverRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static const QColor Silver;
    // Record number of the row of index (the grid's "Nr" column is the first).
    static int recordNumber(const QModelIndex &index);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
