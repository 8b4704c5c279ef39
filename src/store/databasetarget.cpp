#include "store/databasetarget.h"

#include "platform/registryini.h"
#include "platform/settingskeys.h"
#include "store/quoted.h"

#include <QSqlDatabase>

namespace {
const QString kServer = QStringLiteral("server");
const QString kLocal = QStringLiteral("lokal");
} // namespace

QString DatabaseTarget::describe() const
{
    if (!isServer())
        return QStringLiteral("Datenordner %1").arg(QuotedPath(folder));
    return QStringLiteral("Server %1, Port %2, Datenbank %3").arg(Quoted(host)).arg(port).arg(Quoted(dbname));
}

DatabaseTarget DatabaseTarget::local(const QString &folder)
{
    DatabaseTarget t;
    t.folder = folder;
    return t;
}

DatabaseTarget DatabaseTarget::server(const QString &host, int port, const QString &dbname, const QString &user)
{
    DatabaseTarget t;
    t.kind = Kind::Server;
    t.host = host;
    t.port = port;
    t.dbname = dbname;
    t.user = user;
    return t;
}

DatabaseTarget DatabaseTarget::fromSettings()
{
    RegistryIni reg(RegistryKeys::Nrv);
    const QString &config = SettingsKeys::Config;
    if (reg.readString(config, SettingsKeys::DBKind, kLocal).trimmed().compare(kServer, Qt::CaseInsensitive) != 0)
        return local();
    return server(reg.readString(config, SettingsKeys::DBServer, QString()).trimmed(),
                  reg.readInteger(config, SettingsKeys::DBPort, 5432),
                  reg.readString(config, SettingsKeys::DBName, QString()).trimmed(),
                  reg.readString(config, SettingsKeys::DBUser, QString()).trimmed());
}

void DatabaseTarget::writeSettings() const
{
    RegistryIni reg(RegistryKeys::Nrv);
    const QString &config = SettingsKeys::Config;
    reg.writeString(config, SettingsKeys::DBKind, isServer() ? kServer : kLocal);
    if (!isServer())
        return;
    reg.writeString(config, SettingsKeys::DBServer, host);
    reg.writeInteger(config, SettingsKeys::DBPort, port);
    reg.writeString(config, SettingsKeys::DBName, dbname);
    reg.writeString(config, SettingsKeys::DBUser, user);
}

bool IsServerConnection(const QSqlDatabase &db) { return db.driverName() == QLatin1String("QPSQL"); }
