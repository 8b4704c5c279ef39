#pragma once
#include <QString>
#include <functional>

class QSqlError;

// The database driver speaks English ("database disk image is malformed",
// "UNIQUE constraint failed: PersData.Name"). Its texts never reach the user:
// StoreErrorText turns them into German and hands the original to the log
// hook, so it stays in the action log only.

enum class StoreFault {
    Damaged,     // the file is damaged or no database at all
    ForeignFile, // no table or field of this program
    ReadOnly,    // the file or its folder is write-protected
    NoAccess,    // the file cannot be opened: no rights, folder missing
    DiskFull,
    IoError,
    Busy,        // another program holds the file
    Duplicate,   // a unique index refused the row
    ServerGone,  // the database server cannot be reached or dropped the connection
    Other,
};

StoreFault ClassifyStoreError(const QString &driverText);

// German for a driver text, a clause ending in "." to follow a colon ("Die
// Datenbank … kann nicht geöffnet werden: der Datenträger ist voll."). A
// refused duplicate shooter gives a sentence of its own; `shooter` ("Meyer,
// Anna") names him where the caller knows it. The original goes to the log
// hook.
QString StoreErrorText(const QString &driverText, const QString &shooter = QString());
QString StoreErrorText(const QSqlError &error, const QString &shooter = QString());

// "Ein Schütze „Meyer, Anna“ ist bereits vorhanden."
QString DuplicateShooterText(const QString &name, const QString &vorname);

// A file error of the system (QFile::errorString() is English) in German; the
// original goes to the log hook.
QString StoreFileErrorText(int fileError, const QString &systemText);

// A failed system call (errno) in German; the system's text goes to the log hook.
QString StoreSystemErrorText(int errnum, const QString &systemText);

// Why a connection to the database server failed, in German (a clause
// ending in "."); the original goes to the log hook.
QString ServerConnectErrorText(const QString &driverText);

// A line of its own for the action log (through the hook).
void StoreLogLine(const QString &line);

// True for a busy or read-only failure, before or after translation.
bool IsBusyError(const QString &text);
bool IsReadOnlyError(const QString &text);

// Where the original texts go: the shell sets it to its action log at start.
// Gets the whole log line. Without a hook the texts are dropped.
using StoreLogHook = std::function<void(const QString &line)>;
void SetStoreLogHook(StoreLogHook hook);
