#include "device/devicefunctions.h"

#include "device/commandset.h"
#include "device/comexception.h"
#include "device/connectsequence.h"
#include "device/fasttimer.h"
#include "device/serialport.h"
#include "device/trainerlink.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/numberformat.h"
#include "platform/programpaths.h"
#include "platform/safefile.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "core/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cmath>

namespace {

constexpr int kAverageSamples = 200;
// The averaging ends within this time, whatever the stream does.
constexpr qint64 kAverageLimitMs = 25000;
constexpr int kCapture0Lines = 5000;
constexpr int kCapture1Samples = 256;
// A stream without a sample this long has stopped.
constexpr qint64 kStreamSilenceMs = 2000;
// The captures end within this time, whatever the stream does.
constexpr qint64 kCaptureLimitMs = 10000;
// How often a stream run looks at the clock and the port.
constexpr int kRunCheckMs = 50;

const QString TimeoutText = QStringLiteral("\r\nTimeout !");
const QString TestFileError = QStringLiteral("\r\nFehler beim Öffnen der Testdatei.");
const QString CaptureCutText =
    QStringLiteral("Die Aufzeichnung wurde abgebrochen; die bis dahin gelesenen Werte stehen in der Datei %1.");
const QString CaptureShortText = QStringLiteral(
    "\r\nDie Aufzeichnung wurde beendet, bevor %1 Werte ankamen.\r\nDie Datei %2 enthält die %3 gelesenen Werte.");
const QString CaptureLimitText = QStringLiteral(
    "\r\nDie Aufzeichnung wurde nach %1 Sekunden beendet.\r\nDie Datei %2 enthält die %3 bis dahin gelesenen Werte.");
const QString LinkLostStatus = QStringLiteral("Verbindung verloren");

// The file of a capture can be written: not a folder, and its folder (or the
// file itself) writable. Empty, or why not.
QString captureFileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("„%1“ ist ein Ordner.").arg(QDir::toNativeSeparators(path));
    if (info.exists() ? !info.isWritable() : !QFileInfo(info.absolutePath()).isWritable())
        return QStringLiteral("Für „%1“ fehlen die Schreibrechte.").arg(QDir::toNativeSeparators(path));
    return QString();
}

void log(const QString &message) { WriteLogLine(QStringLiteral("Ausführen : ") + message); }

// Shows nothing, gives no weight.
class NoDeviceView : public DeviceView
{
public:
    void setStatus(const QString &) override {}
    void enableButtons(bool) override {}
    void enableScaleItem(bool) override {}
    void forceTestStateChanged(bool) override {}
    void showForceValues(const QStringList &) override {}
    void plotChanged() override {}
    void showDeviceInfo(const QStringList &) override {}
    int askReferenceWeight() override { return 0; }
    void saveDialogSettings() override {}
    void bringOnline() override {}
    void takeOffline() override {}
};

DeviceView *noView()
{
    static NoDeviceView view;
    return &view;
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
    , m_view(noView())
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
    Debugtimer = new TFastTimer(this);
    Debugtimer->setObjectName(QStringLiteral("Debugtimer"));
    Debugtimer->setInterval(1);
    Debugtimer->setResolution(1);
    Debugtimer->OnTimer = [this](TFastTimer *) { DebugtimerTimer(); };
}

DeviceFunctions::~DeviceFunctions()
{
    Messtimer->setEnabled(false);
    Datentimer->setEnabled(false);
    Debugtimer->setEnabled(false);
    if (m_testRunning || m_capture0.running)
        PortLink().stopStream(CommandTable().stopStream);
}

void DeviceFunctions::setView(DeviceView *view) { m_view = view ? view : noView(); }

void DeviceFunctions::scaleItem() { m_view->enableScaleItem(Settings::instance().KS_Zero != -1); }

void DeviceFunctions::linkLost(LinkLoss cause, const QString &ending)
{
    ReportLinkLost(cause, ending);
}

void DeviceFunctions::connectThen(std::function<void()> next)
{
    auto *sequence = new ConnectSequence(this);
    connect(sequence, &ConnectSequence::finished, this, [this, sequence, next](bool online) {
        sequence->deleteLater();
        if (!online) {
            finishFunction();
            return;
        }
        buttons(false);
        next();
    });
    ConnectSequence::Options options;
    options.refusedHead = QStringLiteral("\r\nFehler beim Verbindungsaufbau mit dem Gerät.\r\n");
    sequence->start(options);
}

void DeviceFunctions::AverageSamples(std::function<void(const Average &)> done)
{
    auto sum = std::make_shared<qint64>(0);
    auto count = std::make_shared<int>(0);
    auto feed = [sum, count](const QVector<int> &values) {
        for (int v : values) {
            if (*count >= kAverageSamples)
                break;
            *sum += v;
            ++*count;
        }
        return *count >= kAverageSamples;
    };
    auto *run = new StreamRun(kAverageLimitMs, feed, this);
    connect(run, &StreamRun::ended, this, [run, sum, count, done](StreamRun::End end) {
        run->deleteLater();
        Average result;
        result.samples = *count;
        result.portLost = end == StreamRun::End::PortGone;
        result.streamStopped = end == StreamRun::End::Silent;
        result.timedOut = end == StreamRun::End::OverTime;
        if (result.samples > 0)
            result.mean = int(*sum / result.samples);
        done(result);
    });
    run->start(CommandTable().startStream);
}

void DeviceFunctions::finishFailedAdjustment(const QString &action, const QString &message)
{
    ShowError(message);
    log(QStringLiteral("[Fehler] ") + action);
    status(QStringLiteral("Justierung fehlgeschlagen."));
    buttons(true);
    scaleItem();
}

void DeviceFunctions::finishLostAdjustment(const QString &action, LinkLoss cause)
{
    log(QStringLiteral("[Fehler] ") + action);
    status(QStringLiteral("Justierung fehlgeschlagen."));
    buttons(true);
    scaleItem();
    linkLost(cause, QStringLiteral("Die Justierung wurde abgebrochen; die bisherigen Werte bleiben erhalten."));
}

void DeviceFunctions::ZeroPoint()
{
    if (m_busy || deferWhileConnecting(&DeviceFunctions::ZeroPoint))
        return;
    m_busy = true;
    log(QStringLiteral("Nullpunkt einstellen"));
    const int answer = MessageService::instance().show(MessageService::Kind::Information, ZeroQuestion,
                                                       MessageService::Ok | MessageService::Cancel, QString());
    if (answer != MessageService::Ok) {
        finishFunction();
        return;
    }
    connectThen([this] {
        status(QStringLiteral("Justierung läuft...bitte warten"));
        AverageSamples([this](const Average &average) {
            Settings &s = Settings::instance();
            if (average.portLost || average.streamStopped) {
                finishLostAdjustment(QStringLiteral("Nullpunkt einstellen"), average.lossCause());
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
            finishFunction();
        });
    });
}

void DeviceFunctions::ScaleFactor()
{
    if (m_busy || deferWhileConnecting(&DeviceFunctions::ScaleFactor))
        return;
    m_busy = true;
    log(QStringLiteral("Kennlinie einstellen"));
    const int weight = m_view->askReferenceWeight();
    if (weight <= 0) {
        finishFunction();
        return;
    }
    connectThen([this, weight] {
        status(QStringLiteral("Justierung läuft...bitte warten"));
        AverageSamples([this, weight](const Average &average) {
            Settings &s = Settings::instance();
            if (average.portLost || average.streamStopped) {
                finishLostAdjustment(QStringLiteral("Kennlinie einstellen"), average.lossCause());
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
            finishFunction();
        });
    });
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
    m_view->plotChanged();
    if (AppState::instance().OfflineState)
        m_view->bringOnline();
    // Going online may go on after bringOnline(): the test starts when it is done.
    if (ConnectSequence *connecting = ConnectSequence::current()) {
        connect(connecting, &ConnectSequence::finished, this, &DeviceFunctions::runForceTest,
                Qt::SingleShotConnection);
        return;
    }
    runForceTest();
}

void DeviceFunctions::runForceTest()
{
    const Settings &s = Settings::instance();
    if (AppState::instance().OfflineState) {
        finishFunction();
        return;
    }
    m_testRunning = true;
    buttons(false);
    m_view->forceTestStateChanged(true);
    status(QStringLiteral("Test läuft..."));
    m_forceTest.start(s.KS_Zero, s.KS_KL);   // counts from the stream's start
    m_forceListen = new QObject(this);
    connect(&PortLink(), &TrainerLink::samples, m_forceListen, [this](const QVector<int> &values) {
        for (int v : values)
            m_forceTest.receive(v);
    });
    if (DeviceLink().connected)
        PortLink().startStream(CommandTable().startStream);
    m_watch = StreamWatch(kStreamSilenceMs);
    Messtimer->setEnabled(true);
    Datentimer->setEnabled(true);
    log(QStringLiteral("[Start] Config KS_Test"));
}

void DeviceFunctions::StopForceTest()
{
    if (!m_testRunning)
        return;
    status(QStringLiteral("Test beendet."));
    delete m_forceListen;   // samples still on their way are dropped
    m_forceListen = nullptr;
    if (DeviceLink().connected)
        PortLink().stopStream(CommandTable().stopStream);
    else
        PortLink().stopStream();
    Messtimer->setEnabled(false);
    Datentimer->setEnabled(false);
    buttons(true);
    log(QStringLiteral("[Ende] Config KS_Test"));
    m_testRunning = false;
    m_busy = false;
    m_view->forceTestStateChanged(false);
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
    if (m_forceTest.tick())
        m_watch.sample();
    m_view->plotChanged();
    const bool gone = PortLost();
    if (gone || m_watch.silent()) {
        // The trace and the values read so far stay on the page; the rate
        // shows what really came.
        m_view->showForceValues(m_forceTest.labelTexts());
        StopForceTest();
        status(LinkLostStatus);
        linkLost(gone ? LinkLoss::PortGone : LinkLoss::StreamStopped, QStringLiteral("Der Test wurde beendet."));
    }
}

void DeviceFunctions::DatentimerTimer()
{
    if (!m_testRunning)
        return;
    m_view->showForceValues(m_forceTest.labelTexts());
}

void DeviceFunctions::DebugCapture0()
{
    if (m_busy || deferWhileConnecting(&DeviceFunctions::DebugCapture0))
        return;
    m_busy = true;
    ShowInformation(QStringLiteral("Debug Mode\r\nFile = test0.dat"));
    log(QStringLiteral("Debug Mode"));
    const QString name = QStringLiteral("test0.dat");
    const QString path = ProgramPaths::inProgramDir(name);
    const QString problem = captureFileProblem(path);
    if (!problem.isEmpty()) {
        ShowError(TestFileError + QStringLiteral("\r\n") + problem);
        m_busy = false;
        return;
    }
    connectThen([this, name, path] {
        status(QStringLiteral("Debug Test 0 läuft...bitte warten"));
        m_capture0 = Capture0();
        m_capture0.name = name;
        m_capture0.path = path;
        m_capture0.watch = StreamWatch(kStreamSilenceMs, kCaptureLimitMs);
        m_capture0.listen = new QObject(this);
        connect(&PortLink(), &TrainerLink::samples, m_capture0.listen, [this](const QVector<int> &values) {
            for (int v : values)
                if (m_capture0.pending.size() < size_t(kCapture0Lines))
                    m_capture0.pending.push_back(v);
        });
        m_capture0.running = true;
        if (DeviceLink().connected)
            PortLink().startStream(CommandTable().startStream);
        Debugtimer->setEnabled(true);
    });
}

void DeviceFunctions::DebugtimerTimer()
{
    Capture0 &c = m_capture0;
    if (!c.running)
        return;
    if (c.watch.silent() || c.watch.overTime()) {
        finishCapture0();
        return;
    }
    const bool arrived = !c.pending.empty();
    if (arrived) {
        c.last = c.pending.front();
        c.pending.pop_front();
        c.watch.sample();
    } else if (PortLost()) {
        finishCapture0();
        return;
    }
    c.text += arrived ? "TRUE" : "FALSE";
    c.text += QByteArray::number(c.last);
    c.text += "\r\n";
    if (++c.lines >= kCapture0Lines)
        finishCapture0();
}

void DeviceFunctions::finishCapture0()
{
    Capture0 &c = m_capture0;
    c.running = false;
    Debugtimer->setEnabled(false);
    delete c.listen;   // samples still on their way are dropped
    c.listen = nullptr;
    if (DeviceLink().connected)
        PortLink().stopStream(CommandTable().stopStream);
    else
        PortLink().stopStream();
    const bool lost = PortLost();
    const bool stopped = !lost && c.lines < kCapture0Lines && c.watch.silent();
    status(QStringLiteral("Debug beendet."));
    finishCapture(c.name, c.path, c.text, lost, stopped,
                  c.lines < kCapture0Lines ? CaptureLimitText.arg(kCaptureLimitMs / 1000).arg(c.name).arg(c.lines)
                                           : QString());
    c.text.clear();
    c.pending.clear();
    finishFunction();
}

void DeviceFunctions::DebugCapture1()
{
    if (m_busy || deferWhileConnecting(&DeviceFunctions::DebugCapture1))
        return;
    m_busy = true;
    ShowInformation(QStringLiteral("Debug Mode\r\nFile = TEST1.dat"));
    log(QStringLiteral("Debug Mode"));
    const QString name = QStringLiteral("Test1.dat");
    const QString path = ProgramPaths::inProgramDir(name);
    const QString problem = captureFileProblem(path);
    if (!problem.isEmpty()) {
        ShowError(TestFileError + QStringLiteral("\r\n") + problem);
        m_busy = false;
        return;
    }
    connectThen([this, name, path] {
        status(QStringLiteral("Debug Test 1 läuft...bitte warten"));
        auto text = std::make_shared<QByteArray>();
        auto count = std::make_shared<int>(0);
        auto feed = [text, count](const QVector<int> &values) {
            for (int v : values) {
                if (*count >= kCapture1Samples)
                    break;
                *text += (NumberFormat::formatInt("%4.4x", v) + u' ').toLatin1();
                ++*count;
            }
            return *count >= kCapture1Samples;
        };
        auto *run = new StreamRun(kCaptureLimitMs, feed, this);
        connect(run, &StreamRun::ended, this, [this, run, text, count, name, path](StreamRun::End end) {
            run->deleteLater();
            status(QStringLiteral("Debug 1 beendet."));
            finishCapture(name, path, *text, end == StreamRun::End::PortGone, end == StreamRun::End::Silent,
                          *count < kCapture1Samples ? CaptureShortText.arg(kCapture1Samples).arg(name).arg(*count)
                                                    : QString());
            finishFunction();
        });
        // The raw stream runs until it is stopped (the run stops it) and would
        // garble the next replies.
        run->start(CommandTable().rawStream);
    });
}

void DeviceFunctions::finishCapture(const QString &name, const QString &path, const QByteArray &bytes, bool lost,
                                    bool stopped, const QString &shortText)
{
    // Whole or not at all: what was read goes into the file in one write.
    QString error;
    const bool written = SafeFile::write(path, bytes, &error);
    buttons(true);
    if (!written)
        ShowError(QStringLiteral("\r\nFehler beim Schreiben der Testdatei.\r\n") + error);
    if (lost || stopped)
        linkLost(lost ? LinkLoss::PortGone : LinkLoss::StreamStopped,
                 written ? CaptureCutText.arg(name) : QStringLiteral("Die Aufzeichnung wurde abgebrochen."));
    else if (written && !shortText.isEmpty())
        ShowError(shortText);
}

void DeviceFunctions::ChoosePort(int index, int model)
{
    if (m_busy || index < 0 || index > 1)
        return;
    if (m_portBeforeChoice.isEmpty())
        m_portBeforeChoice = DeviceLink().portName.isEmpty() ? QStringLiteral("-") : DeviceLink().portName;
    m_busy = true;
    OpenDeviceAsync(quint8(index), 0, quint8(model), this, [this, index](const TComException *error) {
        if (error) {
            log(QStringLiteral("[Fehler] Init ") + PortNames[index]);
            // Busy: the usual text and which port; otherwise what is wrong with it.
            const QString why = OpenFailureText(*error);
            ShowError(error->inUse() ? QStringLiteral("\r\nDieser Port wird bereits verwendet.\r\n") + why
                                     : QStringLiteral("\r\n") + why);
        }
        finishFunction();
    });
}

bool DeviceFunctions::deferWhileConnecting(void (DeviceFunctions::*function)())
{
    // The main window is going online: the function runs once that has ended.
    ConnectSequence *connecting = ConnectSequence::current();
    if (!connecting)
        return false;
    connect(connecting, &ConnectSequence::finished, this, function, Qt::SingleShotConnection);
    return true;
}

void DeviceFunctions::finishFunction()
{
    m_busy = false;
    emit functionFinished();
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
    m_view->takeOffline();
    m_view->bringOnline();
}

void DeviceFunctions::DetectController()
{
    if (m_busy || deferWhileConnecting(&DeviceFunctions::DetectController))
        return;
    m_busy = true;
    if (MessageService::instance().show(MessageService::Kind::Information, DetectionQuestion, MessageService::Ok,
                                        QString())
        != MessageService::Ok) {
        finishFunction();
        return;
    }
    m_view->saveDialogSettings();
    const Settings &s = Settings::instance();
    DisconnectDevice();
    OpenDeviceAsync(s.portSelector, 0, s.controllerSelector, this, [this](const TComException *error) {
        if (error) {
            log(QStringLiteral("[Fehler] PIController ") + linkNames());
            m_view->showDeviceInfo(QStringList(7, QStringLiteral("-")));
            ShowError(QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.\r\n") + OpenFailureText(*error));
            finishDetection();
            return;
        }
        log(QStringLiteral("[Setup] PIController ") + linkNames());
        AskDeviceValue(DeviceValue::SerialNumber, this, [this](const QString &) {
            const quint8 model = DeviceLink().model;
            if (PortLost()) {
                log(QStringLiteral("[Fehler] PIController ") + linkNames());
                m_view->showDeviceInfo(QStringList(7, QStringLiteral("-")));
                linkLost(LinkLoss::PortGone, QStringLiteral("Der Gerätetest wurde abgebrochen."));
                finishDetection();
            } else if (DeviceLink().serialText.contains(DetectionCodes[model])) {
                log(QStringLiteral("[Erfolg] PIController ") + linkNames());
                ShowInformation(QStringLiteral("\r\nGewählter Controller wurde gefunden."));
                askDeviceInfo(QStringList());
            } else {
                log(QStringLiteral("[Fehler] PIController ") + linkNames() + QStringLiteral(" [?]"));
                ShowError(QStringLiteral("Gewählter Controller wurde nicht gefunden.\r\n"
                                         "Bitte wählen Sie einen anderen Typ aus."));
                m_view->showDeviceInfo(QStringList(7, QStringLiteral("-")));
                finishDetection();
            }
        });
    });
}

// The seven controller values, one after the other, in the order they are shown.
void DeviceFunctions::askDeviceInfo(const QStringList &values)
{
    static const DeviceValue order[] = {DeviceValue::HardwareRevision,   DeviceValue::SoftwareRevision,
                                        DeviceValue::SerialNumber,       DeviceValue::ControllerType,
                                        DeviceValue::ControllerRevision, DeviceValue::DeviceType,
                                        DeviceValue::Manufacturer};
    if (values.size() == int(std::size(order))) {
        m_view->showDeviceInfo(values);
        finishDetection();
        return;
    }
    AskDeviceValue(order[values.size()], this,
                   [this, values](const QString &text) { askDeviceInfo(QStringList(values) << text); });
}

void DeviceFunctions::finishDetection()
{
    // The link was disconnected: the program is offline now.
    m_view->takeOffline();
    finishFunction();
}

QString DeviceFunctions::linkNames()
{
    const DeviceLinkState &link = DeviceLink();
    return link.portName + u',' + link.baudName + u',' + link.modelName;
}

StreamWatch::StreamWatch(qint64 silenceMs, qint64 limitMs)
    : m_silenceMs(silenceMs)
    , m_limitMs(limitMs)
    , m_startMs(Clock::instance().monotonicMs())
    , m_lastMs(m_startMs)
{
}

void StreamWatch::sample() { m_lastMs = Clock::instance().monotonicMs(); }

bool StreamWatch::silent() const { return Clock::instance().monotonicMs() - m_lastMs >= m_silenceMs; }

bool StreamWatch::overTime() const
{
    return m_limitMs > 0 && Clock::instance().monotonicMs() - m_startMs >= m_limitMs;
}

StreamRun::StreamRun(qint64 limitMs, Feed feed, QObject *parent)
    : QObject(parent)
    , m_feed(std::move(feed))
    , m_limitMs(limitMs)
    , m_check(new QTimer(this))
{
    m_check->setInterval(kRunCheckMs);
    connect(m_check, &QTimer::timeout, this, &StreamRun::check);
}

void StreamRun::start(quint8 command)
{
    if (m_running)
        return;
    m_running = true;
    m_watch = StreamWatch(kStreamSilenceMs, m_limitMs);
    TrainerLink &link = PortLink();
    m_listen = new QObject(this);
    connect(&link, &TrainerLink::samples, m_listen, [this](const QVector<int> &values) {
        // Samples after the limit or after a silence do not count.
        check();
        if (!m_running)
            return;
        m_watch.sample();
        if (m_feed(values))
            finish(End::Done);
    });
    connect(&link, &TrainerLink::lost, m_listen, [this] {
        if (m_running)
            finish(End::PortGone);
    });
    if (DeviceLink().connected)
        link.startStream(command);
    m_check->start();
}

void StreamRun::check()
{
    if (!m_running)
        return;
    if (PortLost())
        finish(End::PortGone);
    else if (m_watch.overTime())   // the limit first: a clock that jumped past both
        finish(End::OverTime);
    else if (m_watch.silent())
        finish(End::Silent);
}

void StreamRun::finish(End end)
{
    m_running = false;
    m_check->stop();
    m_listen->deleteLater();   // samples still on their way are dropped
    m_listen = nullptr;
    if (DeviceLink().connected)
        PortLink().stopStream(CommandTable().stopStream);
    else
        PortLink().stopStream();
    emit ended(end);
}
