#include "device/trainerlink.h"

#include "device/serialbyteport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#include <climits>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace {

constexpr int kReplyPauseMs = 30;
constexpr int kTextMaxChars = 64;
constexpr int kTextSilenceMs = 1000;
constexpr int kWatchIntervalMs = 10;

struct Worker
{
    QThread thread;
    TrainerLink *link = nullptr;
};
Worker *g_worker = nullptr;

void endWorker()
{
    if (!g_worker)
        return;
    TrainerLink *link = g_worker->link;
    QMetaObject::invokeMethod(link, [link] { delete link; }, Qt::BlockingQueuedConnection);
    g_worker->thread.quit();
    g_worker->thread.wait();
    delete g_worker;
    g_worker = nullptr;
}

qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

} // namespace

// ---------------------------------------------------------------- link

TrainerLink &TrainerLink::worker()
{
    if (!g_worker) {
        g_worker = new Worker;
        g_worker->thread.setObjectName(QStringLiteral("TrainerLink"));
        g_worker->link = new TrainerLink([] { return std::make_unique<SerialLinkDevice>(); });
        g_worker->link->moveToThread(&g_worker->thread);
        g_worker->thread.start();
        TrainerLink *link = g_worker->link;
        QMetaObject::invokeMethod(link, [link] { link->device(); }, Qt::BlockingQueuedConnection);
        if (QCoreApplication::instance())
            qAddPostRoutine(endWorker);
    }
    return *g_worker->link;
}

TrainerLink::TrainerLink(DeviceMaker maker, QObject *parent)
    : QObject(parent)
    , m_maker(std::move(maker))
{
    m_pause = new QTimer(this);
    m_pause->setSingleShot(true);
    m_pause->setTimerType(Qt::PreciseTimer);
    connect(m_pause, &QTimer::timeout, this, [this] {
        if (m_current.kind == ReplyKind::Text) {
            m_silence->start(kTextSilenceMs);
            device()->setWatching(true);
            readTextBytes();
        } else {
            finishAsk();
        }
    });
    m_silence = new QTimer(this);
    m_silence->setSingleShot(true);
    connect(m_silence, &QTimer::timeout, this, [this] { finishAsk(); });
}

TrainerLink::~TrainerLink() = default;

int TrainerLink::nextTag()
{
    static std::atomic<int> tag{0};
    return ++tag;
}

LinkDevice *TrainerLink::device()
{
    if (!m_device) {
        m_device = m_maker();
        connect(m_device.get(), &LinkDevice::readyRead, this, &TrainerLink::onReadyRead);
        connect(m_device.get(), &LinkDevice::gone, this, &TrainerLink::onGone);
    }
    return m_device.get();
}

void TrainerLink::post(Request request)
{
    QMetaObject::invokeMethod(
        this,
        [this, request] {
            m_queue.push_back(request);
            runNext();
        },
        Qt::QueuedConnection);
}

void TrainerLink::open(const QString &deviceFile, int tag)
{
    Request r{Request::Open};
    r.deviceFile = deviceFile;
    r.tag = tag;
    post(r);
}

void TrainerLink::close() { post(Request{Request::Close}); }

void TrainerLink::ask(quint8 command, int window, ReplyKind kind, bool dropPending, int tag)
{
    Request r{Request::Ask};
    r.command = command;
    r.window = window;
    r.kind = kind;
    r.dropPending = dropPending;
    r.tag = tag;
    post(r);
}

void TrainerLink::send(quint8 byte)
{
    Request r{Request::Send};
    r.command = byte;
    post(r);
}

void TrainerLink::drop() { post(Request{Request::Drop}); }

void TrainerLink::startStream(quint8 command)
{
    Request r{Request::Start};
    r.command = command;
    post(r);
}

void TrainerLink::stopStream(quint8 command)
{
    Request r{Request::Stop};
    r.command = command;
    post(r);
}

void TrainerLink::stopStream()
{
    Request r{Request::Stop};
    r.hasCommand = false;
    post(r);
}

LinkDevice::Opening TrainerLink::openNow(const QString &deviceFile)
{
    LinkDevice::Opening opening;
    auto run = [this, &opening, deviceFile] {
        m_streaming = false;
        opening = device()->open(deviceFile);
        m_open = opening.opened;
        m_lost = false;
    };
    if (QThread::currentThread() == thread())
        run();
    else
        QMetaObject::invokeMethod(this, run, Qt::BlockingQueuedConnection);
    return opening;
}

int TrainerLink::readNow(quint8 *buffer, int count)
{
    return m_device ? m_device->readWaiting(buffer, count, 1) : -1;
}

void TrainerLink::runNext()
{
    while (!m_asking && !m_queue.empty()) {
        const Request r = m_queue.front();
        m_queue.pop_front();
        LinkDevice *d = device();
        switch (r.type) {
        case Request::Open: {
            m_streaming = false;
            const LinkDevice::Opening o = d->open(r.deviceFile);
            m_open = o.opened;
            m_lost = false;
            emit opened(r.tag, o.opened, int(o.failure), o.systemText, o.lineSet, o.timeoutsSet);
            break;
        }
        case Request::Close:
            d->close();
            d->setWatching(false);
            m_open = false;
            m_lost = false;
            m_streaming = false;
            break;
        case Request::Send:
            if (d->isOpen())
                d->write(QByteArray(1, char(r.command)));
            break;
        case Request::Drop:
            d->take(INT_MAX);
            break;
        case Request::Start:
            if (d->isOpen())
                d->write(QByteArray(1, char(r.command)));
            m_streaming = true;
            m_sampleBytes.clear();
            d->setWatching(true);
            break;
        case Request::Stop:
            if (r.hasCommand && d->isOpen())
                d->write(QByteArray(1, char(r.command)));
            m_streaming = false;
            m_sampleBytes.clear();
            d->setWatching(false);
            d->take(INT_MAX);
            break;
        case Request::Ask:
            m_current = r;
            m_asking = true;
            m_retried = false;
            m_text.clear();
            if (r.dropPending)
                d->take(INT_MAX);
            if (d->isOpen())
                d->write(QByteArray(1, char(r.command)));
            m_pause->start(kReplyPauseMs);
            break;
        }
    }
}

void TrainerLink::finishAsk()
{
    LinkDevice *d = device();
    QByteArray reply;
    int received = 0;
    if (m_current.kind == ReplyKind::Text) {
        m_silence->stop();
        d->setWatching(m_streaming);
        reply = m_text;
        received = int(m_text.size());
    } else {
        const QByteArray got = d->take(m_current.window);
        if (got.isEmpty() && m_current.kind == ReplyKind::WindowOrRetry && !m_retried && !d->lost()) {
            m_retried = true;
            m_pause->start(kReplyPauseMs);
            return;
        }
        reply = QByteArray(m_current.window, '\0');
        for (int i = 0; i < got.size(); ++i)
            reply[i] = got.at(i);
        if (reply.size() >= 2 && quint8(reply.at(0)) == 0xFF && quint8(reply.at(1)) == 0xFF) {
            reply[0] = '\0';
            reply[1] = '\0';
        }
        received = int(got.size());
    }
    m_asking = false;
    emit answered(m_current.tag, reply, received);
    runNext();
}

void TrainerLink::readTextBytes()
{
    LinkDevice *d = device();
    for (;;) {
        const QByteArray b = d->take(1);
        if (b.isEmpty())
            return;
        if (quint8(b.at(0)) == 0x01) {
            finishAsk();
            return;
        }
        m_text += b;
        m_silence->start(kTextSilenceMs);
        if (m_text.size() >= kTextMaxChars) {
            finishAsk();
            return;
        }
    }
}

void TrainerLink::onReadyRead()
{
    if (m_asking) {
        if (m_current.kind == ReplyKind::Text && !m_pause->isActive())
            readTextBytes();
        return;   // a window is read when its pause has passed
    }
    if (m_streaming)
        emitSamples();
}

void TrainerLink::emitSamples()
{
    m_sampleBytes += device()->take(INT_MAX);
    QVector<int> values;
    values.reserve(m_sampleBytes.size() / 2);
    int i = 0;
    for (; i + 1 < m_sampleBytes.size(); i += 2)
        values << (quint8(m_sampleBytes.at(i)) * 256 + quint8(m_sampleBytes.at(i + 1)));
    m_sampleBytes.remove(0, i);
    if (!values.isEmpty())
        emit samples(values);
}

void TrainerLink::onGone()
{
    m_lost = true;
    emit lost();
    if (m_asking) {
        m_pause->stop();
        m_retried = true;
        finishAsk();
    }
}

// ---------------------------------------------------------------- facade

bool LinkBytePort::open(const QString &deviceFile)
{
    m_opening = m_link.openNow(deviceFile);
    return m_opening.opened;
}

void LinkBytePort::close()
{
    if (m_link.isOpen())
        m_link.close();
}

int LinkBytePort::read(quint8 *buffer, int count)
{
    if (!m_link.isOpen() || m_link.portGone())
        return -1;
    if (count <= 0)
        return 0;
    return m_link.readNow(buffer, count);
}

int LinkBytePort::write(const quint8 *data, int count)
{
    if (!m_link.isOpen() || m_link.portGone())
        return -1;
    for (int i = 0; i < count; ++i)
        m_link.send(data[i]);
    return qMax(0, count);
}

// ---------------------------------------------------------------- serial device

SerialLinkDevice::SerialLinkDevice()
    : m_port(new QSerialPort(this))
    , m_rtsTimer(new QTimer(this))
{
    m_rtsTimer->setInterval(1);
    connect(m_port, &QSerialPort::readyRead, this, &SerialLinkDevice::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialLinkDevice::onError);
    connect(m_rtsTimer, &QTimer::timeout, this, &SerialLinkDevice::lowerRtsWhenSent);
}

SerialLinkDevice::~SerialLinkDevice() { close(); }

LinkDevice::Opening SerialLinkDevice::open(const QString &deviceFile)
{
    close();
    Opening o;
#ifdef Q_OS_UNIX
    // Lock the device itself, not the name of a link to it.
    const QString location = QFileInfo(deviceFile).canonicalFilePath();
    if (location.isEmpty()) {
        o.systemText = QStringLiteral("no such device: ") + deviceFile;
        o.failure = BytePort::Failure::NotFound;
        return o;
    }
#else
    const QString location = deviceFile;
#endif
    m_location = location;
    m_port->setPortName(location);
    if (!m_port->open(QIODevice::ReadWrite)) {
        o.systemText = m_port->errorString();
        o.failure = SerialBytePort::failureOfOpen(m_port->error(), o.systemText);
        m_port->clearError();
        return o;
    }
#ifdef Q_OS_UNIX
    if (::flock(int(m_port->handle()), LOCK_EX | LOCK_NB) != 0) {
        o.systemText = QStringLiteral("device is locked by another program");
        o.failure = BytePort::Failure::InUse;
        m_port->close();
        return o;
    }
    m_pseudoTerminal = SerialBytePort::isPseudoTerminalDevice(location);
#endif
    o.opened = true;

    o.lineSet = m_port->setBaudRate(QSerialPort::Baud9600) && m_port->setDataBits(QSerialPort::Data8)
                && m_port->setParity(QSerialPort::NoParity) && m_port->setStopBits(QSerialPort::OneStop)
                && m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!o.lineSet) {
        o.systemText = m_port->errorString();
        return o;
    }
    // DTR stays on while the port is open; RTS is raised around each write.
    if (m_port->setDataTerminalReady(true) && m_port->setRequestToSend(false)) {
        m_toggleRts = true;
    } else if (m_pseudoTerminal) {
        m_port->clearError();   // a pseudo-terminal has no modem lines
        m_toggleRts = false;
    } else {
        o.lineSet = false;
        o.systemText = m_port->errorString();
        return o;
    }
#ifdef Q_OS_UNIX
    const int fd = int(m_port->handle());
    struct termios tio;
    o.timeoutsSet = ::tcgetattr(fd, &tio) == 0;
    if (o.timeoutsSet) {
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        o.timeoutsSet = ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
#else
    o.timeoutsSet = true;
#endif
    return o;
}

void SerialLinkDevice::close()
{
    m_rtsTimer->stop();
    if (m_port->isOpen())
        m_port->close();
    m_pseudoTerminal = false;
    m_toggleRts = false;
    m_lost = false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_inbox.clear();
}

bool SerialLinkDevice::isOpen() const { return m_port->isOpen(); }

void SerialLinkDevice::write(const QByteArray &bytes)
{
    if (!m_port->isOpen() || m_lost || bytes.isEmpty())
        return;
    m_writeDeadlineMs = monotonicMs() + 2 + 2 * bytes.size();
    if (m_toggleRts)
        m_port->setRequestToSend(true);
    if (m_port->write(bytes) != bytes.size())
        m_port->clear(QSerialPort::Output);
    m_rtsTimer->start();
}

// A write not sent within its time-out is dropped, not sent later; RTS goes
// down once the line is idle.
void SerialLinkDevice::lowerRtsWhenSent()
{
    const bool late = monotonicMs() >= m_writeDeadlineMs;
    if (m_port->bytesToWrite() > 0) {
        if (!late)
            return;
        m_port->clear(QSerialPort::Output);
    }
#ifdef Q_OS_UNIX
    if (m_toggleRts && !late) {
        int pending = 0;
        if (::ioctl(int(m_port->handle()), TIOCOUTQ, &pending) == 0 && pending > 0)
            return;
    }
#endif
    m_rtsTimer->stop();
    if (m_toggleRts && m_port->isOpen())
        m_port->setRequestToSend(false);
}

void SerialLinkDevice::onReadyRead()
{
    const QByteArray bytes = m_port->readAll();
    if (bytes.isEmpty())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inbox += bytes;
    }
    m_arrived.notify_all();
    emit readyRead();
}

void SerialLinkDevice::onError()
{
    const QSerialPort::SerialPortError error = m_port->error();
    if (error == QSerialPort::NoError || !m_port->isOpen())
        return;
    if (error != QSerialPort::TimeoutError && !m_lost) {
        // A hung-up line (unplugged adapter, closed pseudo-terminal) reports a
        // resource error; another error counts once the file is gone.
        bool gone = error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError;
#ifdef Q_OS_UNIX
        gone = gone || !QFileInfo::exists(m_location);
#endif
        if (gone) {
            m_lost = true;
            m_rtsTimer->stop();
            m_arrived.notify_all();
            emit this->gone();
            return;
        }
    }
    if (!m_lost)
        m_port->clearError();
}

QByteArray SerialLinkDevice::take(int max)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QByteArray bytes = m_inbox.left(max);
    m_inbox.remove(0, bytes.size());
    return bytes;
}

int SerialLinkDevice::readWaiting(quint8 *buffer, int count, int waitMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrived.wait_for(lock, std::chrono::milliseconds(waitMs), [this, count] {
        return m_inbox.size() >= count || m_lost;
    });
    const int n = qMin(count, int(m_inbox.size()));
    for (int i = 0; i < n; ++i)
        buffer[i] = quint8(m_inbox.at(i));
    m_inbox.remove(0, n);
    return n;
}

// ---------------------------------------------------------------- byte-port device

BytePortLinkDevice::BytePortLinkDevice(std::function<BytePort *()> port)
    : m_port(std::move(port))
    , m_poll(new QTimer(this))
{
    m_poll->setInterval(kWatchIntervalMs);
    connect(m_poll, &QTimer::timeout, this, &LinkDevice::readyRead);
}

bool BytePortLinkDevice::isOpen() const
{
    BytePort *port = m_port();
    return port && port->isOpen();
}

void BytePortLinkDevice::write(const QByteArray &bytes)
{
    if (BytePort *port = m_port())
        port->write(reinterpret_cast<const quint8 *>(bytes.constData()), int(bytes.size()));
}

QByteArray BytePortLinkDevice::take(int max)
{
    BytePort *port = m_port();
    if (!port || max <= 0)
        return {};
    QByteArray bytes(qMin(max, 4096), '\0');
    const int n = port->read(reinterpret_cast<quint8 *>(bytes.data()), int(bytes.size()));
    bytes.truncate(qMax(0, n));
    return bytes;
}

bool BytePortLinkDevice::lost() const
{
    BytePort *port = m_port();
    return port && port->lost();
}

void BytePortLinkDevice::setWatching(bool on)
{
    if (on)
        m_poll->start();
    else
        m_poll->stop();
}
