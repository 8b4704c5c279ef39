#include "platform/numberformat.h"

#include <cmath>
#include <cstdio>

namespace {

struct FormatParts
{
    int width = 0;
    int precision = -1;
    char conversion = 0;
};

bool parseFormat(const char *format, FormatParts *parts)
{
    const char *p = format;
    if (!p || *p != '%')
        return false;
    ++p;
    while (*p >= '0' && *p <= '9')
        parts->width = parts->width * 10 + (*p++ - '0');
    if (*p == '.') {
        ++p;
        parts->precision = 0;
        while (*p >= '0' && *p <= '9')
            parts->precision = parts->precision * 10 + (*p++ - '0');
    }
    parts->conversion = *p;
    if (*p == 0 || p[1] != 0)
        return false;
    return parts->conversion == 'd' || parts->conversion == 'x' || parts->conversion == 'f';
}

QString padLeft(const QString &text, int width)
{
    return text.size() >= width ? text : QString(width - text.size(), u' ') + text;
}

// Rounds the decimal expansion of |value| (18 significant digits) half away
// from zero to `decimals` places; returns integer and fraction digit strings.
void roundDecimal(double value, int decimals, QByteArray *intPart, QByteArray *fracPart)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", std::fabs(value));
    // buf = d.ddddddddddddddddde[+-]xx
    QByteArray text(buf);
    const int ePos = text.indexOf('e');
    const int exponent = text.mid(ePos + 1).toInt();
    QByteArray digits = text.left(1) + text.mid(2, ePos - 2); // 18 digits, point after the first
    int pointPos = exponent + 1;                              // digits before the decimal point
    if (pointPos < 0) {
        digits = QByteArray(-pointPos, '0') + digits;
        pointPos = 0;
    }
    if (digits.size() < pointPos + decimals + 1)
        digits += QByteArray(pointPos + decimals + 1 - digits.size(), '0');
    const int keep = pointPos + decimals;
    const bool up = digits.at(keep) >= '5';
    digits.truncate(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && digits.at(i) == '9') {
            digits[i] = '0';
            --i;
        }
        if (i >= 0)
            digits[i] = char(digits.at(i) + 1);
        else {
            digits.prepend('1');
            ++pointPos;
        }
    }
    *intPart = digits.left(pointPos);
    if (intPart->isEmpty())
        *intPart = "0";
    while (intPart->size() > 1 && intPart->at(0) == '0')
        intPart->remove(0, 1);
    *fracPart = digits.mid(pointPos);
}

} // namespace

namespace NumberFormat {

QString formatInt(const char *format, qint64 value)
{
    FormatParts parts;
    if (!parseFormat(format, &parts) || parts.conversion == 'f')
        return QString();
    QString digits;
    QString sign;
    if (parts.conversion == 'x') {
        digits = QString::number(static_cast<quint32>(value), 16).toUpper();
    } else {
        if (value < 0)
            sign = QStringLiteral("-");
        const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
        digits = QString::number(magnitude);
    }
    if (parts.precision > digits.size())
        digits = QString(parts.precision - digits.size(), u'0') + digits;
    return padLeft(sign + digits, parts.width);
}

QString formatFloat(const char *format, double value, const QLocale &locale)
{
    FormatParts parts;
    if (!parseFormat(format, &parts))
        return QString();
    if (parts.conversion != 'f')
        return formatInt(format, static_cast<qint64>(value));
    if (std::isnan(value))
        return padLeft(QStringLiteral("NAN"), parts.width);
    if (std::isinf(value))
        return padLeft(value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF"), parts.width);
    const int decimals = parts.precision < 0 ? 2 : parts.precision;
    QByteArray intPart, fracPart;
    roundDecimal(value, decimals, &intPart, &fracPart);
    const bool zero = intPart == "0" && fracPart.count('0') == fracPart.size();
    QString text = QString::fromLatin1(intPart);
    if (decimals > 0)
        text += locale.decimalPoint() + QString::fromLatin1(fracPart);
    if (value < 0 && !zero)
        text.prepend(u'-');
    return padLeft(text, parts.width);
}

bool textToFloat(const QString &text, double *value, const QLocale &locale)
{
    QLocale loc = locale;
    loc.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = loc.toDouble(text.trimmed(), &ok);
    // QLocale reads "nan" and "inf"; they are no numbers here.
    ok = ok && std::isfinite(v);
    if (ok && value)
        *value = v;
    return ok;
}

} // namespace NumberFormat
