#pragma once
#include <QStyledItemDelegate>

// Cell drawing of the evaluation grids: the last row of every series (the
// row that carries its mean) on silver (192, 192, 192); the selected row on
// the highlight colour with white text; then the text as usual.
class SilverRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static const QColor Silver;
    // Model role telling (bool) that a row ends its series.
    static constexpr int SeriesEndRole = Qt::UserRole + 1;
    static bool endsSeries(const QModelIndex &index);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
