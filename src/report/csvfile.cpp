#include "report/csvfile.h"

#include "platform/numberformat.h"
#include "platform/safefile.h"

#include <QLocale>

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

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    return SafeFile::write(path, bytes, error);
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
