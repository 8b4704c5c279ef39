#pragma once
#include <QString>

class QSqlDatabase;

// The time-outs of a connection to the club server. The server ends a
// statement after the time-out itself, the kernel drops a peer that has gone
// from the network; a server that is alive but silent (its processes stopped)
// is caught here: a thread of its own watches the sockets of the open server
// connections and shuts one down once a statement is in flight and nothing has
// come in for longer than the time-out. The statement then fails at once as a
// lost connection; the server rolls its transaction back.
namespace ServerWatchdog {

// 5000 ms; tests make it shorter.
int timeoutMs();
void setTimeoutMs(int ms);

// The libpq options of every server connection: connect time-out, keepalives,
// TCP user time-out (QSqlDatabase::setConnectOptions).
QString connectOptions();

// Watches the open QPSQL connection db (again after a reconnect); unwatch()
// before closing it. A connection that is not open or not QPSQL is ignored.
void watch(const QSqlDatabase &db);
void unwatch(const QString &connectionName);

// True when the watchdog has shut the connection down lately (within twice
// the time-out) and no call has asked since: the server did not answer in
// the current operation. Clears the mark.
bool takeCut(const QString &connectionName);
// The same without clearing the mark.
bool wasCut(const QString &connectionName);

} // namespace ServerWatchdog
