#include "ui/elidinglabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

namespace {
// Wider than any name the dialogs accept; longer ones are cut.
constexpr int MaxNaturalWidth = 360;
}

ElidingLabel::ElidingLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize ElidingLabel::minimumSizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(QStringLiteral("Mmmm…")), fm.height()};
}

QSize ElidingLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    return {qMin(fm.horizontalAdvance(text()) + 4, MaxNaturalWidth), fm.height()};
}

bool ElidingLabel::isElided() const { return fontMetrics().horizontalAdvance(text()) > contentsRect().width(); }

void ElidingLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip)
        setToolTip(tip);
}
