#pragma once
// Checks of a data folder's table files before and after SQLite opens them
// read-only (the export and the import of a stand's folder read foreign files).
#include <QString>

class QSqlDatabase;
class QSqlError;
class TableSchema;

// German words for a SQLite failure of a reader (the driver's own text is English).
QString SqliteReason(const QSqlError &e);
// Empty when path looks like a table file; otherwise the German message naming
// the file. Checked before SQLite opens it: a named pipe would block the reader.
QString TableFileProblem(const TableSchema &table, const QString &path);
// SQLite's quick check of one attached schema of db: empty when sound, otherwise the reason.
QString TableDamage(const QSqlDatabase &db, const QString &schema);
// "Die Tabelle PersData („…“) kann nicht gelesen werden: reason."
QString UnreadableTableText(const TableSchema &table, const QString &path, const QString &reason);
