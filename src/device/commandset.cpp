#include "device/commandset.h"

#include "device/comexception.h"
#include "device/serialport.h"
#include "device/trainerlink.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/messageservice.h"
#include "platform/numberformat.h"
#include "core/actionlog.h"
#include "core/settings.h"

#include <QRegularExpression>
#include <QElapsedTimer>
#include <QTimer>
#include <vector>

const double DischargeTable[42] = {
    9.60, 9.34, 9.17, 9.08, 9.00, 8.90, 8.83, 8.79, 8.78, 8.77, 8.77, 8.76, 8.75, 8.73,
    8.72, 8.70, 8.68, 8.67, 8.00, 65.00, 8.62, 8.59, 8.56, 8.54, 8.51, 8.49, 8.47, 8.42,
    8.39, 8.36, 8.32, 8.27, 8.22, 8.15, 8.02, 7.92, 7.82, 7.67, 7.38, 6.11, 5.83, 4.12};

namespace {

constexpr int kReplyPauseMs = 30;
constexpr int kManufacturerBytePauseMs = 10;
constexpr int kManufacturerMaxChars = 64;
constexpr qint64 kManufacturerIdleMs = 1000;

CommandSlots &commandSlots()
{
    static CommandSlots table;
    return table;
}

bool isBauart1() { return DeviceLink().model == 0; }

int g_lastReplyBytes = 0;  // of the last fixed-window query

// After a query of a connected link: a vanished port, or no byte of a reply
// a Bauart2 controller always sends, ends the link.
void checkReply(int received)
{
    if (!DeviceLink().connected)
        return;
    if (PortLost())
        ReportLinkLost(LinkLoss::PortGone);
    else if (received == 0 && !isBauart1())
        ReportLinkLost(LinkLoss::NoReply);
}

// A connected Bauart2 link that got nothing waits once more.
bool retriesEmptyReply() { return DeviceLink().connected && !isBauart1() && !PortLost(); }

// The reply window of a command: zero-filled, then what arrived within the
// pause. A connected Bauart2 link that got nothing waits once more before
// the link counts as lost.
std::vector<quint8> replyWindow(quint8 command, int window)
{
    std::vector<quint8> buffer(size_t(window), 0x00);
    WriteByte(command);
    Clock::instance().sleep(kReplyPauseMs);
    int received = 0;
    ReadBlock(buffer.data(), window, &received);
    if (received == 0 && retriesEmptyReply()) {
        Clock::instance().sleep(kReplyPauseMs);
        ReadBlock(buffer.data(), window, &received);
    }
    g_lastReplyBytes = received;
    checkReply(received);
    return buffer;
}

std::vector<quint8> fixedWindowQuery(quint8 command, int window) { return replyWindow(command, window); }

QString portLabel()
{
    const QString file = OpenedDeviceFile();
    return PortLabel(DeviceLink().portName, file.isEmpty() ? PortDeviceFile(DeviceLink().portName) : file);
}

QString characterOf(quint8 byte) { return Cp1252::decode(QByteArray(1, char(byte))); }

QString hexOf(quint8 byte) { return NumberFormat::formatInt("%x", byte); }

// Every byte but the space, as a character (NUL bytes included).
QString characterText(const std::vector<quint8> &bytes)
{
    QString text;
    for (quint8 b : bytes)
        if (b != 0x20)
            text += characterOf(b);
    return text;
}

// Every byte but the space, as upper-case hex without leading zeros.
QString hexText(const std::vector<quint8> &bytes)
{
    QString text;
    for (quint8 b : bytes)
        if (b != 0x20)
            text += hexOf(b);
    return text;
}

// Sends a command through the trainer link; `done` gets the reply window and
// how many bytes came, on the UI thread while `context` lives.
using ReplyHandler = std::function<void(const std::vector<quint8> &reply, int received)>;
void askReply(quint8 command, int window, ReplyKind kind, bool dropPending, QObject *context, ReplyHandler done)
{
    TrainerLink &link = PortLink();
    const int tag = TrainerLink::nextTag();
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(&link, &TrainerLink::answered, context,
                                   [tag, connection, done](int answerTag, const QByteArray &reply, int received) {
                                       if (answerTag != tag)
                                           return;
                                       QObject::disconnect(*connection);
                                       done(std::vector<quint8>(reply.begin(), reply.end()), received);
                                   });
    link.ask(command, window, kind, dropPending, tag);
}

// A fixed-window query as replyWindow() asks it, without waiting.
void askWindow(quint8 command, int window, bool dropPending, QObject *context, ReplyHandler done)
{
    askReply(command, window, retriesEmptyReply() ? ReplyKind::WindowOrRetry : ReplyKind::Window, dropPending,
             context, [done](const std::vector<quint8> &reply, int received) {
                 g_lastReplyBytes = received;
                 checkReply(received);
                 done(reply, received);
             });
}

// Runs `done` later on the UI thread (an answer that needs no transfer).
void later(QObject *context, std::function<void()> done) { QTimer::singleShot(0, context, std::move(done)); }

} // namespace

const CommandSlots &CommandTable() { return commandSlots(); }

DeviceLinkState &DeviceLink()
{
    static DeviceLinkState link;
    return link;
}

DeviceLinkEvents &DeviceLinkEvents::instance()
{
    static DeviceLinkEvents events;
    return events;
}

void ReportLinkLost(LinkLoss cause, const QString &consequence)
{
    DeviceLinkState &link = DeviceLink();
    if (link.lossReported)
        return;
    link.lossReported = true;
    link.connected = false;
    const QString port = portLabel();
    QString reason;
    switch (cause) {
    case LinkLoss::NoReply: reason = QStringLiteral("Das Gerät an %1 antwortet nicht mehr.").arg(port); break;
    case LinkLoss::StreamStopped:
        reason = QStringLiteral("Das Gerät an %1 sendet keine Messwerte mehr.").arg(port);
        break;
    case LinkLoss::PortGone: reason = QStringLiteral("Die Schnittstelle %1 ist nicht mehr vorhanden.").arg(port); break;
    }
    WriteLogLine(QStringLiteral("Ausführen : [Fehler] Verbindung zum Gerät verloren"));
    const QString system = cause == LinkLoss::PortGone ? PortSystemText() : QString();
    WriteLogLine(QStringLiteral("Ausführen : [Fehler] ") + reason
                 + (system.isEmpty() ? QString() : QStringLiteral(" [") + system + u']'));
    emit DeviceLinkEvents::instance().linkLost();
    emit DeviceLinkEvents::instance().linkChanged();
    ShowError(QStringLiteral("\r\nVerbindung zum Gerät verloren.\r\n") + reason
              + (consequence.isEmpty() ? QString() : QStringLiteral("\r\n") + consequence)
              + QStringLiteral("\r\nDas Programm arbeitet offline weiter; „Online“ (F5) verbindet neu."));
}

QString OpenFailureText(const TComException &error)
{
    if (!error.systemText().isEmpty())
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] ") + error.detail() + QStringLiteral(" [")
                     + error.systemText() + u']');
    return error.detail();
}

QString ConnectFailureText()
{
    const DeviceLinkState &link = DeviceLink();
    const QString port = portLabel();
    if (g_lastReplyBytes == 0)
        return QStringLiteral("Das Gerät an %1 antwortet nicht; ist es eingeschaltet und angeschlossen?").arg(port);
    return QStringLiteral("Das Gerät an %1 meldet „%2“; das ist keine Seriennummer eines Controllers %3.")
        .arg(port, link.serialText, link.modelName);
}

namespace {

struct ValueQuery
{
    quint8 command;
    int window;
};

ValueQuery valueQuery(DeviceValue value)
{
    const CommandSlots &t = commandSlots();
    switch (value) {
    case DeviceValue::HardwareRevision: return {t.hardwareRevision, 12};
    case DeviceValue::SoftwareRevision: return {t.softwareRevision, 12};
    case DeviceValue::SerialNumber: return {t.serialNumber, 3};
    case DeviceValue::ControllerType: return {t.controllerType, 5};
    case DeviceValue::ControllerRevision: return {t.controllerRevision, 3};
    case DeviceValue::DeviceType: return {t.deviceType, 15};
    case DeviceValue::Manufacturer: return {t.manufacturer, 0};
    }
    return {0, 0};
}

// The text of a reply window, kept in the link's state where it belongs there.
QString decodeValue(DeviceValue value, const std::vector<quint8> &reply)
{
    QString text;
    switch (value) {
    case DeviceValue::HardwareRevision:
        text = isBauart1() ? hexOf(reply[0]) + hexOf(reply[1]) + hexOf(reply[2]) : characterText(reply);
        DeviceLink().hwRevText = text;
        break;
    case DeviceValue::SoftwareRevision:
        text = isBauart1() ? NotAvailableText : characterText(reply);
        DeviceLink().swRevText = text;
        break;
    case DeviceValue::SerialNumber:
        text = isBauart1() ? NotAvailableText : hexText(reply);
        DeviceLink().serialText = text;
        break;
    case DeviceValue::ControllerType:
    case DeviceValue::ControllerRevision:
    case DeviceValue::DeviceType: text = isBauart1() ? NotAvailableText : characterText(reply); break;
    case DeviceValue::Manufacturer: break;
    }
    return text;
}

bool onlyWhileNotConnected(DeviceValue value)
{
    return value == DeviceValue::HardwareRevision || value == DeviceValue::SoftwareRevision;
}

void queryValue(DeviceValue value, QString &text)
{
    if (onlyWhileNotConnected(value) && DeviceLink().connected)
        return;
    const ValueQuery q = valueQuery(value);
    text = decodeValue(value, fixedWindowQuery(q.command, q.window));
}

} // namespace

void QueryHardwareRevision(QString &text) { queryValue(DeviceValue::HardwareRevision, text); }
void QuerySoftwareRevision(QString &text) { queryValue(DeviceValue::SoftwareRevision, text); }
void QuerySerialNumber(QString &text) { queryValue(DeviceValue::SerialNumber, text); }
void QueryControllerType(QString &text) { queryValue(DeviceValue::ControllerType, text); }
void QueryControllerRevision(QString &text) { queryValue(DeviceValue::ControllerRevision, text); }
void QueryDeviceType(QString &text) { queryValue(DeviceValue::DeviceType, text); }

void QueryManufacturer(QString &text)
{
    WriteByte(commandSlots().manufacturer);
    Clock::instance().sleep(kReplyPauseMs);
    if (isBauart1()) {
        text = NotAvailableText;
        return;
    }
    // Only bytes that arrived count; a controller that stops before the
    // terminator ends the wait after a second of silence.
    QString received;
    int characters = 0;
    qint64 lastByteMs = Clock::instance().monotonicMs();
    for (;;) {
        quint8 byte = 0;
        if (ReadByte(byte)) {
            if (byte == 0x01)
                break;
            received += characterOf(byte);
            lastByteMs = Clock::instance().monotonicMs();
            if (++characters >= kManufacturerMaxChars)
                break;
        } else if (Clock::instance().monotonicMs() - lastByteMs >= kManufacturerIdleMs) {
            break;
        }
        Clock::instance().sleep(kManufacturerBytePauseMs);
    }
    text = received;
}

bool SelectControllerModel(quint8 model)
{
    CommandSlots &t = commandSlots();
    DeviceLinkState &link = DeviceLink();
    switch (model) {
    case 0:
        link.model = 0;
        link.modelName = ModelNames[0];
        t.hardwareRevision = 0x01;
        t.startStream = 0x02;
        t.stopStream = 0x04;
        return true;
    case 1:
        link.model = 1;
        link.modelName = ModelNames[1];
        t.hardwareRevision = 0x41;
        t.softwareRevision = 0x42;
        t.serialNumber = 0x43;
        t.controllerType = 0x44;
        t.controllerRevision = 0x45;
        t.deviceType = 0x46;
        t.batteryVoltage = 0x47;
        t.manufacturer = 0x48;
        t.rawStream = 0x5A;
        t.startStream = 0x61;
        t.stopStream = 0x62;
        return true;
    default:
        return false;
    }
}

namespace {
void noteOpened(quint8 portIndex, quint8 baudIndex, quint8 model)
{
    DeviceLink().lossReported = false;
    DeviceLink().portName = PortNames[portIndex];
    DeviceLink().baudName = BaudNames[baudIndex];
    SelectControllerModel(model);
}
} // namespace

bool OpenDevice(quint8 portIndex, quint8 baudIndex, quint8 model)
{
    OpenPort(portIndex, baudIndex);
    noteOpened(portIndex, baudIndex, model);
    return true;
}

void OpenDeviceAsync(quint8 portIndex, quint8 baudIndex, quint8 model, QObject *context, OpenDone done)
{
    OpenPortAsync(portIndex, baudIndex, context, [=](const TComException *error) {
        if (!error)
            noteOpened(portIndex, baudIndex, model);
        done(error);
    });
}

// A Bauart2 number is the model code "E2" and hex digits; anything else is
// noise on the line, not a controller.
static bool isSerialOfModel(const QString &text)
{
    if (isBauart1())
        return true;
    static const QRegularExpression form(QStringLiteral("^E2[0-9A-F]{3,4}$"));
    return form.match(text).hasMatch();
}

namespace {
// After the serial-number query of a connect: connected iff the number is
// one of the model. A link that was connected and now fails the check is
// lost, not just refused; the query itself must not report it.
bool settleConnect(bool wasConnected, const QString &text)
{
    DeviceLinkState &link = DeviceLink();
    link.connected = text != QLatin1String("000") && link.serialText.size() > 4 && isSerialOfModel(link.serialText);
    if (wasConnected && !link.connected)
        ReportLinkLost(PortLost() ? LinkLoss::PortGone : LinkLoss::NoReply);
    emit DeviceLinkEvents::instance().linkChanged();
    return link.connected;
}

double voltsOfReply(const std::vector<quint8> &reply)
{
    // Bauart1 has no reading; a link lost on the query has none either.
    if (isBauart1() || !DeviceLink().connected)
        return -1.0;
    const int raw = reply[0] * 256 + reply[1];
    return raw * 0.001220703125 * 2.035;
}
} // namespace

bool ConnectDevice()
{
    const bool wasConnected = DeviceLink().connected;
    DeviceLink().connected = false;
    QString text;
    QuerySerialNumber(text);
    return settleConnect(wasConnected, text);
}

bool DisconnectDevice()
{
    const bool stopped = StopStream();
    DeviceLink().connected = false;
    emit DeviceLinkEvents::instance().linkChanged();
    return stopped;
}

bool StartStream()
{
    if (!DeviceLink().connected)
        return false;
    return WriteByte(commandSlots().startStream);
}

bool StopStream()
{
    if (!DeviceLink().connected)
        return false;
    return WriteByte(commandSlots().stopStream);
}

void StartRawStream()
{
    if (DeviceLink().connected)
        WriteByte(commandSlots().rawStream);
}

bool DrainInput()
{
    if (!DeviceLink().connected)
        return false;
    quint8 byte = 0;
    while (ReadByte(byte)) {
    }
    return true;
}

bool ProbeLink()
{
    if (!DeviceLink().connected)
        return false;
    quint8 byte = 0;
    for (int i = 0; i < 256 && ReadByte(byte); ++i) {
    }
    if (PortLost())
        ReportLinkLost(LinkLoss::PortGone);
    return DeviceLink().connected;
}

double ReadBatteryVoltage()
{
    if (!DeviceLink().connected)
        return -1.0;
    DrainInput();
    return voltsOfReply(replyWindow(commandSlots().batteryVoltage, 2));
}

double OperatingHoursForVoltage(double volts)
{
    int k = 42;
    for (int i = 1; i <= 41; ++i) {
        if (DischargeTable[i - 1] >= volts && volts >= DischargeTable[i]) {
            k = i;
            break;
        }
    }
    const double minutes = (42 - k) * 10;
    return minutes * (1.0 / 60.0);
}

void EstimateOperatingHours(QString &text)
{
    if (!DeviceLink().connected)
        return;
    if (isBauart1()) {
        text = NotAvailableText;
        return;
    }
    DrainInput();
    const double volts = ReadBatteryVoltage();
    if (!DeviceLink().connected) {
        text = NotAvailableText;
        return;
    }
    text = NumberFormat::formatFloat("%1.2f", OperatingHoursForVoltage(volts));
}

void ResetDeviceLink()
{
    commandSlots() = CommandSlots();
    DeviceLink() = DeviceLinkState();
}

// ---------------------------------------------------------------- without waiting

void AskDeviceValue(DeviceValue value, QObject *context, std::function<void(const QString &)> done)
{
    if (onlyWhileNotConnected(value) && DeviceLink().connected) {
        later(context, [done] { done(QString()); });
        return;
    }
    const ValueQuery q = valueQuery(value);
    if (value != DeviceValue::Manufacturer) {
        askWindow(q.command, q.window, false, context,
                  [value, done](const std::vector<quint8> &reply, int) { done(decodeValue(value, reply)); });
        return;
    }
    // Bauart1 has no text: the byte is sent and nothing read.
    const bool none = isBauart1();
    askReply(q.command, 0, none ? ReplyKind::Window : ReplyKind::Text, false, context,
             [none, done](const std::vector<quint8> &reply, int) {
                 if (none) {
                     done(NotAvailableText);
                     return;
                 }
                 QString text;
                 for (quint8 b : reply)
                     text += characterOf(b);
                 done(text);
             });
}

void ConnectDeviceAsync(QObject *context, std::function<void(bool)> done)
{
    const bool wasConnected = DeviceLink().connected;
    DeviceLink().connected = false;
    AskDeviceValue(DeviceValue::SerialNumber, context,
                   [wasConnected, done](const QString &text) { done(settleConnect(wasConnected, text)); });
}

void AskBatteryVoltage(QObject *context, std::function<void(double)> done)
{
    if (!DeviceLink().connected) {
        later(context, [done] { done(-1.0); });
        return;
    }
    askWindow(commandSlots().batteryVoltage, 2, true, context,
              [done](const std::vector<quint8> &reply, int) { done(voltsOfReply(reply)); });
}

void AskOperatingHours(QObject *context, std::function<void(bool, const QString &)> done)
{
    if (!DeviceLink().connected) {
        later(context, [done] { done(false, QString()); });
        return;
    }
    if (isBauart1()) {
        later(context, [done] { done(true, NotAvailableText); });
        return;
    }
    // Drained here and once more by the battery query, as EstimateOperatingHours does.
    PortLink().drop();
    AskBatteryVoltage(context, [done](double volts) {
        if (!DeviceLink().connected)
            done(true, NotAvailableText);
        else
            done(true, NumberFormat::formatFloat("%1.2f", OperatingHoursForVoltage(volts)));
    });
}
