#pragma once
#include <QObject>
#include <QString>
#include <QTest>

// The child of parent of type T with that object name (any name when empty).
// A missing child fails the running test at the caller's line and gives
// nullptr; the caller returns then: `auto *b = child<QPushButton>(w, "OK_Button"); if (!b) return;`
template <typename T>
T *child(const QObject *parent, const QString &name = QString(), const char *file = __builtin_FILE(),
         int line = __builtin_LINE())
{
    T *found = parent ? parent->template findChild<T *>(name) : nullptr;
    if (!found)
        QTest::qFail(qPrintable(QStringLiteral("no %1 \"%2\" in %3")
                                    .arg(QLatin1String(T::staticMetaObject.className()), name,
                                         parent ? parent->objectName() : QStringLiteral("nothing"))),
                     file, line);
    return found;
}

template <typename T>
T *child(const QObject &parent, const QString &name = QString(), const char *file = __builtin_FILE(),
         int line = __builtin_LINE())
{
    return child<T>(&parent, name, file, line);
}

// Declares `var` as the named child of parent in a void function (test
// function or lambda); a missing child fails the test and returns.
#define VR_CHILD(var, Type, parent, name) \
    Type *var = child<Type>(parent, name); \
    if (!var)                               \
        return
