#pragma once
#include <QString>

// Key paths of the settings store.
namespace RegistryKeys {
inline const QString Main = QStringLiteral("Software\\Nrv\\Vantrel Reaktion");
inline const QString MainConfig = QStringLiteral("Software\\Nrv\\Vantrel Reaktion\\Config");
inline const QString Nrv = QStringLiteral("Software\\NRV");
inline const QString Spurwerk = QStringLiteral("Software\\Nrv\\Vantrel Spurwerk");
} // namespace RegistryKeys

// Sections and value names under those key paths.
namespace SettingsKeys {
// Sections
inline const QString Config = QStringLiteral("Config");
inline const QString FormData = QStringLiteral("FormData");   // <code>X, <code>Y of a window
inline const QString Ports = QStringLiteral("Ports");         // device file per port name

// "Config" of the main key: the settings record
inline const QString Benutzer = QStringLiteral("Benutzer");
inline const QString Offline = QStringLiteral("Offline");
inline const QString Backup = QStringLiteral("Backup");
inline const QString Reorg = QStringLiteral("Reorg");
inline const QString Logfile = QStringLiteral("Logfile");
inline const QString Sound = QStringLiteral("Sound");
inline const QString KS_Zero = QStringLiteral("KS_Zero");
inline const QString KS_KL = QStringLiteral("KS_KL");
inline const QString SS_Sense = QStringLiteral("SS_Sense");
inline const QString COM_Index = QStringLiteral("COM_Index");
inline const QString Controller = QStringLiteral("Controller");

// "Config" of the companion program's key
inline const QString ProgramDir = QStringLiteral("ProgramDir");

// "Config" of the NRV key: the data folder
inline const QString DBInstallDir = QStringLiteral("DBInstallDir");
inline const QString DataDir = QStringLiteral("DataDir");
inline const QString Datadir = QStringLiteral("Datadir");
// "Config" of the NRV key: which database ("lokal" or "server") and the server's
// address; the password stays in the user's PostgreSQL password file.
inline const QString DBKind = QStringLiteral("DBKind");
inline const QString DBServer = QStringLiteral("DBServer");
inline const QString DBPort = QStringLiteral("DBPort");
inline const QString DBName = QStringLiteral("DBName");
inline const QString DBUser = QStringLiteral("DBUser");

// Placement value names: code + these
inline const QString PlacementX = QStringLiteral("X");
inline const QString PlacementY = QStringLiteral("Y");
} // namespace SettingsKeys
