#pragma once
#include "device/byteport.h"
#include "device/serialport.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <map>
#include <memory>

// An in-process peer behind the serial port: answers command bytes from a
// table, or hands out scripted chunks one per read, and records what was sent.
struct FakePeer
{
    bool openOk = true;
    bool configureOk = true;
    bool timeoutsOk = true;
    bool writeOk = true;

    QStringList opened;           // device files, in order
    int closes = 0;
    int configures = 0;
    bool isOpen = false;

    QByteArray written;
    QByteArray pending;           // bytes that have arrived and wait to be read
    std::map<quint8, QByteArray> replies;
    QList<QByteArray> trickle;    // when not empty: each read takes the next chunk instead
    int reads = 0;
    int goneAfterReads = -1;      // >= 0: the device vanishes once that many reads were made
    bool gone = false;            // vanished: reads and writes fail, the port is lost
    BytePort::Failure openFailure = BytePort::Failure::InUse;  // why an open fails
    QString systemText;           // what the system said about it
};

class FakeBytePort : public BytePort
{
public:
    explicit FakeBytePort(std::shared_ptr<FakePeer> peer) : m_peer(std::move(peer)) {}

    bool open(const QString &deviceFile) override
    {
        m_peer->opened << deviceFile;
        m_peer->isOpen = m_peer->openOk;
        return m_peer->openOk;
    }
    bool configureLine() override { ++m_peer->configures; return m_peer->configureOk; }
    bool setTimeouts() override { return m_peer->timeoutsOk; }
    void close() override
    {
        if (m_peer->isOpen)
            ++m_peer->closes;
        m_peer->isOpen = false;
    }
    bool isOpen() const override { return m_peer->isOpen; }
    bool lost() const override { return m_peer->isOpen && m_peer->gone; }
    Failure failure() const override { return m_peer->openOk ? Failure::None : m_peer->openFailure; }
    QString systemText() const override { return m_peer->openOk ? QString() : m_peer->systemText; }

    int read(quint8 *buffer, int count) override
    {
        if (m_peer->goneAfterReads >= 0 && m_peer->reads >= m_peer->goneAfterReads)
            m_peer->gone = true;
        if (!m_peer->isOpen || m_peer->gone)
            return -1;
        ++m_peer->reads;
        QByteArray &source = m_peer->pending;
        if (!m_peer->trickle.isEmpty())
            source.append(m_peer->trickle.takeFirst());
        const int n = qMin(count, int(source.size()));
        for (int i = 0; i < n; ++i)
            buffer[i] = quint8(source.at(i));
        source.remove(0, n);
        return n;
    }

    int write(const quint8 *data, int count) override
    {
        if (m_peer->isOpen && m_peer->gone)
            return -1;
        if (!m_peer->isOpen || !m_peer->writeOk)
            return 0;
        for (int i = 0; i < count; ++i) {
            m_peer->written.append(char(data[i]));
            auto it = m_peer->replies.find(data[i]);
            if (it != m_peer->replies.end())
                m_peer->pending.append(it->second);
        }
        return count;
    }

private:
    std::shared_ptr<FakePeer> m_peer;
};

// Puts a fresh fake peer behind the serial port for one test.
class FakePortInstalled
{
public:
    FakePortInstalled() : peer(std::make_shared<FakePeer>())
    {
        ResetSerialPort();
        std::shared_ptr<FakePeer> p = peer;
        SetBytePortFactory([p] { return std::make_unique<FakeBytePort>(p); });
    }
    ~FakePortInstalled()
    {
        ResetSerialPort();
        SetBytePortFactory(BytePortFactory());
    }
    std::shared_ptr<FakePeer> peer;
};
