#pragma once
#include <QString>

#include <functional>

class QObject;

struct DatabaseTarget;

// Trying a server before it is chosen, and the user's PostgreSQL password file.
namespace ServerLogin {

struct Probe
{
    bool ok = false;
    bool passwordProblem = false;  // password missing or wrong: an entry in the password file helps
    QString reason;                // German clause ending in "." when not ok
};

// Opens a throw-away connection with the target's values (ServerWatchdog::connectOptions(),
// password only from the password file) and closes it again.
Probe tryConnection(const DatabaseTarget &target);

// tryConnection on a thread of its own: done runs on context's thread with
// the outcome, unless context is gone by then. The thread ends by itself
// within the connect time-out; a caller that no longer waits ignores done.
void tryConnectionAsync(const DatabaseTarget &target, QObject *context, std::function<void(const Probe &)> done);

// $PGPASSFILE when set, otherwise ~/.pgpass.
QString passwordFilePath();

// A field of a password file line: ':' and '\' escaped as libpq reads them.
QString escapeField(const QString &field);

// Writes host:port:dbname:user:password into the password file: a line for the
// same host, port, database and user is replaced, other lines kept; the file
// is written whole (never half) and readable by its owner only (0600).
// False with a German reason in *error.
bool writePasswordEntry(const DatabaseTarget &target, const QString &password, QString *error,
                        const QString &file = passwordFilePath());

} // namespace ServerLogin
