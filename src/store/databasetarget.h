#pragma once
#include <QString>

class QSqlDatabase;

// Where the data module keeps its three tables: the local data folder (three
// SQLite files) or a database on a PostgreSQL server. The password is never
// part of it: libpq reads it from ~/.pgpass or $PGPASSFILE.
struct DatabaseTarget
{
    enum class Kind { Local, Server };

    Kind kind = Kind::Local;
    QString folder;   // Local; empty: the alias path
    QString host;     // Server
    int port = 5432;
    QString dbname;
    QString user;

    bool isServer() const { return kind == Kind::Server; }
    // "Server 127.0.0.1, Port 5432, Datenbank „vantrel“" for messages.
    QString describe() const;

    static DatabaseTarget local(const QString &folder = QString());
    static DatabaseTarget server(const QString &host, int port, const QString &dbname, const QString &user);
    // The settings store's choice ("DBKind" etc. under the NRV key).
    static DatabaseTarget fromSettings();
    void writeSettings() const;
};

// True for a connection to the PostgreSQL server.
bool IsServerConnection(const QSqlDatabase &db);
