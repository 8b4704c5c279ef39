#pragma once
#include <QString>
#include <QThread>

// A TCP forwarder on a loopback port that holds every chunk for a fixed time
// in each direction before passing it on: a stand far away from its server.
// Runs on a thread of its own, so a caller that blocks still sees the delay.
class DelayProxy
{
public:
    DelayProxy(const QString &host, int targetPort, int delayMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy &) = delete;
    DelayProxy &operator=(const DelayProxy &) = delete;

    // The port to connect to instead of the target's; 0 when listening failed.
    int port() const { return m_port; }
    // Chunks sent towards the target so far (about one per round trip).
    int requests() const;

private:
    QThread m_thread;
    QObject *m_relay = nullptr;
    int m_port = 0;
};
