#pragma once
#include "device/byteport.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QSerialPort;
class QTimer;

// What a query waits for after its command byte.
enum class ReplyKind {
    Window,         // what arrived 30 ms after the command, up to the window
    WindowOrRetry,  // the same; nothing there: 30 ms more, once
    Text,           // bytes up to the terminator 0x01, at most 64, or until 1 s without a byte
};

// The device under the link: a serial port that says when bytes arrived, or
// (tests) a byte port that is read when the link looks.
class LinkDevice : public QObject
{
    Q_OBJECT
public:
    struct Opening
    {
        bool opened = false;
        bool lineSet = false;
        bool timeoutsSet = false;
        BytePort::Failure failure = BytePort::Failure::None;
        QString systemText;
    };
    virtual Opening open(const QString &deviceFile) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(const QByteArray &bytes) = 0;
    // Up to max bytes of what has arrived.
    virtual QByteArray take(int max) = 0;
    virtual bool lost() const = 0;
    // While on, readyRead also comes without a notification of the system
    // (a byte port is looked at every few milliseconds).
    virtual void setWatching(bool) {}
    // From any thread: up to count bytes of what has arrived, waiting up to
    // waitMs for them; -1 when the device cannot be read.
    virtual int readWaiting(quint8 *, int, int) { return -1; }
signals:
    void readyRead();
    void gone();
};

// The trainer link: one object that owns the serial port on a worker thread
// (tests with a byte port of their own: on the thread that installed it).
// Every request is queued to the link's thread and runs in the order asked;
// answers, samples and a vanished port come back as signals. The reply
// windows, the pause before a reply is read and the silence bound of a text
// reply are timers of the link; nothing waits.
class TrainerLink : public QObject
{
    Q_OBJECT
public:
    // The link on its own thread (made on first use, ended with the application).
    static TrainerLink &worker();

    // Requests (any thread).
    // Opens the device file exclusively, 9600 8N1, DTR on; answered by opened().
    void open(const QString &deviceFile, int tag);
    void close();
    // Drops what is pending (with dropPending), sends the command byte and
    // answers with the reply (answered()).
    void ask(quint8 command, int window, ReplyKind kind, bool dropPending, int tag);
    // Sends one byte.
    void send(quint8 byte);
    // Drops what has arrived.
    void drop();
    // Sends the start command; the 2-byte samples (high byte first) that
    // follow come as samples() until stopStream().
    void startStream(quint8 command);
    // Sends the stop command (when given) and drops what is pending.
    void stopStream(quint8 command);
    void stopStream();

    // What a thread that must have the bytes now reads (the device functions
    // that still poll): up to count bytes, waiting up to 1 ms for them.
    int readNow(quint8 *buffer, int count);
    // Opens at once (the caller waits for the link's thread).
    LinkDevice::Opening openNow(const QString &deviceFile);
    bool isOpen() const { return m_open.load(); }
    bool portGone() const { return m_lost.load(); }

    // A tag for the next request whose answer the caller waits for.
    static int nextTag();

    // The device the link drives (made in the link's thread on first use).
    using DeviceMaker = std::function<std::unique_ptr<LinkDevice>()>;
    explicit TrainerLink(DeviceMaker maker, QObject *parent = nullptr);
    ~TrainerLink() override;

signals:
    void opened(int tag, bool ok, int failure, const QString &systemText, bool lineSet, bool timeoutsSet);
    // The reply window (zero-filled; a leading 0xFF 0xFF becomes 0x00 0x00)
    // and how many bytes really came. A text reply: its characters' bytes.
    void answered(int tag, const QByteArray &reply, int received);
    void samples(const QVector<int> &values);
    // The port's device vanished (adapter unplugged, the trainer ended).
    void lost();

private:
    struct Request
    {
        enum Type { Open, Close, Ask, Send, Start, Stop, Drop } type;
        QString deviceFile;
        quint8 command = 0;
        int window = 0;
        ReplyKind kind = ReplyKind::Window;
        bool dropPending = false;
        bool hasCommand = true;
        int tag = 0;
    };
    void post(Request request);
    void runNext();
    void finishAsk();
    void onReadyRead();
    void onGone();
    void readTextBytes();
    void emitSamples();
    LinkDevice *device();

    DeviceMaker m_maker;
    std::unique_ptr<LinkDevice> m_device;
    std::deque<Request> m_queue;       // link thread only
    bool m_asking = false;
    Request m_current;
    bool m_retried = false;
    QByteArray m_text;
    bool m_streaming = false;
    QByteArray m_sampleBytes;
    QTimer *m_pause = nullptr;         // the 30 ms before a reply is read
    QTimer *m_silence = nullptr;       // a text reply's second without a byte
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_lost{false};
};

// The byte port of the serial-port functions on top of the worker link, for
// the device functions that still read as they go.
class LinkBytePort : public BytePort
{
public:
    explicit LinkBytePort(TrainerLink &link) : m_link(link) {}
    bool open(const QString &deviceFile) override;
    bool configureLine() override { return m_opening.lineSet; }
    bool setTimeouts() override { return m_opening.timeoutsSet; }
    void close() override;
    bool isOpen() const override { return m_link.isOpen(); }
    int read(quint8 *buffer, int count) override;
    int write(const quint8 *data, int count) override;
    bool lost() const override { return m_link.portGone(); }
    Failure failure() const override { return m_opening.failure; }
    QString systemText() const override { return m_opening.systemText; }
    // The link was opened by a request of its own (the asynchronous connect).
    void adopt(const LinkDevice::Opening &opening) { m_opening = opening; }

private:
    TrainerLink &m_link;
    LinkDevice::Opening m_opening;
};

// The real serial device through QSerialPort, driven by its readyRead.
class SerialLinkDevice : public LinkDevice
{
    Q_OBJECT
public:
    SerialLinkDevice();
    ~SerialLinkDevice() override;
    Opening open(const QString &deviceFile) override;
    void close() override;
    bool isOpen() const override;
    void write(const QByteArray &bytes) override;
    QByteArray take(int max) override;
    bool lost() const override { return m_lost; }
    int readWaiting(quint8 *buffer, int count, int waitMs) override;

private:
    void onReadyRead();
    void onError();
    void lowerRtsWhenSent();

    QSerialPort *m_port;
    QTimer *m_rtsTimer;
    qint64 m_writeDeadlineMs = 0;
    bool m_pseudoTerminal = false;
    bool m_toggleRts = false;
    bool m_lost = false;
    QString m_location;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    QByteArray m_inbox;
};

// A byte port (tests) under the link: read when the link takes bytes, and
// every 10 ms while the link watches.
class BytePortLinkDevice : public LinkDevice
{
    Q_OBJECT
public:
    explicit BytePortLinkDevice(std::function<BytePort *()> port);
    Opening open(const QString &) override { return {}; }
    void close() override {}
    bool isOpen() const override;
    void write(const QByteArray &bytes) override;
    QByteArray take(int max) override;
    bool lost() const override;
    void setWatching(bool on) override;

private:
    std::function<BytePort *()> m_port;
    QTimer *m_poll;
};
