#pragma once
#include <QObject>

class QWidget;

// Every secondary window opens at least at its size hint and fully on the
// screen, at its stored position or centred over its parent; when a modal
// window closes, its parent window gets the input focus back (without a
// window manager nobody else would give it).
class WindowPlacement : public QObject
{
public:
    // Installs the filter on the application (once).
    static void install();
    // Size and position as the filter sets them when the window is shown.
    static void fitOnShow(QWidget *window);
    // At least the size hint, now: called when a window is built, so that its
    // native window is made at that size and not at a widget's default 100 x 30.
    static void fitToContent(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
