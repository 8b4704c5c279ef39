#include "device/serialbyteport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>
#endif

SerialBytePort::SerialBytePort() = default;

BytePort::Failure SerialBytePort::failureOfOpen(QSerialPort::SerialPortError error, const QString &text)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError: return Failure::NotFound;
    case QSerialPort::PermissionError:
        // Qt reports a busy or locked device as a permission error too.
        if (text.contains(QLatin1String("lock"), Qt::CaseInsensitive)
            || text.contains(QLatin1String("busy"), Qt::CaseInsensitive))
            return Failure::InUse;
        return Failure::NoAccess;
    case QSerialPort::OpenError: return Failure::InUse;
    default: return Failure::Other;
    }
}

SerialBytePort::~SerialBytePort() { close(); }

bool SerialBytePort::isPseudoTerminalDevice(const QString &deviceFile)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(QFile::encodeName(deviceFile).constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned int maj = major(st.st_rdev);
    // Unix98 pty slaves (136..143) and the old BSD ones (3).
    return (maj >= 136 && maj <= 143) || maj == 3;
#else
    Q_UNUSED(deviceFile);
    return false;
#endif
}

bool SerialBytePort::open(const QString &deviceFile)
{
    close();
    m_lastError.clear();
    m_failure = Failure::None;
#ifdef Q_OS_UNIX
    // Lock the device itself, not the name of a link to it.
    const QString location = QFileInfo(deviceFile).canonicalFilePath();
    if (location.isEmpty()) {
        m_lastError = QStringLiteral("no such device: ") + deviceFile;
        m_failure = Failure::NotFound;
        return false;
    }
#else
    const QString location = deviceFile;
#endif
    m_location = location;
    m_port.setPortName(location);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lastError = m_port.errorString();
        m_failure = failureOfOpen(m_port.error(), m_lastError);
        return false;
    }
#ifdef Q_OS_UNIX
    if (::flock(int(m_port.handle()), LOCK_EX | LOCK_NB) != 0) {
        m_lastError = QStringLiteral("device is locked by another program");
        m_failure = Failure::InUse;
        m_port.close();
        return false;
    }
    m_pseudoTerminal = isPseudoTerminalDevice(location);
#endif
    return true;
}

bool SerialBytePort::configureLine()
{
    if (!m_port.isOpen())
        return false;
    const bool line = m_port.setBaudRate(QSerialPort::Baud9600)
                      && m_port.setDataBits(QSerialPort::Data8)
                      && m_port.setParity(QSerialPort::NoParity)
                      && m_port.setStopBits(QSerialPort::OneStop)
                      && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!line) {
        m_lastError = m_port.errorString();
        return false;
    }
    // DTR stays on while the port is open; RTS is raised around each write.
    const bool modemLines = m_port.setDataTerminalReady(true) && m_port.setRequestToSend(false);
    if (!modemLines) {
        if (!m_pseudoTerminal) {
            m_lastError = m_port.errorString();
            return false;
        }
        m_port.clearError();
        m_toggleRts = false;
        return true;
    }
    m_toggleRts = true;
    return true;
}

bool SerialBytePort::setTimeouts()
{
    if (!m_port.isOpen())
        return false;
#ifdef Q_OS_UNIX
    // Reads must never wait inside the driver: VMIN = VTIME = 0.
    const int fd = int(m_port.handle());
    struct termios tio;
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return false;
#endif
    // QSerialPort keeps its own time-outs on Windows; the bounds of read and
    // write are applied in read() and write().
    return true;
}

void SerialBytePort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_pseudoTerminal = false;
    m_toggleRts = false;
    m_lost = false;
}

void SerialBytePort::checkDevice()
{
    const QSerialPort::SerialPortError error = m_port.error();
    if (error == QSerialPort::NoError)
        return;
    if (error != QSerialPort::TimeoutError) {
        m_lastError = m_port.errorString();
        // A hung-up line (unplugged adapter, closed pseudo-terminal) reports a
        // resource error; a read or write error counts once the file is gone.
        bool gone = error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError;
#ifdef Q_OS_UNIX
        gone = gone || !QFileInfo::exists(m_location);
#endif
        if (gone)
            m_lost = true;
    }
    if (!m_lost)
        m_port.clearError();
}

bool SerialBytePort::isOpen() const { return m_port.isOpen(); }

int SerialBytePort::read(quint8 *buffer, int count)
{
    if (!m_port.isOpen() || m_lost)
        return -1;
    if (count <= 0)
        return 0;
    QDeadlineTimer deadline(1, Qt::PreciseTimer);
    while (m_port.bytesAvailable() < count) {
        const qint64 left = qMax<qint64>(0, deadline.remainingTime());
        if (!m_port.waitForReadyRead(int(left)) || deadline.hasExpired())
            break;
    }
    const qint64 n = m_port.read(reinterpret_cast<char *>(buffer), count);
    checkDevice();
    if (m_lost && n <= 0)
        return -1;
    return n < 0 ? -1 : int(n);
}

void SerialBytePort::waitForLineIdle(qint64 deadlineMs, const QElapsedTimer &since)
{
#ifdef Q_OS_UNIX
    const int fd = int(m_port.handle());
    int pending = 0;
    while (since.elapsed() < deadlineMs && ::ioctl(fd, TIOCOUTQ, &pending) == 0 && pending > 0)
        QThread::usleep(200);
#else
    Q_UNUSED(deadlineMs);
    Q_UNUSED(since);
#endif
}

int SerialBytePort::write(const quint8 *data, int count)
{
    if (!m_port.isOpen() || m_lost)
        return -1;
    if (count <= 0)
        return 0;
    const qint64 limitMs = 2 + 2 * qint64(count);
    QElapsedTimer since;
    since.start();
    if (m_toggleRts)
        m_port.setRequestToSend(true);
    if (m_port.write(reinterpret_cast<const char *>(data), count) != count) {
        m_port.clear(QSerialPort::Output);
        if (m_toggleRts)
            m_port.setRequestToSend(false);
        checkDevice();
        return -1;
    }
    while (m_port.bytesToWrite() > 0) {
        const qint64 left = limitMs - since.elapsed();
        if (left <= 0 || !m_port.waitForBytesWritten(int(left)))
            break;
    }
    const qint64 unsent = m_port.bytesToWrite();
    if (unsent > 0)
        m_port.clear(QSerialPort::Output);  // a timed-out write is not sent later
    if (m_toggleRts) {
        waitForLineIdle(limitMs, since);
        m_port.setRequestToSend(false);
    }
    checkDevice();
    if (m_lost)
        return -1;
    return int(count - unsent);
}
