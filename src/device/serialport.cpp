#include "device/serialport.h"

#include "device/serialbyteport.h"
#include "core/settings.h"

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
    return std::make_unique<SerialBytePort>();
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
    if (s.portWasOpened && s.portHandle)
        s.portHandle->close();
    s.portHandle.reset();
    s.deviceFile.clear();
    s.portName.clear();

    if (portIndex >= std::size(PortNames) || baudIndex >= std::size(BaudNames))
        throw TComException(TComException::portBusyText(),
                            QStringLiteral("Die Schnittstelle Nr. %1 gibt es nicht.").arg(int(portIndex) + 1));

    const QString deviceFile = PortDeviceFile(PortNames[portIndex]);
    const QString label = PortLabel(PortNames[portIndex], deviceFile);
    std::unique_ptr<BytePort> port = makePort();
    if (!port || !port->open(deviceFile)) {
        const BytePort::Failure why = port ? port->failure() : BytePort::Failure::Other;
        s.lastSystemText = port ? port->systemText() : QString();
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
        TComException error(TComException::portBusyText(), detail.arg(label), s.lastSystemText);
        error.setInUse(why == BytePort::Failure::InUse);
        throw error;
    }
    s.portHandle = std::move(port);
    s.deviceFile = deviceFile;
    s.portName = PortNames[portIndex];
    s.portWasOpened = true;

    ConfigurePort();
    SetPortTimeouts();
    return true;
}

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

void SetBytePortFactory(BytePortFactory f) { factory() = std::move(f); }

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
