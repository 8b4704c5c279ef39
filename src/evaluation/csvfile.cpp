#include "evaluation/csvfile.h"

#include "platform/numberformat.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

namespace Csv {

QString field(const QString &text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray document(const QList<QStringList> &lines, bool withBom)
{
    QByteArray out = withBom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const QStringList &line : lines) {
        QStringList fields;
        for (const QString &f : line)
            fields << field(f);
        out += fields.join(u';').toUtf8() + "\r\n";
    }
    return out;
}

QString failureReason(const QString &path, QFileDevice::FileError error)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    const QString shownFolder = QDir::toNativeSeparators(info.absolutePath());
    if (info.isDir())
        return QStringLiteral("„%1“ ist ein Verzeichnis").arg(QDir::toNativeSeparators(path));
    if (!folder.exists())
        return QStringLiteral("das Verzeichnis „%1“ ist nicht vorhanden").arg(shownFolder);
    if (!folder.isDir())
        return QStringLiteral("„%1“ ist kein Verzeichnis").arg(shownFolder);
    if (!folder.isWritable() || (info.exists() && !info.isWritable()))
        return QStringLiteral("keine Schreibberechtigung");
    if (error == QFileDevice::ResourceError)
        return QStringLiteral("zu wenig Speicherplatz");
    return QStringLiteral("Schreibfehler auf dem Datenträger");
}

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Die Datei „%1“ kann nicht angelegt werden: %2.")
                         .arg(shown, failureReason(path, file.error()));
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2.")
                         .arg(shown, failureReason(path, file.error()));
        return false;
    }
    return true;
}

QString text(const QString &value)
{
    const QString t = value.trimmed();
    if (t.size() > 1 && QStringLiteral("=+-@").contains(t.front()))
        return u'\'' + t;
    return t;
}

QString dateText(const QDate &date) { return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString(); }

QString timeText(const QTime &time) { return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString(); }

QString timeWithMs(const QTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss,zzz")) : QString();
}

QString wholeNumber(double value) { return QString::number(qRound64(value)); }

QString oneDecimal(double value)
{
    return NumberFormat::formatFloat("%.1f", value, QLocale(QLocale::German, QLocale::Germany));
}

} // namespace Csv
