#include "platform/safefile.h"

#include "platform/backgroundjob.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SafeFile {

namespace {

FaultHook &hook()
{
    static FaultHook h;
    return h;
}

// errno of an injected fault, or 0.
int injected(Step step) { return hook() ? hook()(step) : 0; }

QString shown(const QString &path) { return QStringLiteral("„%1“").arg(QDir::toNativeSeparators(path)); }

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

#ifdef Q_OS_UNIX

QByteArray native(const QString &path) { return QFile::encodeName(path); }

// Writes all bytes to fd; errno value on failure, else 0.
int writeAll(int fd, const QByteArray &bytes)
{
    if (int e = injected(Step::Write))
        return e;
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= n;
    }
    return 0;
}

// A device, pipe or socket: written as it is, never replaced.
bool writeDirect(const QString &path, const QByteArray &bytes, bool truncate, QString *error)
{
    int e = injected(Step::Open);
    int fd = -1;
    if (!e) {
        // Non-blocking open, so a pipe without a reader gives a message, not a hang.
        fd = ::open(native(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | (truncate ? O_TRUNC : 0));
        if (fd < 0)
            e = errno;
    }
    if (e)
        return fail(error, QStringLiteral("Die Datei %1 kann nicht geöffnet werden: %2").arg(shown(path), reason(e)));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    e = writeAll(fd, bytes);
    if (!e)
        e = injected(Step::Flush);
    if (::close(fd) != 0 && !e && errno != EINTR)
        e = errno;
    if (e)
        return fail(error, QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(shown(path), reason(e)));
    return true;
}

mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeReplacing(const QString &path, const QByteArray &bytes, QString *error)
{
    const QFileInfo info(path);
    const QString dir = info.absolutePath();
    struct stat old;
    const bool exists = ::stat(native(path).constData(), &old) == 0;
    const mode_t mode = exists ? (old.st_mode & 07777) : newFileMode();

    QByteArray tmp = native(QDir(dir).filePath(QStringLiteral(".%1.XXXXXX").arg(info.fileName())));
    int e = injected(Step::Open);
    int fd = -1;
    if (!e) {
        fd = ::mkstemp(tmp.data());
        if (fd < 0)
            e = errno;
    }
    if (e) {
        if (e == ENOENT && !QFileInfo(dir).isDir())
            return fail(error, QStringLiteral("Die Datei %1 kann nicht angelegt werden: der Ordner %2 ist nicht vorhanden.")
                                   .arg(shown(path), shown(dir)));
        return fail(error, QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2").arg(shown(path), reason(e)));
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    (void)::fchmod(fd, mode); // best effort: a foreign file system may refuse modes
    e = writeAll(fd, bytes);
    if (!e)
        e = injected(Step::Flush);
    if (!e) {
        e = injected(Step::Sync);
        if (!e && ::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
            e = errno;
    }
    if (::close(fd) != 0 && !e && errno != EINTR)
        e = errno;
    if (e) {
        ::unlink(tmp.constData());
        return fail(error, QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(shown(path), reason(e)));
    }
    // Written as a cancelled job: the old file (or none) stays.
    if (BackgroundJob::Control *job = BackgroundJob::Control::current(); job && job->isCancelled()) {
        ::unlink(tmp.constData());
        return fail(error, QStringLiteral("Das Schreiben der Datei %1 wurde abgebrochen.").arg(shown(path)));
    }
    e = injected(Step::Rename);
    if (!e && ::rename(tmp.constData(), native(path).constData()) != 0)
        e = errno;
    if (e) {
        ::unlink(tmp.constData());
        return fail(error, QStringLiteral("Die Datei %1 kann nicht ersetzt werden: %2").arg(shown(path), reason(e)));
    }
    // The new name must survive a power cut too.
    const int dfd = ::open(native(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

#endif

} // namespace

void setFaultHook(FaultHook h) { hook() = std::move(h); }

QString reason(int errnum)
{
    switch (errnum) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("Der Datenträger ist voll.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Keine Schreibrechte.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case ENOENT:
        return QStringLiteral("Der Ordner ist nicht vorhanden.");
    case ENOTDIR:
        return QStringLiteral("Ein Teil des Pfades ist kein Ordner.");
    case EISDIR:
        return QStringLiteral("Das Ziel ist ein Ordner.");
    case EIO:
        return QStringLiteral("Ein-/Ausgabefehler des Datenträgers.");
    case ENAMETOOLONG:
        return QStringLiteral("Der Dateiname ist zu lang.");
    case EFBIG:
        return QStringLiteral("Die Datei wird zu groß.");
    case EPIPE:
        return QStringLiteral("Der Empfänger hat die Verbindung beendet.");
#ifdef ENXIO
    case ENXIO:
        return QStringLiteral("Niemand liest aus der Pipe, oder das Gerät ist nicht vorhanden.");
#endif
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("Die Datei ist belegt.");
    default:
        return QStringLiteral("Systemfehler %1.").arg(errnum);
    }
}

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    if (path.isEmpty())
        return fail(error, QStringLiteral("Es ist kein Dateiname angegeben."));
#ifdef Q_OS_UNIX
    const QFileInfo info(path);
    QString target = info.absoluteFilePath();
    if (info.isSymLink()) {
        const QString link = info.symLinkTarget();
        // /dev/stdout and friends lead through /proc: write where they point.
        if (link.startsWith(QLatin1String("/proc/")) || link.startsWith(QLatin1String("/dev/")))
            return writeDirect(path, bytes, true, error);
        target = info.exists() ? info.canonicalFilePath() : link;
    }
    struct stat st;
    if (::stat(native(target).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return fail(error, QStringLiteral("%1 ist ein Ordner, keine Datei.").arg(shown(path)));
        if (!S_ISREG(st.st_mode))
            return writeDirect(target, bytes, false, error);
    }
    return writeReplacing(target, bytes, error);
#else
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("Die Datei %1 kann nicht angelegt werden: %2").arg(shown(path), file.errorString()));
    if (BackgroundJob::Control *job = BackgroundJob::Control::current(); job && job->isCancelled()) {
        file.cancelWriting();
        return fail(error, QStringLiteral("Das Schreiben der Datei %1 wurde abgebrochen.").arg(shown(path)));
    }
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        return fail(error, QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(shown(path), file.errorString()));
    return true;
#endif
}

} // namespace SafeFile
