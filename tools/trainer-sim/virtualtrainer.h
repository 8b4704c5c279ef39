#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// A Vantrel trainer controller on a pseudo-terminal: the program opens the
// pty's slave side (or a link to it) as its serial port, the trainer answers
// on the master side as a Bauart1 or Bauart2 controller and records every
// byte it receives.

enum class TrainerFault
{
    None,
    Silent,        // answers nothing, sends no samples
    Garbage,       // every reply replaced by pseudo-random bytes of the same length
    Short,         // every reply cut after TrainerConfig::cutAfter bytes
    NoTerminator,  // the manufacturer text comes without its terminator 0x01
};

struct TrainerConfig
{
    int model = 2;                   // 1 = Bauart1, 2 = Bauart2
    QByteArray serial;               // "C": up to 3 bytes, sent as given
    QByteArray hardwareRevision;     // "A" (Bauart1: 0x01): 12-byte window
    QByteArray softwareRevision;     // "B": 12-byte window
    QByteArray controllerType;       // "D": 5-byte window
    QByteArray controllerRevision;   // "E": 3-byte window
    QByteArray deviceType;           // "F": 15-byte window
    QByteArray manufacturer;         // "H": text, then 0x01
    QByteArray battery;              // "G": up to 2 bytes, sent as given
    QList<quint16> samples;          // stream values, repeated in turn
    int sampleIntervalMs = 10;       // one 2-byte sample per interval while streaming
    TrainerFault fault = TrainerFault::None;
    int cutAfter = 1;                // bytes of each reply with TrainerFault::Short

    // Force sensor: when on, the "a" stream (Bauart1: 0x02) sends
    // zero + round(load * scale) (+ noise), clamped to 0..4095, instead of `samples`.
    bool forceModel = false;
    int zero = 256;                  // raw counts of the unloaded sensor
    double scale = 2.0;              // counts per gram
    double loadGrams = 0.0;          // weight on the trigger
    int noise = 0;                   // +- counts of pseudo-random noise
    quint32 noiseSeed = 1;           // same seed, same noise
    // The raw stream "Z": its own values in turn, every pulseEvery-th sample a
    // shot-sensor pulse (0 = no pulses).
    QList<quint16> rawSamples = {0x0200};
    int pulseEvery = 50;
    quint16 pulseValue = 0x0FFF;
    // Both streams: silent after stopAfter samples (0 = never); a pause of
    // stallMs after stallAfter samples (0 = never).
    int stopAfter = 0;
    int stallAfter = 0;
    int stallMs = 0;

    // The values a trainer of the model answers with unless told otherwise.
    static TrainerConfig defaults(int model = 2);
};

// How the program has set up its side of the line (the pty's slave).
struct TrainerLineSettings
{
    bool valid = false;
    int baud = 0;
    int dataBits = 0;
    bool parity = false;
    int stopBits = 0;
    bool hardwareFlowControl = false;
    bool softwareFlowControl = false;
    bool raw = false;  // no line editing, echo or output processing
};

class VirtualTrainer
{
public:
    explicit VirtualTrainer(const TrainerConfig &config = TrainerConfig::defaults());
    ~VirtualTrainer();
    VirtualTrainer(const VirtualTrainer &) = delete;
    VirtualTrainer &operator=(const VirtualTrainer &) = delete;

    // Creates the pseudo-terminal and, when linkPath is given, a symbolic link
    // to it there. An existing link to a pty or to nothing is replaced; any
    // other file is left alone and open() fails.
    bool open(const QString &linkPath = QString());
    QString errorString() const { return m_error; }
    QString devicePath() const { return m_devicePath; }  // e.g. /dev/pts/4
    QString linkPath() const { return m_linkPath; }
    // The path a program should open: the link if there is one.
    QString portPath() const { return m_linkPath.isEmpty() ? m_devicePath : m_linkPath; }
    // Stops the thread, closes the pty and removes the link (if still ours).
    void close();

    // Either run on a thread of its own ...
    bool startThread();
    void stopThread();
    // ... or drive it: waits up to timeoutMs for commands, answers them and
    // sends the samples that fell due.
    void poll(int timeoutMs);

    QByteArray received() const;
    void clearReceived();
    // The bytes received so far, which are forgotten.
    QByteArray takeReceived();
    // Waits until at least count bytes were received (true) or timeoutMs passed.
    bool waitForReceived(int count, int timeoutMs) const;

    TrainerLineSettings lineSettings() const;

    TrainerConfig config() const;
    void setConfig(const TrainerConfig &config);
    bool streaming() const { return m_streaming.load(); }
    bool rawStreaming() const { return m_streaming.load() && m_raw.load(); }
    // The weight on the force sensor, changeable while running (turns the force model on).
    void setLoad(double grams);
    // The sample the force model sends now (without noise).
    static quint16 forceSample(const TrainerConfig &config);
    int samplesSent() const { return m_samplesSent.load(); }

private:
    void handleByte(quint8 byte, const TrainerConfig &config);
    void reply(QByteArray bytes, const TrainerConfig &config, bool isManufacturer = false);
    void sendDueSample(const TrainerConfig &config);
    void startStream(bool raw, const TrainerConfig &config);
    quint16 nextSample(const TrainerConfig &config);
    void writeMaster(const QByteArray &bytes);
    void peerDetached();
    qint64 nowMs() const;

    int m_master = -1;
    QString m_devicePath;
    QString m_linkPath;
    QString m_error;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_receivedChanged;
    TrainerConfig m_config;
    QByteArray m_received;

    std::atomic<bool> m_streaming{false};
    std::atomic<bool> m_raw{false};
    int m_streamSamples = 0;          // sent since the stream started
    qint64 m_stallUntilMs = 0;
    quint32 m_noiseState = 1;
    std::atomic<int> m_samplesSent{0};
    int m_sampleIndex = 0;
    qint64 m_nextSampleMs = 0;
    bool m_attached = false;
    quint32 m_noise = 0x2545F491u;

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
