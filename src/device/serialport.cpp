#include "device/serialport.h"

#include "device/trainerlink.h"
#include "core/settings.h"

#include <QPointer>
#include <QTimer>

#include <cstring>
#include <vector>

namespace {

struct PortState
{
    std::unique_ptr<BytePort> portHandle;  // empty: no valid handle
    bool portWasOpened = false;
    QString deviceFile;                    // of portHandle
    QString portName;                      // "COM1" / "COM2" of portHandle
    QString lastSystemText;                // of the last failed open or setup
};

PortState &state()
{
    static PortState s;
    return s;
}

BytePortFactory &factory()
{
    static BytePortFactory f;
    return f;
}

std::unique_ptr<BytePort> makePort()
{
    if (factory())
        return factory()();
    return std::make_unique<LinkBytePort>(TrainerLink::worker());
}

// The link over a test's byte port, on the thread that installed it.
std::unique_ptr<TrainerLink> &testLink()
{
    static std::unique_ptr<TrainerLink> link;
    return link;
}

TComException openFailure(BytePort::Failure why, const QString &label, const QString &systemText);

// Closes the port held (if this program opened it) and forgets it.
void forgetPort(PortState &s)
{
    if (s.portWasOpened && s.portHandle)
        s.portHandle->close();
    s.portHandle.reset();
    s.deviceFile.clear();
    s.portName.clear();
}

BytePort *openPort()
{
    BytePort *port = state().portHandle.get();
    return port && port->isOpen() ? port : nullptr;
}

} // namespace

bool OpenPort(quint8 portIndex, quint8 baudIndex)
{
    PortState &s = state();
    forgetPort(s);

    if (portIndex >= std::size(PortNames) || baudIndex >= std::size(BaudNames))
        throw TComException(TComException::portBusyText(),
                            QStringLiteral("Die Schnittstelle Nr. %1 gibt es nicht.").arg(int(portIndex) + 1));

    const QString deviceFile = PortDeviceFile(PortNames[portIndex]);
    const QString label = PortLabel(PortNames[portIndex], deviceFile);
    std::unique_ptr<BytePort> port = makePort();
    if (!port || !port->open(deviceFile)) {
        const BytePort::Failure why = port ? port->failure() : BytePort::Failure::Other;
        s.lastSystemText = port ? port->systemText() : QString();
        throw openFailure(why, label, s.lastSystemText);
    }
    s.portHandle = std::move(port);
    s.deviceFile = deviceFile;
    s.portName = PortNames[portIndex];
    s.portWasOpened = true;

    ConfigurePort();
    SetPortTimeouts();
    return true;
}

namespace {
TComException openFailure(BytePort::Failure why, const QString &label, const QString &systemText)
{
        QString detail;
        switch (why) {
        case BytePort::Failure::NotFound:
            detail = QStringLiteral("Die Schnittstelle %1 ist nicht vorhanden; ist das Gerät angeschlossen?");
            break;
        case BytePort::Failure::NoAccess:
            detail = QStringLiteral("Für die Schnittstelle %1 fehlen die Zugriffsrechte.");
            break;
        case BytePort::Failure::InUse:
            detail = QStringLiteral("Die Schnittstelle %1 wird von einem anderen Programm benutzt.");
            break;
        default:
            detail = QStringLiteral("Die Schnittstelle %1 lässt sich nicht öffnen.");
            break;
        }
        TComException error(TComException::portBusyText(), detail.arg(label), systemText);
        error.setInUse(why == BytePort::Failure::InUse);
        return error;
}
} // namespace

void ConfigurePort()
{
    BytePort *port = openPort();
    if (!port || !port->configureLine()) {
        state().lastSystemText = port ? port->systemText() : QString();
        TComException error(TComException::initFailedText(),
                            QStringLiteral("Die Schnittstelle %1 nimmt die Leitungseinstellungen (9600 Baud, 8N1) "
                                           "nicht an.")
                                .arg(PortLabel(state().portName, state().deviceFile)),
                            state().lastSystemText);
        error.setInUse(false);
        throw error;
    }
}

void SetPortTimeouts()
{
    BytePort *port = openPort();
    if (!port || !port->setTimeouts()) {
        state().lastSystemText = port ? port->systemText() : QString();
        TComException error(TComException::timeoutsFailedText(),
                            QStringLiteral("Die Schnittstelle %1 nimmt die Zeitgrenzen für Lesen und Schreiben nicht an.")
                                .arg(PortLabel(state().portName, state().deviceFile)),
                            state().lastSystemText);
        error.setInUse(false);
        throw error;
    }
}

bool WriteByte(quint8 value)
{
    BytePort *port = openPort();
    return port && port->write(&value, 1) == 1;
}

bool ReadByte(quint8 &value)
{
    BytePort *port = openPort();
    quint8 received = 0;
    if (!port || port->read(&received, 1) != 1)
        return false;
    value = received;
    return true;
}

bool ReadBlock(quint8 *buffer, int count, int *received)
{
    if (received)
        *received = 0;
    if (!buffer || count <= 0)
        return false;
    int n = -1;
    if (BytePort *port = openPort()) {
        std::vector<quint8> received(size_t(count), 0);
        n = port->read(received.data(), count);
        if (n > 0)
            std::memcpy(buffer, received.data(), size_t(qMin(n, count)));
    }
    if (count >= 2 && buffer[0] == 0xFF && buffer[1] == 0xFF) {
        buffer[0] = 0x00;
        buffer[1] = 0x00;
    }
    if (received)
        *received = qMax(0, n);
    return n == count;
}

bool portWasOpened() { return state().portWasOpened; }

QString OpenedDeviceFile() { return state().portHandle ? state().deviceFile : QString(); }

bool PortLost()
{
    const BytePort *port = state().portHandle.get();
    return port && port->lost();
}

QString PortLabel(const QString &portName, const QString &deviceFile)
{
    if (portName.isEmpty())
        return deviceFile;
    if (deviceFile.isEmpty() || deviceFile == portName)
        return portName;
    return portName + QStringLiteral(" (") + deviceFile + u')';
}

QString PortSystemText()
{
    const BytePort *port = state().portHandle.get();
    if (port && !port->systemText().isEmpty())
        return port->systemText();
    return state().lastSystemText;
}

void SetBytePortFactory(BytePortFactory f)
{
    factory() = std::move(f);
    testLink().reset();
}

TrainerLink &PortLink()
{
    if (!factory())
        return TrainerLink::worker();
    if (!testLink())
        testLink() = std::make_unique<TrainerLink>(
            [] { return std::make_unique<BytePortLinkDevice>([] { return state().portHandle.get(); }); });
    return *testLink();
}

void OpenPortAsync(quint8 portIndex, quint8 baudIndex, QObject *context, OpenDone done)
{
    auto fail = [context, done](const TComException &error) {
        QTimer::singleShot(0, context, [done, error] { done(&error); });
    };
    if (factory()) {
        // A test's byte port opens at once.
        try {
            OpenPort(portIndex, baudIndex);
        } catch (const TComException &error) {
            fail(error);
            return;
        }
        QTimer::singleShot(0, context, [done] { done(nullptr); });
        return;
    }
    PortState &s = state();
    forgetPort(s);
    if (portIndex >= std::size(PortNames) || baudIndex >= std::size(BaudNames)) {
        fail(TComException(TComException::portBusyText(),
                           QStringLiteral("Die Schnittstelle Nr. %1 gibt es nicht.").arg(int(portIndex) + 1)));
        return;
    }
    const QString deviceFile = PortDeviceFile(PortNames[portIndex]);
    TrainerLink &link = TrainerLink::worker();
    const int tag = TrainerLink::nextTag();
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        &link, &TrainerLink::opened, context,
        [=, &link](int answerTag, bool ok, int failure, const QString &systemText, bool lineSet, bool timeoutsSet) {
            if (answerTag != tag)
                return;
            QObject::disconnect(*connection);
            PortState &s = state();
            const QString label = PortLabel(PortNames[portIndex], deviceFile);
            s.lastSystemText = systemText;
            if (!ok) {
                const TComException error = openFailure(BytePort::Failure(failure), label, systemText);
                done(&error);
                return;
            }
            LinkDevice::Opening opening;
            opening.opened = true;
            opening.lineSet = lineSet;
            opening.timeoutsSet = timeoutsSet;
            opening.systemText = systemText;
            auto port = std::make_unique<LinkBytePort>(link);
            port->adopt(opening);
            s.portHandle = std::move(port);
            s.deviceFile = deviceFile;
            s.portName = PortNames[portIndex];
            s.portWasOpened = true;
            try {
                ConfigurePort();
                SetPortTimeouts();
            } catch (const TComException &error) {
                done(&error);
                return;
            }
            done(nullptr);
        },
        Qt::QueuedConnection);
    link.open(deviceFile, tag);
}

void ResetSerialPort()
{
    PortState &s = state();
    if (s.portHandle)
        s.portHandle->close();
    s.portHandle.reset();
    s.deviceFile.clear();
    s.portName.clear();
    s.lastSystemText.clear();
    s.portWasOpened = false;
}
