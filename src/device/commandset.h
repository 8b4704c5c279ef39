#pragma once
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

class TComException;

// The trainer's controller: its two models, their command bytes, the
// queries with their reply windows and the device-link state the rest of the
// program reads. Built on the serial port (serialport.h); UI thread only.

inline const QString ModelNames[2] = {QStringLiteral("Bauart1"), QStringLiteral("Bauart2")};
// Two characters that the serial-number text of a detected controller holds.
inline const QString DetectionCodes[2] = {QStringLiteral("E1"), QStringLiteral("E2")};
// The text of a function the selected model lacks.
inline const QString NotAvailableText = QStringLiteral("nicht verfügbar");

// One command byte per operation. Selecting a model writes only the slots
// that model defines; the others keep what they held (0x00 at start).
struct CommandSlots
{
    quint8 hardwareRevision = 0;
    quint8 softwareRevision = 0;
    quint8 serialNumber = 0;
    quint8 controllerType = 0;
    quint8 controllerRevision = 0;
    quint8 deviceType = 0;
    quint8 batteryVoltage = 0;
    quint8 manufacturer = 0;
    quint8 rawStream = 0;
    quint8 startStream = 0;
    quint8 stopStream = 0;
};
const CommandSlots &CommandTable();

// Battery voltages (V) of the discharge curve, 10 minutes apart.
extern const double DischargeTable[42];

struct DeviceLinkState
{
    bool connected = false;
    quint8 model = 0;             // 0 = Bauart1, 1 = Bauart2 (last selection)
    QString modelName;            // "Bauart1" / "Bauart2" once selected
    QString portName;             // of the last successful OpenDevice
    QString baudName;
    QString serialText;           // last QuerySerialNumber
    QString hwRevText;            // last QueryHardwareRevision
    QString swRevText;            // last QuerySoftwareRevision
    double LastBatteryVoltage = 0.0;  // volts of the last going online; -1 = no reading
    bool lossReported = false;    // the link was lost since the last OpenDevice (said once)
};
DeviceLinkState &DeviceLink();

// Tells the windows that the link was lost (the main window goes offline).
class DeviceLinkEvents : public QObject
{
    Q_OBJECT
public:
    static DeviceLinkEvents &instance();
signals:
    void linkLost();
    // Connected or disconnected (ConnectDevice, DisconnectDevice, a lost link).
    void linkChanged();
};

// How a link that was working failed.
enum class LinkLoss {
    NoReply,        // a query got no byte of its reply
    StreamStopped,  // the sample stream fell silent
    PortGone,       // the port's device vanished (adapter unplugged)
};
// The link failed: it is not connected any more, the action log gets
// "Verbindung zum Gerät verloren" with port and reason, the user one German
// message (the reason, then `consequence` when given) and the windows the
// signal. Only the first report after an OpenDevice counts; later ones do
// nothing. The queries of a connected Bauart2 link report a missing reply
// (and every transfer of a connected link a vanished port) themselves.
void ReportLinkLost(LinkLoss cause, const QString &consequence = QString());

// Only while connected: reads and drops what is pending and reports a port
// whose device vanished. Sends nothing. False when the link is lost.
bool ProbeLink();

// The second line of a failed open or connect: which port, and why.
// "Die Schnittstelle COM2 (/dev/ttyS1) wird von einem anderen Programm benutzt."
// The system's own text goes to the action log.
QString OpenFailureText(const TComException &error);
QString OpenFailureText();   // unknown exception: the port that was to be opened
// "Das Gerät an COM2 (/dev/ttyS1) antwortet nicht." or what it answered instead.
QString ConnectFailureText();

// Queries. Each sends its command byte (also a slot the model leaves
// undefined), waits 30 ms and reads its reply window.
void QueryHardwareRevision(QString &text);    // only while not connected
void QuerySoftwareRevision(QString &text);    // only while not connected
void QuerySerialNumber(QString &text);
void QueryControllerType(QString &text);
void QueryControllerRevision(QString &text);
void QueryDeviceType(QString &text);
// Characters up to the terminator 0x01; stops after 64 characters or one
// second without a byte and keeps what arrived.
void QueryManufacturer(QString &text);

// 0 = Bauart1, 1 = Bauart2; any other value changes nothing and gives false.
bool SelectControllerModel(quint8 model);
// Opens the port (TComException passes through), keeps the port and baud
// texts and selects the model. Returns true; leaves `connected` alone.
bool OpenDevice(quint8 portIndex, quint8 baudIndex, quint8 model);
// Connected iff the serial-number text is not "000" and longer than 4.
bool ConnectDevice();
// StopStream (sends only while connected), then not connected. The port stays open.
bool DisconnectDevice();
bool StartStream();     // only while connected
bool StopStream();      // only while connected
void StartRawStream();  // only while connected
// Reads until nothing more arrives; false while not connected.
bool DrainInput();
// Volts; -1.0 for Bauart1, 0.0 when a Bauart2 controller does not answer,
// -1.0 without sending anything while not connected.
double ReadBatteryVoltage();
// Remaining hours as "%1.2f" text (locale decimal separator); "nicht
// verfügbar" for Bauart1; the text is left alone while not connected.
void EstimateOperatingHours(QString &text);
// Hours left at a battery voltage, from DischargeTable.
double OperatingHoursForVoltage(double volts);

// The same queries without waiting: each goes through the trainer link
// (PortLink()) and hands what its blocking twin gives to `done`, later on
// the UI thread and only while `context` lives. The link's state changes as
// with the blocking twin.
enum class DeviceValue {
    HardwareRevision,
    SoftwareRevision,
    SerialNumber,
    ControllerType,
    ControllerRevision,
    DeviceType,
    Manufacturer,
};
// OpenDevice: `done` gets nullptr or why the port did not open.
void OpenDeviceAsync(quint8 portIndex, quint8 baudIndex, quint8 model, QObject *context,
                     std::function<void(const TComException *error)> done);
// The revisions give an empty text while connected (nothing is sent).
void AskDeviceValue(DeviceValue value, QObject *context, std::function<void(const QString &text)> done);
// ConnectDevice.
void ConnectDeviceAsync(QObject *context, std::function<void(bool connected)> done);
// ReadBatteryVoltage.
void AskBatteryVoltage(QObject *context, std::function<void(double volts)> done);
// EstimateOperatingHours: answered = false while not connected (nothing sent).
void AskOperatingHours(QObject *context, std::function<void(bool answered, const QString &hours)> done);

// Back to the state at program start (tests).
void ResetDeviceLink();
