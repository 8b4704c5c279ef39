#include "core/settings.h"

#include "core/changenotifier.h"
#include "core/windowplacement.h"

#include "platform/numberformat.h"
#include "platform/registryini.h"

#include <QLocale>
#include <QWidget>

namespace {
namespace Key = SettingsKeys;

void applySelectors(Settings &s)
{
    if (s.COM_Index == 0 || s.COM_Index == 1)
        s.portSelector = quint8(s.COM_Index);
    if (s.Controller == 0 || s.Controller == 1)
        s.controllerSelector = quint8(s.Controller);
}

const QString kServerKind = QStringLiteral("server");
const QString kLocalKind = QStringLiteral("lokal");

void readDatabaseChoice(Settings &s)
{
    RegistryIni reg(RegistryKeys::Nrv);
    s.DBOnServer = reg.readString(Key::Config, Key::DBKind, kLocalKind).trimmed().compare(kServerKind, Qt::CaseInsensitive) == 0;
    s.DBServer = reg.readString(Key::Config, Key::DBServer, QString()).trimmed();
    s.DBPort = reg.readInteger(Key::Config, Key::DBPort, 5432);
    s.DBName = reg.readString(Key::Config, Key::DBName, QString()).trimmed();
    s.DBUser = reg.readString(Key::Config, Key::DBUser, QString()).trimmed();
}

// The server's values are kept when "lokal" is chosen, for the next switch back.
void writeDatabaseChoice(const Settings &s)
{
    RegistryIni reg(RegistryKeys::Nrv);
    reg.writeString(Key::Config, Key::DBKind, s.DBOnServer ? kServerKind : kLocalKind);
    reg.writeString(Key::Config, Key::DBServer, s.DBServer);
    reg.writeInteger(Key::Config, Key::DBPort, s.DBPort);
    reg.writeString(Key::Config, Key::DBName, s.DBName);
    reg.writeString(Key::Config, Key::DBUser, s.DBUser);
}
} // namespace

Settings &Settings::instance()
{
    static Settings record;
    return record;
}

ChangeNotifier &Settings::notifier()
{
    static ChangeNotifier notifier;
    return notifier;
}

QString ScaleToText(double scale)
{
    return NumberFormat::formatFloat("%1.3f", scale, QLocale());
}

double ScaleFromText(const QString &text)
{
    const QLocale locale;
    double value = 0.0;
    if (NumberFormat::textToFloat(text, &value, locale))
        return value;
    // Written under a locale with the other decimal separator.
    QString swapped = text;
    const QString sep = locale.decimalPoint();
    const QString other = sep == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",");
    swapped.replace(other, sep);
    if (NumberFormat::textToFloat(swapped, &value, locale))
        return value;
    return 6.0;
}

void LoadSettings(Settings &s)
{
    {
        RegistryIni reg(RegistryKeys::Main);
        s.Benutzer = reg.readString(Key::Config, Key::Benutzer, QString());
        s.Offline = reg.readBool(Key::Config, Key::Offline, true);
        s.Backup = reg.readBool(Key::Config, Key::Backup, true);
        s.Reorg = reg.readBool(Key::Config, Key::Reorg, true);
        s.Logfile = reg.readBool(Key::Config, Key::Logfile, false);
        s.Sound = reg.readBool(Key::Config, Key::Sound, true);
        s.KS_Zero = reg.readInteger(Key::Config, Key::KS_Zero, -1);
        s.KS_KL = ScaleFromText(reg.readString(Key::Config, Key::KS_KL, QStringLiteral("6")));
        s.SS_Sense = reg.readInteger(Key::Config, Key::SS_Sense, 50);
        s.COM_Index = reg.readInteger(Key::Config, Key::COM_Index, 1);
        s.Controller = reg.readInteger(Key::Config, Key::Controller, 0);
        applySelectors(s);
    }
    readDatabaseChoice(s);
    RegistryIni companion(RegistryKeys::Spurwerk);
    s.ProgramDir = companion.readString(Key::Config, Key::ProgramDir, QString());
    Settings::notifier().notify();
}

void WriteSettings(const Settings &s)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeString(Key::Config, Key::Benutzer, s.Benutzer);
    reg.writeBool(Key::Config, Key::Offline, s.Offline);
    reg.writeBool(Key::Config, Key::Backup, s.Backup);
    reg.writeBool(Key::Config, Key::Reorg, s.Reorg);
    reg.writeBool(Key::Config, Key::Logfile, s.Logfile);
    reg.writeBool(Key::Config, Key::Sound, s.Sound);
    reg.writeInteger(Key::Config, Key::KS_Zero, s.KS_Zero);
    reg.writeString(Key::Config, Key::KS_KL, ScaleToText(s.KS_KL));
    reg.writeInteger(Key::Config, Key::SS_Sense, s.SS_Sense);
    reg.writeInteger(Key::Config, Key::COM_Index, s.COM_Index);
    reg.writeInteger(Key::Config, Key::Controller, s.Controller);
}

void SaveSettings(const SettingsDialogValues &d, Settings &s)
{
    s.Benutzer = d.userName;
    s.Offline = d.offline;
    s.Backup = d.backup;
    s.Reorg = d.reorg;
    s.Logfile = d.logfile;
    s.Sound = d.sound;
    if (d.com1Checked)
        s.COM_Index = 0;
    else if (d.com2Checked)
        s.COM_Index = 1;
    if (d.controllerText == QLatin1String("Bauart1"))
        s.Controller = 0;
    else if (d.controllerText == QLatin1String("Bauart2"))
        s.Controller = 1;
    s.DBOnServer = d.dbOnServer;
    s.DBServer = d.dbServer.trimmed();
    s.DBPort = d.dbPort;
    s.DBName = d.dbName.trimmed();
    s.DBUser = d.dbUser.trimmed();
    applySelectors(s);
    WriteSettings(s);
    writeDatabaseChoice(s);
    Settings::notifier().notify();
}

void LoadFormPlacement(QWidget *window, const QString &code)
{
    if (!window)
        return;
    // The window is built: its size now, so its native window is made at that size.
    WindowPlacement::fitToContent(window);
    RegistryIni reg(RegistryKeys::Main);
    // Nothing stored: leave the window to its design position (a dialog opens centred).
    if (!reg.valueExists(Key::FormData, code + Key::PlacementX) && !reg.valueExists(Key::FormData, code + Key::PlacementY))
        return;
    const int left = reg.readInteger(Key::FormData, code + Key::PlacementX, window->x());
    const int top = reg.readInteger(Key::FormData, code + Key::PlacementY, window->y());
    window->move(left, window->y());
    window->move(window->x(), top);
}

void SaveFormPlacement(const QString &code, int left, int top)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeInteger(Key::FormData, code + Key::PlacementX, left);
    reg.writeInteger(Key::FormData, code + Key::PlacementY, top);
}

QString PortDeviceFile(const QString &portName)
{
#ifdef Q_OS_WIN
    const QString def = portName;
#else
    const QString def = portName.compare(QLatin1String("COM1"), Qt::CaseInsensitive) == 0
                            ? QStringLiteral("/dev/ttyS0")
                            : QStringLiteral("/dev/ttyS1");
#endif
    RegistryIni reg(RegistryKeys::Main);
    const QString file = reg.readString(Key::Ports, portName, def);
    return file.trimmed().isEmpty() ? def : file.trimmed();
}

QString StoredPortDeviceFile(const QString &portName)
{
    RegistryIni reg(RegistryKeys::Main);
    return reg.readString(Key::Ports, portName, QString()).trimmed();
}

void SetPortDeviceFile(const QString &portName, const QString &deviceFile)
{
    RegistryIni reg(RegistryKeys::Main);
    if (deviceFile.trimmed().isEmpty())
        reg.deleteValue(Key::Ports, portName);
    else
        reg.writeString(Key::Ports, portName, deviceFile.trimmed());
}
