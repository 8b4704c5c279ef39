#include "runkit/validitybounds.h"

#include "platform/iniprofile.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"

#include <QDir>
#include <QFileInfo>

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
    const ValidityBounds builtIn;
    ValidityBounds bounds;
    const IniProfile ini(iniPath);
    const QString section = QStringLiteral("ER_TEST");
    const QString head = QStringLiteral("\r\nFehler beim Lesen von CONFIG.INI !\r\n\r\nDatei \u201E%1\u201C")
                             .arg(QDir::toNativeSeparators(iniPath));
    auto seconds = [&](Real48 v) { return locale.toString(double(v.value()), 'g', 6); };
    const QString builtInBoth = QStringLiteral("es gelten %1 und %2 Sekunden.")
                                    .arg(seconds(builtIn.min_Zeit), seconds(builtIn.max_Zeit));
    if (!ini.isLoaded() && QFileInfo::exists(iniPath)) {
        ShowError(head + QStringLiteral(":\r\nDie Datei kann nicht gelesen werden; ") + builtInBoth);
        return bounds;
    }
    auto fail = [&](const QString &key, const QString &why) {
        ShowError(head + QStringLiteral(", Abschnitt [ER_TEST], Schlüssel \u201E%1\u201C:\r\n").arg(key) + why);
    };
    // A missing key keeps the built-in bound, whatever the locale's separator
    // (the default texts "0,1" and "0,8" would not convert under a '.' locale).
    auto read = [&](const QString &key, Real48 *out) {
        if (!ini.valueExists(section, key))
            return false;
        const QString text = ini.readString(section, key, QString());
        Real48 value;
        if (real48FromLocaleText(text, locale, &value) || real48FromLocaleText(withOtherSeparator(text, locale), locale, &value)) {
            *out = value;
            return true;
        }
        const QString shown = text.size() > 40 ? text.left(40) + QStringLiteral("…") : text;
        fail(key, QStringLiteral("Der Wert \u201E%1\u201C ist keine gültige Zahl; es gilt %2.").arg(shown, seconds(*out)));
        return false;
    };
    const bool minFromFile = read(QStringLiteral("min_Zeit"), &bounds.min_Zeit);
    const bool maxFromFile = read(QStringLiteral("max_Zeit"), &bounds.max_Zeit);
    // Inverted bounds would make every reaction invalid: both built-in ones apply.
    if (bounds.min_Zeit.value() > bounds.max_Zeit.value()) {
        if (minFromFile)
            fail(QStringLiteral("min_Zeit"), QStringLiteral("Der Wert %1 liegt über \u201Emax_Zeit\u201C (%2%3); ")
                                                 .arg(seconds(bounds.min_Zeit), seconds(bounds.max_Zeit),
                                                      maxFromFile ? QString() : QStringLiteral(", Vorgabe"))
                                                 + builtInBoth);
        else
            fail(QStringLiteral("max_Zeit"), QStringLiteral("Der Wert %1 liegt unter \u201Emin_Zeit\u201C (%2, Vorgabe); ")
                                                 .arg(seconds(bounds.max_Zeit), seconds(bounds.min_Zeit))
                                                 + builtInBoth);
        bounds = builtIn;
    }
    return bounds;
}

ValidityBounds ReadValidityBounds() { return ReadValidityBounds(ProgramPaths::configIni()); }
