#include "support/delayproxy.h"

#include <QAtomicInt>
#include <QPointer>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

class Relay : public QObject
{
public:
    Relay(const QString &host, int targetPort, int delayMs) : m_host(host), m_targetPort(targetPort), m_delay(delayMs) {}

    int listen()
    {
        m_server = new QTcpServer(this);
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            return 0;
        connect(m_server, &QTcpServer::newConnection, this, &Relay::accept);
        return m_server->serverPort();
    }
    QAtomicInt requests;

private:
    void accept()
    {
        while (QTcpSocket *client = m_server->nextPendingConnection()) {
            auto *upstream = new QTcpSocket(this);
            client->setParent(this);
            pipe(client, upstream, true);
            pipe(upstream, client, false);
            upstream->connectToHost(m_host, quint16(m_targetPort));
        }
    }

    // Bytes read from `from` reach `to` m_delay ms later, in order; a close
    // follows the last bytes.
    void pipe(QTcpSocket *from, QTcpSocket *to, bool towardsTarget)
    {
        QPointer<QTcpSocket> dest(to);
        connect(from, &QTcpSocket::readyRead, this, [this, from, dest, towardsTarget] {
            const QByteArray bytes = from->readAll();
            if (towardsTarget)
                requests.ref();
            QTimer::singleShot(m_delay, Qt::PreciseTimer, this, [dest, bytes] {
                if (dest)
                    dest->write(bytes);
            });
        });
        connect(from, &QTcpSocket::disconnected, this, [this, from, dest] {
            QTimer::singleShot(m_delay, Qt::PreciseTimer, this, [from, dest] {
                if (dest)
                    dest->disconnectFromHost();
                from->deleteLater();
            });
        });
    }

    QTcpServer *m_server = nullptr;
    QString m_host;
    int m_targetPort;
    int m_delay;
};

} // namespace

DelayProxy::DelayProxy(const QString &host, int targetPort, int delayMs)
{
    auto *relay = new Relay(host, targetPort, delayMs);
    relay->moveToThread(&m_thread);
    m_relay = relay;
    QObject::connect(&m_thread, &QThread::finished, relay, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(relay, [this, relay] { m_port = relay->listen(); }, Qt::BlockingQueuedConnection);
}

DelayProxy::~DelayProxy()
{
    m_thread.quit();
    m_thread.wait();
}

int DelayProxy::requests() const { return static_cast<Relay *>(m_relay)->requests.loadRelaxed(); }
