#include "device/devicefunctions.h"

#include "device/commandset.h"
#include "device/comexception.h"
#include "device/fasttimer.h"
#include "device/serialport.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/numberformat.h"
#include "platform/programpaths.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "core/settings.h"

#include <QFile>
#include <cmath>

namespace {

constexpr int kAverageSamples = 200;
constexpr int kAverageAttempts = 25000;
constexpr int kCapture0Lines = 5000;
constexpr int kCapture1Samples = 256;
constexpr int kCapture1Attempts = 25000;

const QString TimeoutText = QStringLiteral("\r\nTimeout !");
const QString TestFileError = QStringLiteral("\r\nFehler beim Öffnen der Testdatei.");
const QString CaptureCutText =
    QStringLiteral("Die Aufzeichnung wurde abgebrochen; die bis dahin gelesenen Werte stehen in der Datei %1.");

void log(const QString &message) { WriteLogLine(QStringLiteral("Ausführen : ") + message); }

int sampleOf(const quint8 *buffer) { return buffer[0] * 256 + buffer[1]; }

// The seven controller values in the order they are queried and shown.
QStringList queryDeviceInfo()
{
    QString hw, sw, serial, type, revision, device, maker;
    QueryHardwareRevision(hw);
    QuerySoftwareRevision(sw);
    QuerySerialNumber(serial);
    QueryControllerType(type);
    QueryControllerRevision(revision);
    QueryDeviceType(device);
    QueryManufacturer(maker);
    return {hw, sw, serial, type, revision, device, maker};
}

} // namespace

const QString DeviceFunctions::ZeroQuestion = QStringLiteral(
    "Die Justierung des Nullpunktes wird jetzt durch-\r\ngeführt. Belasten Sie den Kraftsensor nicht und\r\n"
    "vermeiden Sie Erschütterungen während der Mess-\r\nphase. Nach etwa 5-10 Sekunden ist die Justierung\r\n"
    "beendet.");
const QString DeviceFunctions::InformationText = QStringLiteral(
    "Um genaue Messergebnisse zu erzielen, führen Sie bitte \r\nvor jeder Ortsveränderung des Trainingsgerätes "
    "eine\r\nNullpunktjustierung des Sensors durch. Somit werden \r\nTemperaturschwankungen ausgeglichen. Bei "
    "Sensorwechsel \r\nsollten Sie die Kennlinie neu aufnehmen.");
const QString DeviceFunctions::DetectionQuestion = QStringLiteral(
    "Schalten Sie jetzt das Vantrel AUS\r\nund wieder EIN. Das Programm versucht den gewählten Controller\r\n"
    "zu erkennen. Ist dieser Test nicht erfolgreich, probieren\r\nSie einen anderen Typ aus und wiederholen Sie "
    "den Test.");

DeviceFunctions::DeviceFunctions(QObject *parent)
    : QObject(parent)
{
    Messtimer = new TFastTimer(this);
    Messtimer->setObjectName(QStringLiteral("Messtimer"));
    Messtimer->setInterval(5);
    Messtimer->setResolution(1);
    Messtimer->OnTimer = [this](TFastTimer *) { MesstimerTimer(); };
    Datentimer = new TFastTimer(this);
    Datentimer->setObjectName(QStringLiteral("Datentimer"));
    Datentimer->setInterval(70);
    Datentimer->setResolution(1);
    Datentimer->OnTimer = [this](TFastTimer *) { DatentimerTimer(); };
}

DeviceFunctions::~DeviceFunctions()
{
    Messtimer->setEnabled(false);
    Datentimer->setEnabled(false);
    if (m_testRunning)
        StopStream();
}

void DeviceFunctions::status(const QString &text)
{
    if (setStatus)
        setStatus(text);
}

void DeviceFunctions::buttons(bool enabled)
{
    if (enableButtons)
        enableButtons(enabled);
}

void DeviceFunctions::scaleItem()
{
    if (enableScaleItem)
        enableScaleItem(Settings::instance().KS_Zero != -1);
}

void DeviceFunctions::deviceInfo(const QStringList &values)
{
    if (showDeviceInfo)
        showDeviceInfo(values);
}

void DeviceFunctions::portLost(const QString &ending, bool offline)
{
    const QString port = DeviceLink().portName;
    const QString file = OpenedDeviceFile();
    log(QStringLiteral("[Fehler] Schnittstelle ") + port + QStringLiteral(" nicht mehr vorhanden"));
    ShowError(QStringLiteral("\r\nDie Verbindung zum Gerät ist unterbrochen: die Schnittstelle %1 (%2) ist nicht "
                             "mehr vorhanden.\r\n")
                  .arg(port, file)
              + ending);
    if (offline && goOffline)
        goOffline();
}

bool DeviceFunctions::ConnectionSequence()
{
    const Settings &s = Settings::instance();
    log(QStringLiteral("[Start] Verbindung aufbauen (ONLINE-Modus)"));
    try {
        OpenDevice(s.portSelector, 0, s.controllerSelector);
    } catch (const std::exception &) {
        log(QStringLiteral("[Fehler] Verbindung aufbauen"));
        ShowError(QStringLiteral("\r\nFehler beim Initialisieren des Gerätes."));
        return false;
    }
    const DeviceLinkState &link = DeviceLink();
    log(QStringLiteral("[Setup] ") + link.portName + u',' + link.baudName + QStringLiteral(",PIC ") + link.modelName);
    if (!ConnectDevice()) {
        log(QStringLiteral("[Fehler] Verbindung aufbauen"));
        ShowError(QStringLiteral("\r\nFehler beim Verbindungsaufbau mit dem Gerät."));
        return false;
    }
    log(QStringLiteral("[Erfolg] Verbindung aufbauen"));
    buttons(false);
    return true;
}

DeviceFunctions::Average DeviceFunctions::AveragingLoop()
{
    Average result;
    StartStream();
    qint64 sum = 0;
    quint8 buffer[2] = {0, 0};
    do {
        ++result.attempts;
        const bool arrived = ReadBlock(buffer, 2);
        Clock::instance().processEvents();
        if (arrived) {
            sum += sampleOf(buffer);
            ++result.samples;
        }
    } while (result.samples < kAverageSamples && result.attempts < kAverageAttempts && !PortLost());
    result.portLost = PortLost();
    result.timedOut = !result.portLost && result.attempts >= kAverageAttempts;
    if (result.samples > 0)
        result.mean = int(sum / result.samples);
    StopStream();
    DrainInput();
    return result;
}

void DeviceFunctions::finishFailedAdjustment(const QString &action, const QString &message)
{
    ShowError(message);
    log(QStringLiteral("[Fehler] ") + action);
    status(QStringLiteral("Justierung fehlgeschlagen."));
    buttons(true);
    scaleItem();
}

void DeviceFunctions::finishLostAdjustment(const QString &action)
{
    log(QStringLiteral("[Fehler] ") + action);
    status(QStringLiteral("Justierung fehlgeschlagen."));
    buttons(true);
    scaleItem();
    portLost(QStringLiteral("Die Justierung wurde abgebrochen; die bisherigen Werte bleiben erhalten."));
}

void DeviceFunctions::ZeroPoint()
{
    if (m_busy)
        return;
    m_busy = true;
    log(QStringLiteral("Nullpunkt einstellen"));
    const int answer = MessageService::instance().show(MessageService::Kind::Information, ZeroQuestion,
                                                       MessageService::Ok | MessageService::Cancel, QString());
    if (answer == MessageService::Ok && ConnectionSequence()) {
        status(QStringLiteral("Justierung läuft...bitte warten"));
        Clock::instance().processEvents();
        const Average average = AveragingLoop();
        Settings &s = Settings::instance();
        if (average.portLost) {
            finishLostAdjustment(QStringLiteral("Nullpunkt einstellen"));
        } else if (average.timedOut) {
            // The previous zero point stays.
            finishFailedAdjustment(QStringLiteral("Nullpunkt einstellen"), TimeoutText);
        } else {
            s.KS_Zero = average.mean;
            status(QStringLiteral("Justierung beendet."));
            buttons(true);
            scaleItem();
            log(QStringLiteral("[Setup] Nullpunkt:=") + QString::number(s.KS_Zero));
            ShowInformation(QStringLiteral("\r\nDer Nullpunkt wurde auf ") + QString::number(s.KS_Zero)
                            + QStringLiteral(" festgelegt."));
        }
    }
    m_busy = false;
}

void DeviceFunctions::ScaleFactor()
{
    if (m_busy)
        return;
    m_busy = true;
    log(QStringLiteral("Kennlinie einstellen"));
    const int weight = askReferenceWeight ? askReferenceWeight() : 0;
    if (weight > 0 && ConnectionSequence()) {
        status(QStringLiteral("Justierung läuft...bitte warten"));
        Clock::instance().processEvents();
        const Average average = AveragingLoop();
        Settings &s = Settings::instance();
        if (average.portLost) {
            finishLostAdjustment(QStringLiteral("Kennlinie einstellen"));
        } else if (average.timedOut) {
            finishFailedAdjustment(QStringLiteral("Kennlinie einstellen"), TimeoutText);
        } else if (average.mean <= s.KS_Zero) {
            finishFailedAdjustment(QStringLiteral("Kennlinie einstellen"),
                                   QStringLiteral("\r\nDer Messwert liegt nicht über dem Nullpunkt.\r\n"
                                                  "Der Skalierungsfaktor wurde nicht geändert."));
        } else {
            s.KS_KL = double(average.mean - s.KS_Zero) / weight;
            status(QStringLiteral("Justierung beendet."));
            buttons(true);
            scaleItem();
            const QString text = NumberFormat::formatFloat("%1.3f", s.KS_KL);
            log(QStringLiteral("[Setup] Kennlinie:=") + text);
            ShowInformation(QStringLiteral("\r\nDer Skalierungsfaktor wurde auf ") + text
                            + QStringLiteral(" festgelegt."));
        }
    }
    m_busy = false;
}

void DeviceFunctions::Information()
{
    if (!m_busy)
        ShowInformation(InformationText);
}

void DeviceFunctions::StartForceTest()
{
    if (m_busy)
        return;
    const Settings &s = Settings::instance();
    if (!std::isfinite(s.KS_KL) || s.KS_KL < 0.001) {
        ShowError(QStringLiteral("\r\nUngültiger Skalierungsfaktor. Bitte nehmen Sie die Kennlinie neu auf."));
        return;
    }
    m_busy = true;
    m_forceTest.start(s.KS_Zero, s.KS_KL);
    if (plotChanged)
        plotChanged();
    if (AppState::instance().OfflineState && goOnline)
        goOnline();
    if (AppState::instance().OfflineState) {
        m_busy = false;
        return;
    }
    m_testRunning = true;
    buttons(false);
    if (forceTestStateChanged)
        forceTestStateChanged(true);
    status(QStringLiteral("Test läuft..."));
    Clock::instance().processEvents();
    StartStream();
    Messtimer->setEnabled(true);
    Datentimer->setEnabled(true);
    log(QStringLiteral("[Start] Config KS_Test"));
}

void DeviceFunctions::StopForceTest()
{
    if (!m_testRunning)
        return;
    status(QStringLiteral("Test beendet."));
    StopStream();
    Messtimer->setEnabled(false);
    Datentimer->setEnabled(false);
    DrainInput();
    buttons(true);
    log(QStringLiteral("[Ende] Config KS_Test"));
    m_testRunning = false;
    m_busy = false;
    if (forceTestStateChanged)
        forceTestStateChanged(false);
    scaleItem();
}

void DeviceFunctions::shutDown()
{
    StopForceTest();
    Messtimer->setEnabled(false);
    Datentimer->setEnabled(false);
}

void DeviceFunctions::MesstimerTimer()
{
    if (!m_testRunning)
        return;
    Clock::instance().processEvents();
    if (!m_testRunning)
        return;
    m_forceTest.tick();
    if (plotChanged)
        plotChanged();
    if (PortLost()) {
        // The trace and the values read so far stay on the page.
        StopForceTest();
        status(QStringLiteral("Verbindung unterbrochen."));
        portLost(QStringLiteral("Der Test wurde beendet."));
    }
}

void DeviceFunctions::DatentimerTimer()
{
    if (!m_testRunning)
        return;
    if (showValues)
        showValues(m_forceTest.labelTexts());
    Clock::instance().processEvents();
}

void DeviceFunctions::DebugCapture0()
{
    if (m_busy)
        return;
    m_busy = true;
    ShowInformation(QStringLiteral("Debug Mode\r\nFile = test0.dat"));
    log(QStringLiteral("Debug Mode"));
    QFile file(ProgramPaths::inProgramDir(QStringLiteral("test0.dat")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ShowError(TestFileError);
    } else if (ConnectionSequence()) {
        status(QStringLiteral("Debug Test 0 läuft...bitte warten"));
        Clock::instance().processEvents();
        StartStream();
        quint8 buffer[2] = {0, 0};
        QByteArray text;
        for (int i = 0; i < kCapture0Lines; ++i) {
            const bool arrived = ReadBlock(buffer, 2);
            if (!arrived && PortLost())
                break;
            text += arrived ? "TRUE" : "FALSE";
            text += QByteArray::number(sampleOf(buffer));
            text += "\r\n";
            if (text.size() > 4096) {
                file.write(text);
                text.clear();
            }
        }
        file.write(text);
        file.close();
        StopStream();
        DrainInput();
        status(QStringLiteral("Debug beendet."));
        buttons(true);
        if (PortLost())
            portLost(CaptureCutText.arg(QStringLiteral("test0.dat")));
    }
    m_busy = false;
}

void DeviceFunctions::DebugCapture1()
{
    if (m_busy)
        return;
    m_busy = true;
    ShowInformation(QStringLiteral("Debug Mode\r\nFile = TEST1.dat"));
    log(QStringLiteral("Debug Mode"));
    QFile file(ProgramPaths::inProgramDir(QStringLiteral("Test1.dat")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ShowError(TestFileError);
    } else if (ConnectionSequence()) {
        status(QStringLiteral("Debug Test 1 läuft...bitte warten"));
        Clock::instance().processEvents();
        StartRawStream();
        quint8 buffer[2] = {0, 0};
        int attempts = 0;
        int count = 0;
        do {
            ++attempts;
            if (ReadBlock(buffer, 2)) {
                ++count;
                file.write((NumberFormat::formatInt("%4.4x", sampleOf(buffer)) + u' ').toLatin1());
                file.flush();
            }
        } while (count < kCapture1Samples && attempts < kCapture1Attempts && !PortLost());
        file.close();
        // The raw stream runs until it is stopped and would garble the next replies.
        StopStream();
        DrainInput();
        const bool lost = PortLost();
        if (!lost && attempts >= kCapture1Attempts)
            ShowError(TimeoutText);
        status(QStringLiteral("Debug 1 beendet."));
        buttons(true);
        if (lost)
            portLost(CaptureCutText.arg(QStringLiteral("Test1.dat")));
    }
    m_busy = false;
}

void DeviceFunctions::ChoosePort(int index, int model)
{
    if (m_busy || index < 0 || index > 1)
        return;
    if (m_portBeforeChoice.isEmpty())
        m_portBeforeChoice = DeviceLink().portName.isEmpty() ? QStringLiteral("-") : DeviceLink().portName;
    try {
        OpenDevice(quint8(index), 0, quint8(model));
    } catch (...) {
        log(QStringLiteral("[Fehler] Init ") + PortNames[index]);
        ShowError(QStringLiteral("\r\nDieser Port wird bereits verwendet."));
    }
}

void DeviceFunctions::FollowPortSetting()
{
    const QString before = m_portBeforeChoice;
    m_portBeforeChoice.clear();
    if (m_busy || AppState::instance().OfflineState)
        return;
    const QString now = DeviceLink().portName;
    // The link's port name now names another device file.
    const bool moved = !OpenedDeviceFile().isEmpty() && OpenedDeviceFile() != PortDeviceFile(now);
    if (!moved && (before.isEmpty() || (now == before && now == PortNames[Settings::instance().portSelector])))
        return;
    if (goOffline)
        goOffline();
    if (goOnline)
        goOnline();
}

void DeviceFunctions::DetectController()
{
    if (m_busy)
        return;
    m_busy = true;
    if (MessageService::instance().show(MessageService::Kind::Information, DetectionQuestion, MessageService::Ok,
                                        QString())
        != MessageService::Ok) {
        m_busy = false;
        return;
    }
    if (saveDialogSettings)
        saveDialogSettings();
    const Settings &s = Settings::instance();
    auto names = [] {
        const DeviceLinkState &link = DeviceLink();
        return link.portName + u',' + link.baudName + u',' + link.modelName;
    };
    try {
        DisconnectDevice();
        OpenDevice(s.portSelector, 0, s.controllerSelector);
        log(QStringLiteral("[Setup] PIController ") + names());
        QString serial;
        QuerySerialNumber(serial);
        const quint8 model = DeviceLink().model;
        if (PortLost()) {
            log(QStringLiteral("[Fehler] PIController ") + names());
            deviceInfo(QStringList(7, QStringLiteral("-")));
            portLost(QStringLiteral("Der Gerätetest wurde abgebrochen."), false);   // offline below
        } else if (DeviceLink().serialText.contains(DetectionCodes[model])) {
            log(QStringLiteral("[Erfolg] PIController ") + names());
            ShowInformation(QStringLiteral("\r\nGewählter Controller wurde gefunden."));
            deviceInfo(queryDeviceInfo());
        } else {
            log(QStringLiteral("[Fehler] PIController ") + names() + QStringLiteral(" [?]"));
            ShowError(QStringLiteral("Gewählter Controller wurde nicht gefunden.\r\n"
                                     "Bitte wählen Sie einen anderen Typ aus."));
            deviceInfo(QStringList(7, QStringLiteral("-")));
        }
    } catch (...) {
        log(QStringLiteral("[Fehler] PIController ") + names());
        deviceInfo(QStringList(7, QStringLiteral("-")));
        ShowError(QStringLiteral("\r\nFehler beim Initialisieren des Gerätes."));
    }
    // The link was disconnected: the program is offline now.
    if (goOffline)
        goOffline();
    m_busy = false;
}
