#pragma once
#include "platform/settingskeys.h"

#include <QString>

class ChangeNotifier;

class QWidget;

// The in-memory settings record, mirror of the "Config" values of the main key.
struct Settings
{
    QString Benutzer;        // user name written into every log line
    bool Offline = true;     // start without connecting to the device
    bool Backup = true;      // copy the tables into "Backup" at exit
    bool Reorg = true;       // pack the tables at start
    bool Logfile = false;    // write the action log
    bool Sound = true;       // "a&kustische Trefferanzeige"
    int KS_Zero = -1;        // force-sensor zero point in raw counts, -1 = not calibrated
    double KS_KL = 6.0;      // force-sensor scale ("Kennlinie")
    int SS_Sense = 50;       // shot-sensor sensitivity
    int COM_Index = 1;       // 0 = COM1, 1 = COM2
    int Controller = 0;      // 0 = Bauart1, 1 = Bauart2
    QString ProgramDir;      // command line of the companion curve generator
    // The database the next start opens ("Config" of the NRV key): the data
    // folder, or a PostgreSQL server; its password stays in the user's .pgpass.
    bool DBOnServer = false;  // "DBKind": "lokal" or "server"
    QString DBServer;
    int DBPort = 5432;
    QString DBName;
    QString DBUser;

    // Derived selectors: set from COM_Index / Controller when those are 0 or 1,
    // otherwise left as they were.
    quint8 portSelector = 0;
    quint8 controllerSelector = 0;

    static Settings &instance();  // the program's one record
    // changed() after LoadSettings and SaveSettings.
    static ChangeNotifier &notifier();
};

// What the program settings dialog hands to SaveSettings.
struct SettingsDialogValues
{
    QString userName;
    bool offline = true;
    bool backup = true;
    bool reorg = true;
    bool logfile = false;
    bool sound = true;
    bool com1Checked = false;
    bool com2Checked = false;
    QString controllerText;  // "Bauart1" or "Bauart2"
    bool dbOnServer = false;
    QString dbServer;
    int dbPort = 5432;
    QString dbName;
    QString dbUser;
};

// Reads the eleven "Config" values, the database choice and "ProgramDir" of
// the companion program.
void LoadSettings(Settings &settings = Settings::instance());
// Takes the dialog's values into the record and writes the eleven values and
// the database choice.
void SaveSettings(const SettingsDialogValues &dialog, Settings &settings = Settings::instance());
// Writes the record's eleven values (used by SaveSettings).
void WriteSettings(const Settings &settings);

// "KS_KL" as stored ("%1.3f" in the user's locale) and as read back: a text
// that is not a number in the locale is read with the other decimal separator,
// failing that it is 6.0.
QString ScaleToText(double scale);
double ScaleFromText(const QString &text);

// Window placement under "FormData": <code>X and <code>Y.
void LoadFormPlacement(QWidget *window, const QString &code);
void SaveFormPlacement(const QString &code, int left, int top);

// Device file that the port name ("COM1"/"COM2") opens: section "Ports" of the
// main key, defaults /dev/ttyS0 and /dev/ttyS1 (on Windows the names themselves).
QString PortDeviceFile(const QString &portName);
// The value stored for the port name in "Ports" (empty when none is stored).
QString StoredPortDeviceFile(const QString &portName);
// Stores the device file for the port name; an empty file removes the value,
// so the default applies again.
void SetPortDeviceFile(const QString &portName, const QString &deviceFile);
