#include "store/tablefilecheck.h"

#include "store/quoted.h"
#include "store/tableschema.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

QString SqliteReason(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok) & 0xFF;
    if (!ok)
        return QStringLiteral("unbekannter Datenbankfehler");
    switch (code) {
    case 3:  // SQLITE_PERM
    case 23: // SQLITE_AUTH
        return QStringLiteral("keine Leseberechtigung");
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("die Datei ist gesperrt");
    case 10: return QStringLiteral("Lesefehler auf dem Datenträger");
    case 11: return QStringLiteral("die Datei ist beschädigt");
    case 14: return QStringLiteral("die Datei kann nicht geöffnet werden");
    case 26: return QStringLiteral("die Datei ist keine Tabellendatei");
    case 1: return QStringLiteral("die Tabelle fehlt oder hat nicht die erwarteten Spalten");
    default: return QStringLiteral("Datenbankfehler %1").arg(code);
    }
}

QString UnreadableTableText(const TableSchema &table, const QString &path, const QString &reason)
{
    return QStringLiteral("Die Tabelle %1 (%2) kann nicht gelesen werden: %3.").arg(table.tableName, QuotedPath(path), reason);
}

QString TableFileProblem(const TableSchema &table, const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QStringLiteral("%1 ist keine Datei und kann nicht als Tabelle geöffnet werden.").arg(QuotedPath(path));
    if (info.size() == 0)
        return UnreadableTableText(table, path, QStringLiteral("die Datei ist leer"));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return UnreadableTableText(table, path,
                                   f.error() == QFileDevice::PermissionsError
                                       ? QStringLiteral("keine Leseberechtigung")
                                       : QStringLiteral("die Datei kann nicht geöffnet werden"));
    if (f.read(16) != QByteArray("SQLite format 3\0", 16))
        return UnreadableTableText(table, path, QStringLiteral("die Datei ist keine Tabellendatei"));
    return QString();
}

QString TableDamage(const QSqlDatabase &db, const QString &schema)
{
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA %1.quick_check(1)").arg(schema)))
        return SqliteReason(check.lastError());
    if (!check.next())
        return check.lastError().isValid() ? SqliteReason(check.lastError()) : QStringLiteral("die Datei ist beschädigt");
    return check.value(0).toString() == QLatin1String("ok") ? QString() : QStringLiteral("die Datei ist beschädigt");
}
