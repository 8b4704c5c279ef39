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

    if (portIndex >= std::size(PortNames) || baudIndex >= std::size(BaudNames))
        throw TComException(TComException::portBusyText());

    const QString deviceFile = PortDeviceFile(PortNames[portIndex]);
    std::unique_ptr<BytePort> port = makePort();
    if (!port || !port->open(deviceFile))
        throw TComException(TComException::portBusyText());
    s.portHandle = std::move(port);
    s.deviceFile = deviceFile;
    s.portWasOpened = true;

    ConfigurePort();
    SetPortTimeouts();
    return true;
}

void ConfigurePort()
{
    BytePort *port = openPort();
    if (!port || !port->configureLine())
        throw TComException(TComException::initFailedText());
}

void SetPortTimeouts()
{
    BytePort *port = openPort();
    if (!port || !port->setTimeouts())
        throw TComException(TComException::timeoutsFailedText());
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

bool ReadBlock(quint8 *buffer, int count)
{
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
    return n == count;
}

bool portWasOpened() { return state().portWasOpened; }

QString OpenedDeviceFile() { return state().portHandle ? state().deviceFile : QString(); }

bool PortLost()
{
    const BytePort *port = state().portHandle.get();
    return port && port->lost();
}

void SetBytePortFactory(BytePortFactory f) { factory() = std::move(f); }

void ResetSerialPort()
{
    PortState &s = state();
    if (s.portHandle)
        s.portHandle->close();
    s.portHandle.reset();
    s.deviceFile.clear();
    s.portWasOpened = false;
}
