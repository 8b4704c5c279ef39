#include "ui/hints.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStatusTipEvent>
#include <QWidget>

namespace {

class HintFilter : public QObject
{
public:
    std::function<void(const QString &)> handler;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::StatusTip && handler)
            handler(static_cast<QStatusTipEvent *>(event)->tip());
        return QObject::eventFilter(watched, event);
    }
};

HintFilter *g_filter = nullptr;

} // namespace

void InstallHintHandler(std::function<void(const QString &)> handler)
{
    if (!QCoreApplication::instance())
        return;
    if (!g_filter) {
        g_filter = new HintFilter;
        g_filter->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(g_filter);
    }
    g_filter->handler = std::move(handler);
}

void SetHint(QWidget *widget, const QString &hint)
{
    if (!widget)
        return;
    const int bar = hint.indexOf(u'|');
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}
