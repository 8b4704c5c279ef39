#pragma once
#include <QString>
#include <QTemporaryDir>

// A throw-away PostgreSQL cluster for tests: its own folder, a free loopback
// port, a database and a login role with a password (written to a .pgpass of
// its own, PGPASSFILE points there while it runs). As root the server runs as
// the user "postgres". Stopped and removed in the destructor.
class PgCluster
{
public:
    PgCluster();
    ~PgCluster();
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;

    // Starts the server; false with error() when PostgreSQL is missing or fails.
    [[nodiscard]] bool start();
    // Stops the server the hard way (postmaster and every server process
    // killed, nothing shut down) or cleanly.
    void kill();
    void stop();
    // Stops every server process (SIGSTOP): the kernel still accepts and
    // acknowledges, the server answers nothing. resume() lets them run on
    // (SIGCONT); the destructor resumes a paused server too.
    void pause();
    void resume();
    bool isPaused() const { return !m_paused.isEmpty(); }
    // Starts the server again on its folder and port (after kill() or stop()).
    [[nodiscard]] bool restart();
    bool isRunning() const;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return m_port; }
    QString databaseName() const { return QStringLiteral("vantrel"); }
    QString userName() const { return QStringLiteral("vantrel"); }
    QString password() const { return m_password; }
    QString passwordFile() const;
    QString error() const { return m_error; }

    // A fresh empty database on the same server, owned by userName().
    [[nodiscard]] bool createDatabase(const QString &name);

private:
    bool run(const QString &program, const QStringList &arguments, QString *output = nullptr);
    bool admin(const QString &sql, const QString &database = QStringLiteral("postgres"));

    bool startServer();

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_password;
    QString m_error;
    QByteArray m_oldPassFile;
    bool m_hadPassFile = false;
    int m_port = 0;
    QList<qint64> m_paused;
};
