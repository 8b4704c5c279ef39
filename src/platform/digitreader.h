#pragma once
#include <QString>

// The two digit-only number readers: every character other than the ASCII
// digits "0"-"9" is ignored, so signs, blanks and letters never count and the
// result is never negative. No digit gives 0.
//
// A number whose digits exceed the range of a 32-bit int (more than
// 2147483647) reads as 0 instead of wrapping around; callers treat 0 as
// "no usable number" (an invalid series count, an empty point part).

int DigitsToInt(const QString &text);

struct PointParts
{
    int first = 0;
    int second = 0;
    int third = 0;
};

// Point text X ":" Y "|" T. Walking from the first character, ":" switches to
// part 2 and "|" to part 3 (neither belongs to a part); a later ":" or "|"
// switches again, so "1|2:3" puts 2 into part 3 and 3 into part 2. Each part
// is then read with DigitsToInt.
PointParts DecodePointText(const QString &text);
