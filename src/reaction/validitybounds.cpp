#include "reaction/validitybounds.h"

#include "platform/iniprofile.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"

bool ValidityBounds::validStatic(int ticks) const
{
    const long double t = static_cast<long double>(ticks) * 0.01L;
    return min_Zeit <= t && t <= max_Zeit;
}

bool ValidityBounds::inTimeRandom(int ticks) const
{
    const long double n = ticks;
    return n >= min_Zeit.value() * 100.0L && n <= max_Zeit.value() * 100.0L;
}

namespace {

// The shipped file says "0,1"; a hand-edited one may say "0.1". Either is read in any locale.
QString withOtherSeparator(QString text, const QLocale &locale)
{
    const QString sep = locale.decimalPoint();
    const QString other = sep == QLatin1String(",") ? QStringLiteral(".") : QStringLiteral(",");
    if (text.count(other) == 1 && !text.contains(sep))
        text.replace(other, sep);
    return text;
}

} // namespace

ValidityBounds ReadValidityBounds(const QString &iniPath, const QLocale &locale)
{
    ValidityBounds bounds;
    const IniProfile ini(iniPath);
    const QString section = QStringLiteral("ER_TEST");
    // A missing key keeps the built-in bound, whatever the locale's separator
    // (the default texts "0,1" and "0,8" would not convert under a '.' locale).
    auto read = [&](const QString &key, Real48 *out) {
        if (!ini.valueExists(section, key))
            return;
        const QString text = ini.readString(section, key, QString());
        Real48 value;
        if (real48FromLocaleText(text, locale, &value) || real48FromLocaleText(withOtherSeparator(text, locale), locale, &value))
            *out = value;
        else
            ShowError(QStringLiteral("\r\nFehler beim Lesen von CONFIG.INI !"));
    };
    read(QStringLiteral("min_Zeit"), &bounds.min_Zeit);
    read(QStringLiteral("max_Zeit"), &bounds.max_Zeit);
    return bounds;
}

ValidityBounds ReadValidityBounds() { return ReadValidityBounds(ProgramPaths::configIni()); }
