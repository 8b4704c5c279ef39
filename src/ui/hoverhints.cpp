#include "ui/hoverhints.h"

#include <QEvent>
#include <QLabel>

HoverHints::HoverHints(QObject *parent)
    : QObject(parent)
{
}

void HoverHints::add(QWidget *control, const QString &text, QLabel *area)
{
    if (!control || !area)
        return;
    m_hints.insert(control, {text, area});
    control->installEventFilter(this);
}

QLabel *HoverHints::makeArea(QWidget *parent, const QString &objectName, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMinimumWidth(190);
    return label;
}

bool HoverHints::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Enter) {
        const auto it = m_hints.constFind(watched);
        if (it != m_hints.constEnd())
            it->area->setText(it->text);
    }
    return QObject::eventFilter(watched, event);
}
