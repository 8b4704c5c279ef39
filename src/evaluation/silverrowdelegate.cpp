#include "evaluation/silverrowdelegate.h"

#include <QPainter>

const QColor SilverRowDelegate::Silver(192, 192, 192);

bool SilverRowDelegate::endsSeries(const QModelIndex &index) { return index.data(SeriesEndRole).toBool(); }

void SilverRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    const bool selected = opt.state & QStyle::State_Selected;
    if (endsSeries(index))
        painter->fillRect(opt.rect, Silver);
    if (selected) {
        painter->fillRect(opt.rect, opt.palette.color(QPalette::Active, QPalette::Highlight));
        opt.palette.setColor(QPalette::Text, Qt::white);
        opt.palette.setColor(QPalette::HighlightedText, Qt::white);
    }
    // Background already drawn: the style draws text (and focus) only.
    opt.state &= ~QStyle::State_Selected;
    opt.backgroundBrush = Qt::NoBrush;
    QStyledItemDelegate::paint(painter, opt, index);
}
