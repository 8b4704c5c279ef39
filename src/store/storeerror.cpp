#include "store/storeerror.h"

#include <QCoreApplication>
#include <QThread>

#include "platform/safefile.h"

#include <QFileDevice>
#include <QSqlError>

namespace {

StoreLogHook &logHook()
{
    static StoreLogHook hook;
    return hook;
}

const QString kBusyText =
    QStringLiteral("die Datenbank ist gesperrt, sie wird gerade von einem anderen Programm benutzt.");
const QString kReadOnlyText =
    QStringLiteral("die Datei ist schreibgeschützt; Änderungen und neue Ergebnisse können nicht gespeichert werden.");

bool containsAny(const QString &text, std::initializer_list<const char *> parts)
{
    for (const char *part : parts)
        if (text.contains(QLatin1String(part), Qt::CaseInsensitive))
            return true;
    return false;
}

// SQLite's primary result codes, for a text that says nothing known.
StoreFault faultOfCode(int code)
{
    switch (code & 0xFF) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return StoreFault::Busy;
    case 8: return StoreFault::ReadOnly;
    case 10: return StoreFault::IoError;
    case 11:  // SQLITE_CORRUPT
    case 26:  // SQLITE_NOTADB
        return StoreFault::Damaged;
    case 13: return StoreFault::DiskFull;
    case 14:  // SQLITE_CANTOPEN
    case 23:  // SQLITE_AUTH
        return StoreFault::NoAccess;
    default: break;
    }
    if (code == 2067 || code == 1555)  // SQLITE_CONSTRAINT_UNIQUE, _PRIMARYKEY
        return StoreFault::Duplicate;
    return StoreFault::Other;
}

void report(const QString &original)
{
    if (!original.trimmed().isEmpty() && logHook())
        logHook()(QStringLiteral("Ausführen : [Fehler] Datenbank meldet: ") + original.trimmed());
}

QString textOf(StoreFault fault, const QString &driverText, const QString &shooter)
{
    switch (fault) {
    case StoreFault::Damaged:
        return QStringLiteral("die Datei ist beschädigt oder keine Datenbank; bitte holen Sie sie aus der Sicherung "
                              "zurück.");
    case StoreFault::ForeignFile:
        return QStringLiteral("die Datei enthält keine Tabelle dieses Programms oder eine Tabelle anderen Aufbaus.");
    case StoreFault::ReadOnly: return kReadOnlyText;
    case StoreFault::NoAccess:
        return QStringLiteral("die Datei kann nicht geöffnet werden: keine Zugriffsrechte, oder der Ordner ist nicht "
                              "erreichbar.");
    case StoreFault::DiskFull: return QStringLiteral("der Datenträger ist voll.");
    case StoreFault::IoError: return QStringLiteral("Lese- oder Schreibfehler auf dem Datenträger.");
    case StoreFault::Busy: return kBusyText;
    case StoreFault::Duplicate:
        if (!shooter.isEmpty())
            return QStringLiteral("Ein Schütze „%1“ ist bereits vorhanden.").arg(shooter);
        if (driverText.contains(QLatin1String("PersData"), Qt::CaseInsensitive)
            || driverText.contains(QLatin1String("persindex"), Qt::CaseInsensitive))
            return QStringLiteral("Ein Schütze mit diesem Namen und Vornamen ist bereits vorhanden.");
        return QStringLiteral("der Datensatz ist bereits vorhanden.");
    case StoreFault::ServerGone:
        return QStringLiteral("die Verbindung zum Datenbankserver ist unterbrochen oder nicht möglich.");
    case StoreFault::Other: break;
    }
    return QStringLiteral("unerwarteter Fehler der Datenbank (Näheres im Aktionsprotokoll).");
}

} // namespace

StoreFault ClassifyStoreError(const QString &text)
{
    if (containsAny(text, {"server closed the connection", "no connection to the server", "terminating connection",
                           "could not connect to server", "connection to server", "could not receive data",
                           "could not send data", "connection refused", "timeout expired"}))
        return StoreFault::ServerGone;
    if (containsAny(text, {"duplicate key value"}))
        return StoreFault::Duplicate;
    if (containsAny(text, {"deadlock detected", "could not serialize access", "lock timeout"}))
        return StoreFault::Busy;
    if (containsAny(text, {"unique constraint failed", "is not unique", "are not unique", "must be unique",
                           "primary key constraint"}))
        return StoreFault::Duplicate;
    if (containsAny(text, {"database is locked", "database table is locked", "database is busy", "locking protocol"}))
        return StoreFault::Busy;
    if (containsAny(text, {"readonly database", "read-only", "read only"}))
        return StoreFault::ReadOnly;
    if (containsAny(text, {"database or disk is full", "disk is full", "no space left"}))
        return StoreFault::DiskFull;
    if (containsAny(text, {"malformed", "not a database", "file is encrypted", "corrupt"}))
        return StoreFault::Damaged;
    if (containsAny(text, {"disk i/o error", "i/o error", "input/output error"}))
        return StoreFault::IoError;
    if (containsAny(text, {"unable to open database", "permission denied", "access permission", "authorization denied",
                           "not authorized", "access denied", "no such file or directory"}))
        return StoreFault::NoAccess;
    if (containsAny(text, {"no such table", "no such column", "has no column named", "no such index", "does not exist"}))
        return StoreFault::ForeignFile;
    return StoreFault::Other;
}

QString StoreErrorText(const QString &driverText, const QString &shooter)
{
    report(driverText);
    return textOf(ClassifyStoreError(driverText), driverText, shooter);
}

QString StoreErrorText(const QSqlError &error, const QString &shooter)
{
    const QString text = error.text();
    StoreFault fault = ClassifyStoreError(text);
    if (fault == StoreFault::Other) {
        bool numeric = false;
        const int code = error.nativeErrorCode().toInt(&numeric);
        if (numeric)
            fault = faultOfCode(code);
    }
    report(text);
    return textOf(fault, text, shooter);
}

QString DuplicateShooterText(const QString &name, const QString &vorname)
{
    return textOf(StoreFault::Duplicate, QString(), name + QStringLiteral(", ") + vorname);
}

QString StoreFileErrorText(int fileError, const QString &systemText)
{
    report(systemText);
    const StoreFault fault = ClassifyStoreError(systemText);
    if (fault != StoreFault::Other)
        return textOf(fault, systemText, QString());
    switch (fileError) {
    case QFileDevice::PermissionsError: return textOf(StoreFault::NoAccess, systemText, QString());
    case QFileDevice::ReadError: return QStringLiteral("die Datei kann nicht gelesen werden (Lesefehler).");
    case QFileDevice::ResourceError: return QStringLiteral("dem System fehlen Mittel, oder der Datenträger ist voll.");
    default: break;
    }
    return QStringLiteral("unerwarteter Fehler des Dateisystems (Näheres im Aktionsprotokoll).");
}

QString StoreSystemErrorText(int errnum, const QString &systemText)
{
    report(systemText);
    return SafeFile::reason(errnum);
}

bool IsBusyError(const QString &text)
{
    return text.contains(kBusyText) || ClassifyStoreError(text) == StoreFault::Busy;
}

bool IsReadOnlyError(const QString &text)
{
    return text.contains(kReadOnlyText) || ClassifyStoreError(text) == StoreFault::ReadOnly;
}

void SetStoreLogHook(StoreLogHook hook) { logHook() = std::move(hook); }

void StoreLogLine(const QString &line)
{
    // Written by the UI thread only; a worker's lines go there.
    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(app, [line] { StoreLogLine(line); }, Qt::QueuedConnection);
        return;
    }
    if (logHook())
        logHook()(line);
}

QString ServerConnectErrorText(const QString &driverText)
{
    report(driverText);
    if (containsAny(driverText, {"could not translate host name", "name or service not known", "unknown host"}))
        return QStringLiteral("der Server wurde nicht gefunden (Name unbekannt).");
    if (containsAny(driverText, {"connection refused"}))
        return QStringLiteral("der Server nimmt keine Verbindung an (nicht gestartet, oder falscher Port).");
    if (containsAny(driverText, {"timeout expired", "timed out"}))
        return QStringLiteral("der Server antwortet nicht (Zeitüberschreitung).");
    if (containsAny(driverText, {"password authentication failed", "no password supplied", "password is required"}))
        return QStringLiteral("das Kennwort fehlt oder ist falsch; bitte prüfen Sie den Eintrag in der "
                              "PostgreSQL-Kennwortdatei (.pgpass).");
    if (containsAny(driverText, {"no pg_hba.conf entry"}))
        return QStringLiteral("der Server lässt diesen Rechner oder Benutzer nicht zu (Eintrag in pg_hba.conf fehlt).");
    if (driverText.contains(QLatin1String("database \""), Qt::CaseInsensitive)
        && driverText.contains(QLatin1String("does not exist"), Qt::CaseInsensitive))
        return QStringLiteral("die Datenbank ist auf dem Server nicht vorhanden.");
    if (driverText.contains(QLatin1String("role \""), Qt::CaseInsensitive)
        && driverText.contains(QLatin1String("does not exist"), Qt::CaseInsensitive))
        return QStringLiteral("der Benutzer ist auf dem Server nicht bekannt.");
    if (containsAny(driverText, {"permission denied"}))
        return QStringLiteral("dem Benutzer fehlen die Rechte für diese Datenbank.");
    return textOf(ClassifyStoreError(driverText), driverText, QString());
}
