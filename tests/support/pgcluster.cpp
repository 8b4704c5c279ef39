#include "support/pgcluster.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpServer>

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
    const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -c port=%1 -c unix_socket_directories='%2' -c fsync=off")
                                .arg(m_port)
                                .arg(m_dir.path());
    if (!run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), data, QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")),
                                        QStringLiteral("-w"), QStringLiteral("-o"), options, QStringLiteral("start")}))
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

bool PgCluster::createDatabase(const QString &name)
{
    return admin(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(name, userName()));
}

bool PgCluster::isRunning() const
{
    return QFile::exists(m_dir.filePath(QStringLiteral("cluster/postmaster.pid")));
}

void PgCluster::kill()
{
    QFile pidFile(m_dir.filePath(QStringLiteral("cluster/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const qint64 pid = pidFile.readLine().trimmed().toLongLong();
    pidFile.close();
    if (pid > 0)
        ::kill(pid_t(pid), SIGKILL);
}

void PgCluster::stop()
{
    if (!isRunning())
        return;
    run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("cluster")), QStringLiteral("-m"),
                                   QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}
