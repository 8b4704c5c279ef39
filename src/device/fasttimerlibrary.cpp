#include "device/fasttimerlibrary.h"

#include "platform/clock.h"
#include "platform/messageservice.h"

#include <QCoreApplication>
#include <QTimer>

#include <limits>
#include <vector>

namespace {
bool g_custom = false;
FastTimerLibrary *g_installed = nullptr;
} // namespace

FastTimerLibrary *FastTimerLibrary::loaded()
{
    return g_custom ? g_installed : &BuiltinFastTimerLibrary::instance();
}

void FastTimerLibrary::install(FastTimerLibrary *library)
{
    g_custom = true;
    g_installed = library;
}

void FastTimerLibrary::installBuiltin()
{
    g_custom = false;
    g_installed = nullptr;
}

bool LoadFastTimerLibrary()
{
    if (FastTimerLibrary::loaded())
        return true;
    ShowError(QStringLiteral("FASTTime32.DLL failed to load. This application may not execute correctly."),
              QStringLiteral("DLL ERROR"));
    return false;
}

void ReleaseFastTimerLibrary()
{
    // The built-in library holds nothing beyond the timers, which their owners stop.
}

BuiltinFastTimerLibrary::BuiltinFastTimerLibrary(int capacity, QObject *parent)
    : QObject(parent)
    , m_capacity(capacity)
{
}

BuiltinFastTimerLibrary::~BuiltinFastTimerLibrary()
{
    for (auto &item : m_timers)
        delete item.second.timer;
}

BuiltinFastTimerLibrary &BuiltinFastTimerLibrary::instance()
{
    // Never destroyed: timers may still be stopped while the process ends.
    static BuiltinFastTimerLibrary *library = new BuiltinFastTimerLibrary;
    return *library;
}

int BuiltinFastTimerLibrary::StartFastTimer(QObject *window, int resolution, int interval)
{
    Q_UNUSED(resolution);  // QTimer's precise timers keep to the millisecond
    if (!window || interval <= 0 || int(m_timers.size()) >= m_capacity)
        return 0;
    const int id = m_nextId;
    m_nextId = m_nextId == std::numeric_limits<int>::max() ? 1 : m_nextId + 1;

    Entry entry;
    entry.window = window;
    entry.startNs = Clock::instance().monotonicNs();
    entry.intervalNs = qint64(interval) * 1000000;
    entry.timer = new QTimer(this);
    entry.timer->setTimerType(Qt::PreciseTimer);
    entry.timer->setSingleShot(true);
    connect(entry.timer, &QTimer::timeout, this, [this, id] { service(id); });
    Entry &stored = m_timers[id] = entry;
    arm(stored);
    return id;
}

void BuiltinFastTimerLibrary::StopFastTimer(int timerId)
{
    auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return;
    Entry entry = it->second;
    m_timers.erase(it);
    entry.timer->stop();
    entry.timer->deleteLater();
    // Ticks already posted but not yet handled belong to the stopped timer.
    if (entry.window)
        QCoreApplication::removePostedEvents(entry.window, TickMessage);
}

qint64 BuiltinFastTimerLibrary::startedAtNs(int timerId) const
{
    auto it = m_timers.find(timerId);
    return it == m_timers.end() ? -1 : it->second.startNs;
}

void BuiltinFastTimerLibrary::deliverDueTicks()
{
    std::vector<int> ids;
    for (const auto &item : m_timers)
        ids.push_back(item.first);
    for (int id : ids)
        service(id);
}

void BuiltinFastTimerLibrary::service(int timerId)
{
    auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return;
    Entry &entry = it->second;
    if (!entry.window) {
        StopFastTimer(timerId);
        return;
    }
    const qint64 due = (Clock::instance().monotonicNs() - entry.startNs) / entry.intervalNs;
    while (entry.posted < due) {
        ++entry.posted;
        QCoreApplication::postEvent(entry.window, new FastTimerTickEvent(timerId));
    }
    arm(entry);
}

void BuiltinFastTimerLibrary::arm(Entry &entry)
{
    const qint64 nextNs = entry.startNs + (entry.posted + 1) * entry.intervalNs;
    const qint64 leftNs = nextNs - Clock::instance().monotonicNs();
    const qint64 leftMs = leftNs <= 0 ? 0 : (leftNs + 999999) / 1000000;
    entry.timer->start(int(qMin<qint64>(leftMs, entry.intervalNs / 1000000)));
}
