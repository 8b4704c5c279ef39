#include "platform/shownstamp.h"

#include <QWindow>

#ifdef VR_HAVE_XCB
#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QHash>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <deque>
#include <xcb/xcb.h>

namespace {

class Stamps : public QAbstractNativeEventFilter
{
public:
    static Stamps *get()
    {
        auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
        const auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        xcb_connection_t *c = x11 ? x11->connection() : nullptr;
        if (!c || xcb_connection_has_error(c))
            return nullptr;
        static Stamps *stamps = nullptr;
        if (!stamps || stamps->m_c != c) {
            static const char name[] = "_VANTREL_SHOWN";
            xcb_intern_atom_reply_t *atom =
                xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
            if (!atom)
                return nullptr;
            if (stamps)
                app->removeNativeEventFilter(stamps);
            stamps = new Stamps(c, atom->atom);   // lives as long as the X connection
            std::free(atom);
            app->installNativeEventFilter(stamps);
        }
        return stamps;
    }

    bool request(xcb_window_t window, std::function<void(quint32)> done)
    {
        xcb_change_property(m_c, XCB_PROP_MODE_APPEND, window, m_atom, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(m_c);
        m_waiting[window].push_back(std::move(done));
        return true;
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (notify->atom != m_atom)
            return false;
        const auto it = m_waiting.find(notify->window);
        if (it == m_waiting.end() || it->empty())
            return true;
        // Answers come in the order of the requests.
        std::function<void(quint32)> done = std::move(it->front());
        it->pop_front();
        if (it->empty())
            m_waiting.erase(it);
        if (done)
            done(notify->time);
        return true;
    }

private:
    Stamps(xcb_connection_t *c, xcb_atom_t atom) : m_c(c), m_atom(atom) {}

    xcb_connection_t *m_c;
    xcb_atom_t m_atom;
    QHash<xcb_window_t, std::deque<std::function<void(quint32)>>> m_waiting;
};

} // namespace
#endif

bool ShownStamp::request(QWindow *window, std::function<void(quint32 serverMs)> done)
{
#ifdef VR_HAVE_XCB
    if (!window || !window->handle())
        return false;
    Stamps *stamps = Stamps::get();
    return stamps && stamps->request(xcb_window_t(window->winId()), std::move(done));
#else
    Q_UNUSED(window);
    Q_UNUSED(done);
    return false;
#endif
}
