#pragma once
#include "platform/real48.h"

#include <QLocale>
#include <QString>

// The time window in which a reaction is valid, in seconds, held as the old
// 6-byte reals (so 0.1 is slightly above 0.1).
struct ValidityBounds
{
    Real48 min_Zeit{0.1L};
    Real48 max_Zeit{0.8L};

    // Test 1: t = ticks * 0.01 s in extended precision, min_Zeit <= t <= max_Zeit.
    bool validStatic(int ticks) const;
    // Test 2: min_Zeit * 100 <= ticks <= max_Zeit * 100 in extended precision.
    bool inTimeRandom(int ticks) const;
};

// Reads "min_Zeit" and "max_Zeit" of section "ER_TEST" in the given profile
// file (defaults "0,1" and "0,8"); "0,1" and "0.1" are both read, whatever
// the locale's decimal separator. A value that does not convert shows
// "\r\nFehler beim Lesen von CONFIG.INI !" with the file, key and value, and
// keeps the built-in bound. "min_Zeit" above "max_Zeit", or a file that
// exists but cannot be read, gives the same message and both built-in bounds.
// A missing file or key gives the defaults without a message.
ValidityBounds ReadValidityBounds(const QString &iniPath, const QLocale &locale = QLocale());
// The same for "config.ini" in the program folder.
ValidityBounds ReadValidityBounds();
