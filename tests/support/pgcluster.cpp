#include "support/pgcluster.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QThread>

#include <algorithm>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

namespace {

QString newestBinDir()
{
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(*it);
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return {};
}

int freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

PgCluster::PgCluster()
    : m_bin(newestBinDir())
{
    m_hadPassFile = qEnvironmentVariableIsSet("PGPASSFILE");
    m_oldPassFile = qgetenv("PGPASSFILE");
}

PgCluster::~PgCluster()
{
    resume();
    stop();
    if (m_hadPassFile)
        qputenv("PGPASSFILE", m_oldPassFile);
    else
        qunsetenv("PGPASSFILE");
}

QString PgCluster::passwordFile() const
{
    return m_dir.filePath(QStringLiteral("pgpass"));
}

bool PgCluster::run(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());   // the server's user may not enter the test's folder
    QString exe = m_bin + QLatin1Char('/') + program;
    QStringList args = arguments;
    if (::geteuid() == 0) {
        args.prepend(exe);
        args.prepend(QStringLiteral("--"));
        args.prepend(QStringLiteral("postgres"));
        args.prepend(QStringLiteral("-u"));
        exe = QStringLiteral("runuser");
    }
    process.start(exe, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        m_error = program + QStringLiteral(": ") + (said.isEmpty() ? process.errorString() : said);
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return true;
}

bool PgCluster::admin(const QString &sql, const QString &database)
{
    return run(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                       QStringLiteral("-h"), m_dir.path(), QStringLiteral("-p"), QString::number(m_port),
                                       QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-d"), database,
                                       QStringLiteral("-c"), sql});
}

bool PgCluster::start()
{
    if (m_bin.isEmpty()) {
        m_error = QStringLiteral("PostgreSQL ist nicht installiert");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("kein temporärer Ordner");
        return false;
    }
    if (::geteuid() == 0) {
        const passwd *pg = ::getpwnam("postgres");
        if (!pg || ::chown(QFile::encodeName(m_dir.path()).constData(), pg->pw_uid, pg->pw_gid) != 0) {
            m_error = QStringLiteral("Benutzer postgres fehlt");
            return false;
        }
    }
    const QString data = m_dir.filePath(QStringLiteral("cluster"));
    if (!run(QStringLiteral("initdb"), {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("postgres"),
                                        QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                                        QStringLiteral("--auth-local=trust"), QStringLiteral("--auth-host=scram-sha-256"),
                                        QStringLiteral("--no-sync")}))
        return false;
    m_port = freeLoopbackPort();
    if (!startServer())
        return false;
    m_password = QString::number(QRandomGenerator::global()->generate64(), 36);
    if (!admin(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'").arg(userName(), m_password))
        || !admin(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(databaseName(), userName())))
        return false;
    QFile pass(passwordFile());
    if (!pass.open(QIODevice::WriteOnly))
        return false;
    pass.write(QStringLiteral("%1:%2:*:%3:%4\n").arg(host()).arg(m_port).arg(userName(), m_password).toUtf8());
    pass.close();
    pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    qputenv("PGPASSFILE", QFile::encodeName(passwordFile()));
    return true;
}

bool PgCluster::startServer()
{
    const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -c port=%1 -c unix_socket_directories='%2' -c fsync=off")
                                .arg(m_port)
                                .arg(m_dir.path());
    return run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("cluster")), QStringLiteral("-l"),
                                          m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"), QStringLiteral("-o"),
                                          options, QStringLiteral("start")});
}

bool PgCluster::restart()
{
    if (m_port <= 0 || isRunning())
        return false;
    if (startServer())
        return true;
    QFile log(m_dir.filePath(QStringLiteral("server.log")));
    if (log.open(QIODevice::ReadOnly))
        m_error += QStringLiteral("\n") + QString::fromLocal8Bit(log.readAll().right(600));
    return false;
}

bool PgCluster::createDatabase(const QString &name)
{
    return admin(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(name, userName()));
}

namespace {

qint64 postmasterPid(const QString &pidFile)
{
    QFile file(pidFile);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
}

// A process that still runs (a zombie has ended).
bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close > 0 && line.mid(close + 2, 1) != "Z";
}

// The direct children of pid (the server's backends and helpers).
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> out;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 child = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(child));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest.at(1).toLongLong() == pid)
            out << child;
    }
    return out;
}

} // namespace

bool PgCluster::isRunning() const
{
    const qint64 pid = postmasterPid(m_dir.filePath(QStringLiteral("cluster/postmaster.pid")));
    return pid > 0 && alive(pid);
}

void PgCluster::kill()
{
    resume();
    const qint64 pid = postmasterPid(m_dir.filePath(QStringLiteral("cluster/postmaster.pid")));
    if (pid <= 0 || !alive(pid))
        return;
    // Backends outlive a killed postmaster and would keep the port and the
    // shared memory: they go too, as in a power cut.
    QList<qint64> all = childrenOf(pid);
    all.prepend(pid);
    for (qint64 p : std::as_const(all))
        ::kill(pid_t(p), SIGKILL);
    for (int i = 0; i < 500; ++i) {
        if (std::none_of(all.cbegin(), all.cend(), alive)) {
            // Where nobody reaps the dead postmaster its pid stays taken: the
            // lock files would keep a new server from starting.
            QFile::remove(m_dir.filePath(QStringLiteral("cluster/postmaster.pid")));
            QFile::remove(m_dir.filePath(QStringLiteral(".s.PGSQL.%1.lock").arg(m_port)));
            QFile::remove(m_dir.filePath(QStringLiteral(".s.PGSQL.%1").arg(m_port)));
            return;
        }
        QThread::msleep(10);
    }
}

void PgCluster::pause()
{
    const qint64 pid = postmasterPid(m_dir.filePath(QStringLiteral("cluster/postmaster.pid")));
    if (pid <= 0 || !alive(pid) || isPaused())
        return;
    // The postmaster first: it starts no new backend while the others stop.
    m_paused = {pid};
    ::kill(pid_t(pid), SIGSTOP);
    m_paused += childrenOf(pid);
    for (int i = 1; i < m_paused.size(); ++i)
        ::kill(pid_t(m_paused.at(i)), SIGSTOP);
}

void PgCluster::resume()
{
    for (qint64 p : std::as_const(m_paused))
        ::kill(pid_t(p), SIGCONT);
    m_paused.clear();
}

void PgCluster::stop()
{
    resume();
    if (!isRunning())
        return;
    run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("cluster")), QStringLiteral("-m"),
                                   QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}
