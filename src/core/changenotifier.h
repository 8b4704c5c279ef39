#pragma once
#include <QObject>

// Announces that a plain program-wide record (settings, program state, the
// active shooter) was changed; windows that show it follow changed().
class ChangeNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    void notify() { emit changed(); }

signals:
    void changed();
};
