#pragma once
#include "device/byteport.h"

#include <QSerialPort>

class QElapsedTimer;

// The byte port on a real serial device, through QSerialPort used without an
// event loop. The device is opened exclusively: QSerialPort's lock file and
// TIOCEXCL, plus an flock() on the descriptor that also holds against root.
// A pseudo-terminal (the virtual trainer) has no modem lines: DTR and RTS
// failures are tolerated there and only there.
class SerialBytePort : public BytePort
{
public:
    SerialBytePort();
    ~SerialBytePort() override;

    bool open(const QString &deviceFile) override;
    bool configureLine() override;
    bool setTimeouts() override;
    void close() override;
    bool isOpen() const override;
    int read(quint8 *buffer, int count) override;
    int write(const quint8 *data, int count) override;
    bool lost() const override { return m_lost; }
    Failure failure() const override { return m_failure; }
    QString systemText() const override { return m_lastError; }

    bool isPseudoTerminal() const { return m_pseudoTerminal; }
    // What QSerialPort said about the last failure (for diagnostics).
    QString lastError() const { return m_lastError; }

    static Failure failureOfOpen(QSerialPort::SerialPortError error, const QString &text);
    // True when the file is the slave side of a pseudo-terminal.
    static bool isPseudoTerminalDevice(const QString &deviceFile);

private:
    void waitForLineIdle(qint64 deadlineMs, const QElapsedTimer &since);
    // After a transfer: an error that means the device is gone marks the port
    // lost; a time-out or a passing error is cleared.
    void checkDevice();

    QSerialPort m_port;
    bool m_pseudoTerminal = false;
    bool m_toggleRts = false;
    bool m_lost = false;
    QString m_location;
    QString m_lastError;
    Failure m_failure = Failure::None;
};
