#include "platform/digitreader.h"

#include <climits>

int DigitsToInt(const QString &text)
{
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            continue;
        value = value * 10 + (c.unicode() - u'0');
        if (value > INT_MAX)
            return 0;
    }
    return static_cast<int>(value);
}

PointParts DecodePointText(const QString &text)
{
    QString parts[3];
    int current = 0;
    for (const QChar c : text) {
        if (c == u':')
            current = 1;
        else if (c == u'|')
            current = 2;
        else
            parts[current] += c;
    }
    PointParts result;
    result.first = DigitsToInt(parts[0]);
    result.second = DigitsToInt(parts[1]);
    result.third = DigitsToInt(parts[2]);
    return result;
}
