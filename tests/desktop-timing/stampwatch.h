#pragma once
#include <QEvent>
#include <QKeyEvent>
#include <QList>
#include <QObject>
#include <QWidget>

// Notes the X server's stamp of every key press that reaches the window.
class StampWatch : public QObject
{
public:
    explicit StampWatch(QWidget *window) : m_window(window) {}
    QList<quint64> stamps;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && event->spontaneous() && watched == m_window) {
            const quint64 t = static_cast<QKeyEvent *>(event)->timestamp();
            if (stamps.isEmpty() || stamps.last() != t)
                stamps << t;
        }
        return false;
    }

private:
    QWidget *m_window;
};
