#include "platform/logformat.h"

namespace {

// Rewrites the letters of a Qt date/time format outside quoted literals.
// A two-letter year becomes four letters; time-zone letters are dropped
// together with the blank before them; any blank becomes a plain one.
QString fixFormat(const QString &format)
{
    QString out;
    bool quoted = false;
    for (int i = 0; i < format.size();) {
        QChar c = format.at(i);
        if (c.isSpace())
            c = u' ';  // Windows separates with plain blanks, not narrow or fixed ones
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            ++i;
            continue;
        }
        int run = 1;
        while (i + run < format.size() && format.at(i + run) == format.at(i))
            ++run;
        if (!quoted && c == u'y' && run == 2) {
            out += QStringLiteral("yyyy");
        } else if (!quoted && c == u't') {
            while (out.endsWith(u' '))
                out.chop(1);
        } else {
            out += QString(run, c);
        }
        i += run;
    }
    return out.trimmed();
}

} // namespace

QString LogDateFormat(const QLocale &locale) { return fixFormat(locale.dateFormat(QLocale::ShortFormat)); }

QString LogTimeFormat(const QLocale &locale) { return fixFormat(locale.timeFormat(QLocale::LongFormat)); }
