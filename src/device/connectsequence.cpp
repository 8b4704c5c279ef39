#include "device/connectsequence.h"

#include "device/comexception.h"
#include "device/commandset.h"
#include "platform/messageservice.h"
#include "core/actionlog.h"
#include "core/settings.h"

namespace {

ConnectSequence *g_current = nullptr;

void log(const QString &message) { WriteLogLine(QStringLiteral("Ausführen : ") + message); }

} // namespace

ConnectSequence::ConnectSequence(QObject *parent)
    : QObject(parent)
{
}

ConnectSequence::~ConnectSequence()
{
    if (g_current == this)
        g_current = nullptr;
}

ConnectSequence *ConnectSequence::current() { return g_current; }

void ConnectSequence::start(const Options &options)
{
    if (m_running)
        return;
    m_running = true;
    m_options = options;
    g_current = this;
    if (m_run)
        m_run->deleteLater();   // the last run may have ended inside one of its answers
    m_run = new QObject(this);
    const Settings &s = Settings::instance();
    log(QStringLiteral("[Start] Verbindung aufbauen (ONLINE-Modus)"));
    OpenDeviceAsync(s.portSelector, 0, s.controllerSelector, m_run, [this](const TComException *error) {
        if (error) {
            QString why;
            if (m_options.explainBeforeLog)
                why = OpenFailureText(*error);
            emit openFailed();
            log(QStringLiteral("[Fehler] Verbindung aufbauen"));
            if (!m_options.explainBeforeLog)
                why = OpenFailureText(*error);
            ShowError(QStringLiteral("\r\nFehler beim Initialisieren des Gerätes.\r\n") + why);
            finish(false);
            return;
        }
        emit portOpened();
        const DeviceLinkState &link = DeviceLink();
        log(QStringLiteral("[Setup] ") + link.portName + u',' + link.baudName + QStringLiteral(",PIC ")
            + link.modelName);
        ConnectDeviceAsync(m_run, [this](bool serialFits) {
            if (!serialFits) {
                emit refused();
                log(QStringLiteral("[Fehler] Verbindung aufbauen"));
                // A link that was online and is lost now has said so already.
                if (!DeviceLink().lossReported)
                    ShowError(m_options.refusedHead + ConnectFailureText());
                finish(false);
                return;
            }
            emit connected();
            if (m_options.readBattery) {
                askBattery();
                return;
            }
            log(QStringLiteral("[Erfolg] Verbindung aufbauen"));
            finish(true);
        });
    });
}

void ConnectSequence::askBattery()
{
    AskBatteryVoltage(m_run, [this](double volts) {
        DeviceLink().LastBatteryVoltage = volts;
        // A controller that falls silent on the battery query is lost again
        // (said by the command set).
        if (DeviceLink().connected)
            log(QStringLiteral("[Erfolg] Verbindung aufbauen"));
        finish(DeviceLink().connected);
    });
}

void ConnectSequence::cancel()
{
    if (!m_running)
        return;
    delete m_run;
    m_run = nullptr;
    finish(false);
}

void ConnectSequence::finish(bool online)
{
    m_running = false;
    if (g_current == this)
        g_current = nullptr;
    emit finished(online);
}
