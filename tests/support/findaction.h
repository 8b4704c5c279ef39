#pragma once
#include <QAction>
#include <QObject>

// A window's menu item by its object name. A missing one stops the test
// program naming it, instead of a crash on a null pointer.
inline QAction *findAction(const QObject &window, const QString &name)
{
    auto *action = window.findChild<QAction *>(name);
    if (!action)
        qFatal("no action named \"%s\"", qPrintable(name));
    return action;
}
