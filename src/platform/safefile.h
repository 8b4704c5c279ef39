#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// Writes a whole file so that a failure never leaves a damaged or empty one.
// A regular file (or a new one) is written to a temporary file beside it,
// flushed, synced and renamed over the old one, which keeps its permissions;
// on any failure the old file stays untouched. A character device, a named
// pipe or a socket (/dev/null, a FIFO, /dev/stdout) is written to as it is
// and never replaced by a regular file. Inside a BackgroundJob cancelled
// before the rename, the temporary file is removed and nothing replaced.
namespace SafeFile {

enum class Step { Open, Write, Flush, Sync, Rename };

bool write(const QString &path, const QByteArray &bytes, QString *error);

// German reason for a system error number ("Der Datenträger ist voll.").
QString reason(int errnum);

// Test seam: called before each step; a non-zero result is taken as the
// errno of a failing step. An empty function removes it.
using FaultHook = std::function<int(Step)>;
void setFaultHook(FaultHook hook);

} // namespace SafeFile
