#include "core/windowplacement.h"

#include <QApplication>
#include <QDialog>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

void WindowPlacement::install()
{
    static WindowPlacement *filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new WindowPlacement;
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}

namespace {

QRect screenArea(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

} // namespace

void WindowPlacement::fitToContent(QWidget *window)
{
    // Style and layout first: before they ran, the size hint is that of an empty widget.
    window->ensurePolished();
    if (QLayout *layout = window->layout())
        layout->activate();
    const QRect area = screenArea(window);
    const QSize hint = window->sizeHint().expandedTo(window->minimumSizeHint());
    // A widget not yet resized has the default geometry (100 x 30): only the hint counts.
    QSize size = window->testAttribute(Qt::WA_Resized) ? window->size().expandedTo(hint) : hint;
    size = size.boundedTo(window->maximumSize());
    if (area.isValid())
        size = size.boundedTo(area.size());
    if (size.isValid() && (size != window->size() || !window->testAttribute(Qt::WA_Resized)))
        window->resize(size);
}

void WindowPlacement::fitOnShow(QWidget *window)
{
    fitToContent(window);
    const QRect area = screenArea(window);
    const QSize size = window->size();
    // A stored position stays, but the whole window must be on the screen.
    if (window->testAttribute(Qt::WA_Moved) && area.isValid()) {
        const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
        const QSize outer = size.grownBy(frame);
        QPoint pos = window->pos();   // the frame's corner
        pos.setX(qBound(area.left(), pos.x(), qMax(area.left(), area.right() + 1 - outer.width())));
        pos.setY(qBound(area.top(), pos.y(), qMax(area.top(), area.bottom() + 1 - outer.height())));
        if (pos != window->pos())
            window->move(pos);
    }
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide)
        return false;
    auto *dialog = qobject_cast<QDialog *>(watched);
    if (!dialog || !dialog->isWindow() || static_cast<QShowEvent *>(event)->spontaneous())
        return false;
    if (type == QEvent::Show) {
        fitOnShow(dialog);   // before QDialog centres it and before it is mapped
        // Remember the window it opened over (message boxes have no parent).
        QWidget *under = QApplication::activeWindow();
        dialog->setProperty("vrOpenedOver", QVariant::fromValue(QPointer<QWidget>(under != dialog ? under : nullptr)));
        return false;
    }
    if (!dialog->isModal())
        return false;
    // The window below a closed modal one: a modal still open, else the window
    // it opened over, else its parent window.
    QPointer<QWidget> parent = dialog->property("vrOpenedOver").value<QPointer<QWidget>>();
    if (!parent && dialog->parentWidget())
        parent = dialog->parentWidget()->window();
    QPointer<QDialog> closed(dialog);
    QTimer::singleShot(0, qApp, [parent, closed] {
        QWidget *below = QApplication::activeModalWidget();
        if (!below)
            below = parent;
        QWidget *active = QApplication::activeWindow();
        if (below && below != closed && below->isVisible() && (!active || active == below))
            below->activateWindow();
    });
    return false;
}
