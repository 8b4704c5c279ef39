#include "core/settings.h"

#include "core/changenotifier.h"
#include "core/windowplacement.h"

#include "platform/numberformat.h"
#include "platform/registryini.h"

#include <QLocale>
#include <QWidget>

namespace {
const QString kConfig = QStringLiteral("Config");
const QString kFormData = QStringLiteral("FormData");

void applySelectors(Settings &s)
{
    if (s.COM_Index == 0 || s.COM_Index == 1)
        s.portSelector = quint8(s.COM_Index);
    if (s.Controller == 0 || s.Controller == 1)
        s.controllerSelector = quint8(s.Controller);
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
        s.Benutzer = reg.readString(kConfig, QStringLiteral("Benutzer"), QString());
        s.Offline = reg.readBool(kConfig, QStringLiteral("Offline"), true);
        s.Backup = reg.readBool(kConfig, QStringLiteral("Backup"), true);
        s.Reorg = reg.readBool(kConfig, QStringLiteral("Reorg"), true);
        s.Logfile = reg.readBool(kConfig, QStringLiteral("Logfile"), false);
        s.Sound = reg.readBool(kConfig, QStringLiteral("Sound"), true);
        s.KS_Zero = reg.readInteger(kConfig, QStringLiteral("KS_Zero"), -1);
        s.KS_KL = ScaleFromText(reg.readString(kConfig, QStringLiteral("KS_KL"), QStringLiteral("6")));
        s.SS_Sense = reg.readInteger(kConfig, QStringLiteral("SS_Sense"), 50);
        s.COM_Index = reg.readInteger(kConfig, QStringLiteral("COM_Index"), 1);
        s.Controller = reg.readInteger(kConfig, QStringLiteral("Controller"), 0);
        applySelectors(s);
    }
    RegistryIni companion(RegistryKeys::Spurwerk);
    s.ProgramDir = companion.readString(kConfig, QStringLiteral("ProgramDir"), QString());
    Settings::notifier().notify();
}

void WriteSettings(const Settings &s)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeString(kConfig, QStringLiteral("Benutzer"), s.Benutzer);
    reg.writeBool(kConfig, QStringLiteral("Offline"), s.Offline);
    reg.writeBool(kConfig, QStringLiteral("Backup"), s.Backup);
    reg.writeBool(kConfig, QStringLiteral("Reorg"), s.Reorg);
    reg.writeBool(kConfig, QStringLiteral("Logfile"), s.Logfile);
    reg.writeBool(kConfig, QStringLiteral("Sound"), s.Sound);
    reg.writeInteger(kConfig, QStringLiteral("KS_Zero"), s.KS_Zero);
    reg.writeString(kConfig, QStringLiteral("KS_KL"), ScaleToText(s.KS_KL));
    reg.writeInteger(kConfig, QStringLiteral("SS_Sense"), s.SS_Sense);
    reg.writeInteger(kConfig, QStringLiteral("COM_Index"), s.COM_Index);
    reg.writeInteger(kConfig, QStringLiteral("Controller"), s.Controller);
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
    applySelectors(s);
    WriteSettings(s);
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
    if (!reg.valueExists(kFormData, code + u'X') && !reg.valueExists(kFormData, code + u'Y'))
        return;
    const int left = reg.readInteger(kFormData, code + u'X', window->x());
    const int top = reg.readInteger(kFormData, code + u'Y', window->y());
    window->move(left, window->y());
    window->move(window->x(), top);
}

void SaveFormPlacement(const QString &code, int left, int top)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeInteger(kFormData, code + u'X', left);
    reg.writeInteger(kFormData, code + u'Y', top);
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
    const QString file = reg.readString(QStringLiteral("Ports"), portName, def);
    return file.trimmed().isEmpty() ? def : file.trimmed();
}

QString StoredPortDeviceFile(const QString &portName)
{
    RegistryIni reg(RegistryKeys::Main);
    return reg.readString(QStringLiteral("Ports"), portName, QString()).trimmed();
}

void SetPortDeviceFile(const QString &portName, const QString &deviceFile)
{
    RegistryIni reg(RegistryKeys::Main);
    if (deviceFile.trimmed().isEmpty())
        reg.deleteValue(QStringLiteral("Ports"), portName);
    else
        reg.writeString(QStringLiteral("Ports"), portName, deviceFile.trimmed());
}
