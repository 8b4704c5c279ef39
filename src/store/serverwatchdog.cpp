#include "store/serverwatchdog.h"

#include "store/storeerror.h"

#include <QHash>
#include <QSet>
#include <QVariant>
#include <QSqlDatabase>
#include <QSqlDriver>

#include <libpq-fe.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace ServerWatchdog {

namespace {

std::atomic<int> g_timeoutMs{5000};

// A socket is recognised by both ends: a descriptor number reused by another
// connection is never shut down by mistake.
struct Watched
{
    PGconn *conn = nullptr;
    int fd = -1;
    std::chrono::steady_clock::time_point activeSince{};
    bool active = false;
    sockaddr_storage local{};
    sockaddr_storage peer{};
    socklen_t localLen = 0;
    socklen_t peerLen = 0;
};

bool endsOf(int fd, Watched *w)
{
    w->fd = fd;
    w->localLen = sizeof(w->local);
    w->peerLen = sizeof(w->peer);
    return ::getsockname(fd, reinterpret_cast<sockaddr *>(&w->local), &w->localLen) == 0
           && ::getpeername(fd, reinterpret_cast<sockaddr *>(&w->peer), &w->peerLen) == 0;
}

bool sameSocket(const Watched &a, const Watched &b)
{
    return a.localLen == b.localLen && a.peerLen == b.peerLen && std::memcmp(&a.local, &b.local, a.localLen) == 0
           && std::memcmp(&a.peer, &b.peer, a.peerLen) == 0;
}

// Milliseconds since data last came in on fd; -1 when that is unknown.
qint64 silentMs(int fd)
{
    tcp_info info{};
    socklen_t len = sizeof(info);
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len) != 0)
        return -1;
    return info.tcpi_last_data_recv;
}

class Watchdog
{
public:
    static Watchdog &instance()
    {
        // Never destroyed: the thread may still sleep when statics go.
        static Watchdog *dog = new Watchdog;
        return *dog;
    }

    void watch(const QString &name, const Watched &w)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sockets.insert(name, w);
        m_cut.remove(name);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { loop(); });
        m_wake.notify_all();
    }

    void unwatch(const QString &name)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sockets.remove(name);
    }

    bool wasCut(const QString &name)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_cut.constFind(name);
        return it != m_cut.constEnd()
               && std::chrono::steady_clock::now() - *it < std::chrono::milliseconds(2 * g_timeoutMs.load());
    }

    bool takeCut(const QString &name)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_cut.constFind(name);
        if (it == m_cut.constEnd())
            return false;
        // A cut long ago belongs to an earlier operation.
        const bool recent = std::chrono::steady_clock::now() - *it < std::chrono::milliseconds(2 * g_timeoutMs.load());
        m_cut.erase(it);
        return recent;
    }

private:
    void loop()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            if (m_sockets.isEmpty()) {
                m_wake.wait(lock);
                continue;
            }
            const int timeout = g_timeoutMs.load();
            m_wake.wait_for(lock, std::chrono::milliseconds(qBound(20, timeout / 10, 250)));
            for (auto it = m_sockets.begin(); it != m_sockets.end();) {
                Watched ends;
                if (!endsOf(it->fd, &ends) || !sameSocket(ends, *it)) {
                    it = m_sockets.erase(it);   // closed without unwatch()
                    continue;
                }
                // A statement in flight (libpq waits for its result) with nothing
                // received for the time-out. The handle is read only while the
                // socket is still the connection's: closing unwatches first.
                const auto now = std::chrono::steady_clock::now();
                const bool active = PQtransactionStatus(it->conn) == PQTRANS_ACTIVE;
                if (active && !it->active)
                    it->activeSince = now;
                it->active = active;
                const qint64 waited = std::chrono::duration_cast<std::chrono::milliseconds>(now - it->activeSince).count();
                if (active && waited >= timeout && silentMs(it->fd) >= timeout) {
                    ::shutdown(it->fd, SHUT_RDWR);
                    m_cut.insert(it.key(), std::chrono::steady_clock::now());
                    StoreLogLine(QStringLiteral("Ausführen : [Fehler] Vereinsserver: keine Antwort nach %1 ms, Verbindung "
                                                "getrennt")
                                     .arg(timeout));
                    it = m_sockets.erase(it);
                    continue;
                }
                ++it;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    QHash<QString, Watched> m_sockets;
    QHash<QString, std::chrono::steady_clock::time_point> m_cut;
};

} // namespace

int timeoutMs() { return g_timeoutMs.load(); }

void setTimeoutMs(int ms) { g_timeoutMs.store(qMax(100, ms)); }

QString connectOptions()
{
    const int seconds = qMax(2, (timeoutMs() + 999) / 1000);
    return QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=5;keepalives_interval=2;keepalives_count=2;"
                          "tcp_user_timeout=%2")
        .arg(seconds)
        .arg(timeoutMs());
}

void watch(const QSqlDatabase &db)
{
    if (!db.isOpen() || db.driverName() != QLatin1String("QPSQL"))
        return;
    const QVariant handle = db.driver()->handle();
    // The driver names the type as libpq declares it (struct pg_conn).
    if (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0)
        return;
    PGconn *conn = *static_cast<PGconn *const *>(handle.data());
    const int fd = conn ? PQsocket(conn) : -1;
    Watched w;
    if (fd < 0 || !endsOf(fd, &w))
        return;
    w.conn = conn;
    Watchdog::instance().watch(db.connectionName(), w);
}

void unwatch(const QString &connectionName) { Watchdog::instance().unwatch(connectionName); }

bool takeCut(const QString &connectionName) { return Watchdog::instance().takeCut(connectionName); }

bool wasCut(const QString &connectionName) { return Watchdog::instance().wasCut(connectionName); }

} // namespace ServerWatchdog
