#include "store/serverlogin.h"

#include "platform/safefile.h"
#include "store/databasetarget.h"
#include "store/serverwatchdog.h"
#include "store/storeerror.h"

#include <QAtomicInt>
#include <QPointer>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>

#include <utility>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ServerLogin {

Probe tryConnection(const DatabaseTarget &target)
{
    Probe probe;
    if (target.host.trimmed().isEmpty() || target.dbname.trimmed().isEmpty() || target.user.trimmed().isEmpty()) {
        probe.reason = QStringLiteral("Server, Datenbank und Benutzer müssen angegeben sein.");
        return probe;
    }
    static QAtomicInt serial;
    const QString name = QStringLiteral("vr_server_probe_%1").arg(serial.fetchAndAddRelaxed(1));
    QString driverText;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        if (!db.isValid()) {
            probe.reason = QStringLiteral("der Datenbanktreiber für PostgreSQL ist nicht verfügbar (Paket libqt6sql6-psql).");
        } else {
            db.setHostName(target.host.trimmed());
            db.setPort(target.port);
            db.setDatabaseName(target.dbname.trimmed());
            db.setUserName(target.user.trimmed());
            db.setConnectOptions(ServerWatchdog::connectOptions());
            probe.ok = db.open();
            if (!probe.ok)
                driverText = db.lastError().text();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!probe.ok && probe.reason.isEmpty()) {
        probe.reason = ServerConnectErrorText(driverText);
        const QString lower = driverText.toLower();
        probe.passwordProblem = lower.contains(QLatin1String("password"));
    }
    return probe;
}

void tryConnectionAsync(const DatabaseTarget &target, QObject *context, std::function<void(const Probe &)> done)
{
    // The relay lives on the caller's thread until the probe has answered.
    auto *relay = new QObject;
    relay->moveToThread(context->thread());
    QPointer<QObject> receiver(context);
    QThread *thread = QThread::create([target, relay, receiver, done = std::move(done)] {
        const Probe probe = tryConnection(target);
        QMetaObject::invokeMethod(
            relay,
            [receiver, done, probe] {
                if (receiver && done)
                    done(probe);
            },
            Qt::QueuedConnection);
    });
    thread->setObjectName(QStringLiteral("ServerProbe"));
    QObject::connect(thread, &QThread::finished, relay, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

QString passwordFilePath()
{
    const QString env = qEnvironmentVariable("PGPASSFILE");
    if (!env.isEmpty())
        return env;
    return QDir::home().filePath(QStringLiteral(".pgpass"));
}

QString escapeField(const QString &field)
{
    QString out;
    for (const QChar c : field) {
        if (c == u'\\' || c == u':')
            out += u'\\';
        out += c;
    }
    return out;
}

namespace {
// The first four fields of a line, unescaped; empty when the line has fewer.
QStringList keyOf(const QString &line)
{
    QStringList fields;
    QString current;
    for (int i = 0; i < line.size() && fields.size() < 4; ++i) {
        const QChar c = line.at(i);
        if (c == u'\\' && i + 1 < line.size()) {
            current += line.at(++i);
        } else if (c == u':') {
            fields << current;
            current.clear();
        } else {
            current += c;
        }
    }
    return fields.size() == 4 ? fields : QStringList();
}
} // namespace

bool writePasswordEntry(const DatabaseTarget &target, const QString &password, QString *error, const QString &file)
{
    const QStringList key = {target.host.trimmed(), QString::number(target.port), target.dbname.trimmed(), target.user.trimmed()};
    // A line break would split the entry and add a line of its own.
    for (const QString &f : key + QStringList{password})
        if (f.contains(u'\n') || f.contains(u'\r')) {
            *error = QStringLiteral("Ein Eintrag der Kennwortdatei darf keinen Zeilenumbruch enthalten.");
            return false;
        }
    QString entry;
    for (const QString &f : key)
        entry += escapeField(f) + u':';
    entry += escapeField(password);

    QStringList lines;
    QFile old(file);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("Die Kennwortdatei %1 kann nicht gelesen werden: %2")
                         .arg(QDir::toNativeSeparators(file), StoreFileErrorText(old.error(), old.errorString()));
            return false;
        }
        lines = QString::fromUtf8(old.readAll()).split(u'\n');
        old.close();
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    } else {
        // Made empty with owner-only rights first: the whole write keeps that mode.
        const int fd = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) {
            *error = QStringLiteral("Die Kennwortdatei %1 kann nicht angelegt werden: %2")
                         .arg(QDir::toNativeSeparators(file), SafeFile::reason(errno));
            return false;
        }
        if (fd >= 0)
            ::close(fd);
    }
    // The entry takes the place of the first line for the same key; further ones go.
    QStringList kept;
    bool replaced = false;
    for (const QString &line : std::as_const(lines)) {
        if (line.startsWith(u'#') || keyOf(line) != key) {
            kept << line;
        } else if (!replaced) {
            kept << entry;
            replaced = true;
        }
    }
    if (!replaced)
        kept << entry;
    if (!SafeFile::write(file, (kept.join(u'\n') + u'\n').toUtf8(), error))
        return false;
    // libpq ignores a password file others can read.
    ::chmod(QFile::encodeName(file).constData(), 0600);
    return true;
}

} // namespace ServerLogin
