#pragma once
#include <QLocale>
#include <QString>

// Number texts as the program shows and stores them: the C-style formats
// "%1.2d", "%4d", "%2d", "%1.0f", "%1.1f", "%.1f", "%1.3f", "%4.4x" (and the
// rest of %[width][.precision]d|f|x), with the decimal separator of the locale.
//   d  precision = least number of digits, zero-padded after the sign
//   x  upper-case hexadecimal of the 32-bit pattern, precision as for d
//   f  precision decimals (default 2), halves rounded away from zero on the
//      decimal expansion, no group separators
// Width pads with blanks on the left. A format the routine does not know
// gives an empty text.
namespace NumberFormat {

QString formatInt(const char *format, qint64 value);
QString formatFloat(const char *format, double value, const QLocale &locale = QLocale());

// Text to floating value in the locale: blanks around the number allowed,
// group separators, other characters and non-finite values ("nan", "inf")
// refused. Returns false when it does not convert.
bool textToFloat(const QString &text, double *value, const QLocale &locale = QLocale());

} // namespace NumberFormat
