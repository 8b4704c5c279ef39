#include "virtualtrainer.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray window(const QByteArray &text, int size)
{
    QByteArray bytes = text.left(size);
    if (bytes.size() < size)
        bytes.append(QByteArray(size - bytes.size(), ' '));
    return bytes;
}

QString readLink(const QString &path)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target - 1);
    if (n < 0)
        return QString();
    return QFile::decodeName(QByteArray(target, int(n)));
}

} // namespace

TrainerConfig TrainerConfig::defaults(int model)
{
    TrainerConfig c;
    c.model = model == 1 ? 1 : 2;
    if (c.model == 1) {
        // A Bauart1 controller knows only the hardware revision and the stream.
        c.hardwareRevision = QByteArray("\x01\x02\x03", 3);
    } else {
        c.serial = QByteArray("\xE2\x10\x05", 3);
        c.hardwareRevision = "2.1";
        c.softwareRevision = "1.05";
        c.controllerType = "PIC16";
        c.controllerRevision = "B2";
        c.deviceType = "Reaktion";
        c.manufacturer = "Vantrel Sim";
        c.battery = QByteArray("\x0D\xC3", 2);
    }
    c.samples = {0x0100};
    return c;
}

VirtualTrainer::VirtualTrainer(const TrainerConfig &config)
    : m_config(config)
{
}

VirtualTrainer::~VirtualTrainer() { close(); }

qint64 VirtualTrainer::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool VirtualTrainer::open(const QString &linkPath)
{
    close();
    m_error.clear();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = QStringLiteral("Pseudo-Terminal lässt sich nicht anlegen: ") + QString::fromLocal8Bit(strerror(errno));
        close();
        return false;
    }
    char name[PATH_MAX];
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = QStringLiteral("Name des Pseudo-Terminals unbekannt");
        close();
        return false;
    }
    m_devicePath = QFile::decodeName(name);

    // Raw 8-bit line from the start, so nothing is echoed before the program
    // sets up the port itself.
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0) {
        struct termios tio;
        if (::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
        }
        ::close(slave);
    }

    if (!linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(linkPath);
        struct stat st;
        if (::lstat(link.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                m_error = linkPath + QStringLiteral(" existiert und ist keine symbolische Verknüpfung; "
                                                    "sie wird nicht überschrieben.");
                close();
                return false;
            }
            const QString target = readLink(linkPath);
            struct stat targetStat;
            const bool dangling = ::stat(link.constData(), &targetStat) != 0;
            if (!dangling && !target.startsWith(QLatin1String("/dev/pts/"))) {
                m_error = linkPath + QStringLiteral(" zeigt auf ") + target
                          + QStringLiteral(" (kein Pseudo-Terminal); die Verknüpfung bleibt.");
                close();
                return false;
            }
        }
        const QByteArray temp = link + ".tmp" + QByteArray::number(qint64(::getpid()));
        ::unlink(temp.constData());
        if (::symlink(name, temp.constData()) != 0 || ::rename(temp.constData(), link.constData()) != 0) {
            m_error = QStringLiteral("Verknüpfung ") + linkPath + QStringLiteral(" lässt sich nicht anlegen: ")
                      + QString::fromLocal8Bit(strerror(errno));
            ::unlink(temp.constData());
            close();
            return false;
        }
        m_linkPath = linkPath;
    }
    m_streaming = false;
    m_attached = false;
    return true;
}

void VirtualTrainer::close()
{
    stopThread();
    if (!m_linkPath.isEmpty()) {
        if (readLink(m_linkPath) == m_devicePath)
            ::unlink(QFile::encodeName(m_linkPath).constData());
        m_linkPath.clear();
    }
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    m_devicePath.clear();
    m_streaming = false;
}

bool VirtualTrainer::startThread()
{
    if (m_master < 0 || m_thread.joinable())
        return false;
    m_stop = false;
    m_thread = std::thread([this] {
        while (!m_stop.load())
            poll(20);
    });
    return true;
}

void VirtualTrainer::stopThread()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    m_thread.join();
}

QByteArray VirtualTrainer::received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void VirtualTrainer::clearReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
}

QByteArray VirtualTrainer::takeReceived()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QByteArray bytes = m_received;
    m_received.clear();
    return bytes;
}

bool VirtualTrainer::waitForReceived(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_receivedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [&] { return m_received.size() >= count; });
}

TrainerLineSettings VirtualTrainer::lineSettings() const
{
    TrainerLineSettings line;
    struct termios tio;
    // On a pty master the terminal settings are those of the slave side.
    if (m_master < 0 || ::tcgetattr(m_master, &tio) != 0)
        return line;
    line.valid = true;
    switch (::cfgetospeed(&tio)) {
    case B1200: line.baud = 1200; break;
    case B2400: line.baud = 2400; break;
    case B4800: line.baud = 4800; break;
    case B9600: line.baud = 9600; break;
    case B19200: line.baud = 19200; break;
    case B38400: line.baud = 38400; break;
    case B57600: line.baud = 57600; break;
    case B115200: line.baud = 115200; break;
    default: line.baud = -1; break;
    }
    switch (tio.c_cflag & CSIZE) {
    case CS5: line.dataBits = 5; break;
    case CS6: line.dataBits = 6; break;
    case CS7: line.dataBits = 7; break;
    default: line.dataBits = 8; break;
    }
    line.parity = (tio.c_cflag & PARENB) != 0;
    line.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    line.hardwareFlowControl = (tio.c_cflag & CRTSCTS) != 0;
    line.softwareFlowControl = (tio.c_iflag & (IXON | IXOFF)) != 0;
    line.raw = !(tio.c_lflag & (ICANON | ECHO | ISIG)) && !(tio.c_oflag & OPOST);
    return line;
}

TrainerConfig VirtualTrainer::config() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_config;
}

void VirtualTrainer::setConfig(const TrainerConfig &config)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_config = config;
}

void VirtualTrainer::poll(int timeoutMs)
{
    if (m_master < 0)
        return;
    const qint64 deadline = nowMs() + qMax(0, timeoutMs);
    for (;;) {
        qint64 wait = deadline - nowMs();
        if (m_streaming)
            wait = qMin(wait, m_nextSampleMs - nowMs());
        struct pollfd fd = {m_master, POLLIN, 0};
        const int ready = ::poll(&fd, 1, int(qMax<qint64>(0, wait)));
        const TrainerConfig config = this->config();
        bool hangUp = ready > 0 && (fd.revents & POLLHUP);
        if (ready > 0 && (fd.revents & POLLIN)) {
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_received.append(buffer, int(n));
                }
                m_receivedChanged.notify_all();
                for (ssize_t i = 0; i < n; ++i)
                    handleByte(quint8(buffer[i]), config);
            } else if (n < 0 && errno == EIO) {
                hangUp = true;
            }
        }
        if (hangUp) {
            // Nobody has the port open: what the controller sends now is lost.
            if (m_attached)
                peerDetached();
            m_attached = false;
            const qint64 left = deadline - nowMs();
            if (left > 0)
                ::usleep(useconds_t(qMin<qint64>(left, 5) * 1000));
        } else if (ready >= 0) {
            m_attached = true;
        }
        if (m_streaming && nowMs() >= m_nextSampleMs)
            sendDueSample(config);
        if (nowMs() >= deadline)
            return;
    }
}

void VirtualTrainer::peerDetached()
{
    // Drop what the program did not read before it closed the port.
    const int slave = ::open(QFile::encodeName(m_devicePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave >= 0) {
        ::tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
}

void VirtualTrainer::handleByte(quint8 byte, const TrainerConfig &config)
{
    if (config.model == 1) {
        switch (byte) {
        case 0x01: reply(window(config.hardwareRevision, 12), config); break;
        case 0x02: startStream(false, config); break;
        case 0x04: m_streaming = false; break;
        default: break;  // Bauart1 knows no other command
        }
        return;
    }
    switch (byte) {
    case 'A': reply(window(config.hardwareRevision, 12), config); break;
    case 'B': reply(window(config.softwareRevision, 12), config); break;
    case 'C': reply(config.serial.left(3), config); break;
    case 'D': reply(window(config.controllerType, 5), config); break;
    case 'E': reply(window(config.controllerRevision, 3), config); break;
    case 'F': reply(window(config.deviceType, 15), config); break;
    case 'G': reply(config.battery.left(2), config); break;
    case 'H': reply(config.manufacturer, config, true); break;
    case 'Z': startStream(true, config); break;
    case 'a': startStream(false, config); break;
    case 'b': m_streaming = false; break;
    default: break;
    }
}

void VirtualTrainer::reply(QByteArray bytes, const TrainerConfig &config, bool isManufacturer)
{
    if (isManufacturer && config.fault != TrainerFault::NoTerminator)
        bytes.append('\x01');
    switch (config.fault) {
    case TrainerFault::Silent:
        return;
    case TrainerFault::Garbage:
        for (char &c : bytes) {
            m_noise ^= m_noise << 13;
            m_noise ^= m_noise >> 17;
            m_noise ^= m_noise << 5;
            c = char(m_noise & 0xFF);
        }
        break;
    case TrainerFault::Short:
        bytes = bytes.left(qMax(0, config.cutAfter));
        break;
    default:
        break;
    }
    writeMaster(bytes);
}

void VirtualTrainer::startStream(bool raw, const TrainerConfig &config)
{
    m_raw = raw;
    m_streaming = true;
    m_nextSampleMs = nowMs();
    m_streamSamples = 0;
    m_stallUntilMs = 0;
    m_sampleIndex = 0;
    m_noiseState = config.noiseSeed ? config.noiseSeed : 1;
}

void VirtualTrainer::setLoad(double grams)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_config.forceModel = true;
    m_config.loadGrams = grams;
}

quint16 VirtualTrainer::forceSample(const TrainerConfig &config)
{
    const double value = config.zero + std::round(config.loadGrams * config.scale);
    return quint16(qBound(0.0, value, 4095.0));
}

quint16 VirtualTrainer::nextSample(const TrainerConfig &config)
{
    const int index = m_sampleIndex++;
    if (m_raw) {
        if (config.pulseEvery > 0 && (index + 1) % config.pulseEvery == 0)
            return config.pulseValue;
        return config.rawSamples.isEmpty() ? 0 : config.rawSamples.at(index % config.rawSamples.size());
    }
    if (config.forceModel) {
        double value = config.zero + std::round(config.loadGrams * config.scale);
        if (config.noise > 0) {
            m_noiseState ^= m_noiseState << 13;
            m_noiseState ^= m_noiseState >> 17;
            m_noiseState ^= m_noiseState << 5;
            value += int(m_noiseState % quint32(2 * config.noise + 1)) - config.noise;
        }
        return quint16(qBound(0.0, value, 4095.0));
    }
    return config.samples.isEmpty() ? 0 : config.samples.at(index % config.samples.size());
}

void VirtualTrainer::sendDueSample(const TrainerConfig &config)
{
    m_nextSampleMs += qMax(1, config.sampleIntervalMs);
    if (m_nextSampleMs < nowMs())
        m_nextSampleMs = nowMs() + qMax(1, config.sampleIntervalMs);
    if (config.fault == TrainerFault::Silent || !m_attached)
        return;
    if (!m_raw && !config.forceModel && config.samples.isEmpty())
        return;
    if (config.stopAfter > 0 && m_streamSamples >= config.stopAfter)
        return;  // fallen silent
    if (nowMs() < m_stallUntilMs)
        return;
    if (config.stallAfter > 0 && config.stallMs > 0 && m_streamSamples == config.stallAfter && m_stallUntilMs == 0) {
        m_stallUntilMs = nowMs() + config.stallMs;
        return;
    }
    const quint16 value = nextSample(config);
    ++m_streamSamples;
    QByteArray sample;
    sample.append(char(value >> 8));
    sample.append(char(value & 0xFF));
    writeMaster(sample);
    ++m_samplesSent;
}

void VirtualTrainer::writeMaster(const QByteArray &bytes)
{
    if (m_master < 0 || bytes.isEmpty())
        return;
    // A full buffer (nobody reading) drops the bytes, as a line would.
    const ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    Q_UNUSED(n);
}
