#include "platform/windowsystemsync.h"

#include "platform/clock.h"

#include <QGuiApplication>

#ifdef VR_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>
#endif

bool SyncWithWindowSystem()
{
#ifdef VR_HAVE_XCB
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    const auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection || xcb_connection_has_error(connection))
        return false;
    // The cheapest request with a reply.
    xcb_get_input_focus_reply_t *reply = xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    std::free(reply);
    return reply != nullptr;
#else
    return false;
#endif
}

qint64 ShownAfterPaint(qint64 beforeNs, qint64 paintedNs)
{
    if (SyncWithWindowSystem())
        return Clock::instance().monotonicNs();
    return paintedNs >= beforeNs ? paintedNs : Clock::instance().monotonicNs();
}
