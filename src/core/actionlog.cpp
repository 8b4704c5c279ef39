#include "core/actionlog.h"

#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "core/settings.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kOpenError = QStringLiteral("\r\nFehler beim Öffnen der Logdatei.");

} // namespace

QString LogTimestamp(const QDateTime &when, const QLocale &locale)
{
    return locale.toString(when.date(), LogDateFormat(locale)) + u' '
           + locale.toString(when.time(), LogTimeFormat(locale));
}

void WriteLogLine(const QString &message)
{
    const Settings &settings = Settings::instance();
    if (!settings.Logfile)
        return;

    const QString path = ProgramPaths::logFile();
    if (!QFileInfo::exists(path)) {
        QFile create(path);
        if (create.open(QIODevice::WriteOnly))
            create.close();
        else
            ShowError(kOpenError);
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        ShowError(kOpenError);
        return;
    }
    QString line;
    if (!message.isEmpty())
        line = LogTimestamp(Clock::instance().now()) + QStringLiteral(" - ") + settings.Benutzer
               + QStringLiteral(" --- ") + message;
    const QByteArray bytes = Cp1252::encode(line) + QByteArrayLiteral("\r\n");
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    file.close();
    if (!written || file.error() != QFileDevice::NoError)
        ShowError(kOpenError);
}

QStringList LoadLogIntoViewer()
{
    QStringList lines;
    const QString path = ProgramPaths::logFile();
    if (!QFileInfo::exists(path))
        return lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(kOpenError);
        return lines;
    }
    const QByteArray content = file.readAll();
    file.close();
    if (content.isEmpty())
        return lines;
    const QList<QByteArray> raw = content.split('\n');
    for (int i = 0; i < raw.size(); ++i) {
        QByteArray l = raw.at(i);
        if (i == raw.size() - 1 && l.isEmpty())
            break;  // text after the last line end
        if (l.endsWith('\r'))
            l.chop(1);
        lines << Cp1252::decode(l);
    }
    return lines;
}

void ClearLogFile()
{
    const QString path = ProgramPaths::logFile();
    if (!QFileInfo::exists(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowError(kOpenError);
        return;
    }
    file.close();
    if (!file.remove())
        ShowError(QStringLiteral("\r\nFehler beim Löschen der Logdatei."));
}
