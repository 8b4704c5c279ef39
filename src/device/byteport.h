#pragma once
#include <QString>
#include <QtGlobal>

// The raw link to one serial device. The serial-port functions drive it in
// the order open, configureLine, setTimeouts; tests put an in-process peer
// behind it.
class BytePort
{
public:
    virtual ~BytePort() = default;

    // Opens the device file exclusively. False when it does not exist, is in
    // use or access is refused.
    virtual bool open(const QString &deviceFile) = 0;
    // 9600 baud, 8N1, no flow control, DTR on, RTS only while sending.
    virtual bool configureLine() = 0;
    // Reads return at once with what has arrived (waiting about 1 ms at most);
    // a write of n bytes takes at most 2 + 2*n ms.
    virtual bool setTimeouts() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Up to count bytes of what has arrived; -1 when the port cannot be read.
    virtual int read(quint8 *buffer, int count) = 0;
    // Bytes written within the write time-out; -1 when the port cannot be written.
    virtual int write(const quint8 *data, int count) = 0;
    // The device has gone while open (adapter unplugged, the other end of a
    // pseudo-terminal closed): reads and writes fail until it is opened anew.
    virtual bool lost() const { return false; }

    // Why the last open or transfer failed, as far as the system says.
    enum class Failure { None, NotFound, NoAccess, InUse, Other };
    virtual Failure failure() const { return Failure::None; }
    // The system's own text of that failure (English; for the action log).
    virtual QString systemText() const { return QString(); }
};
