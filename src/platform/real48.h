#pragma once
#include <QByteArray>
#include <QString>

class QLocale;

// The 6-byte real of the old Pascal runtime: sign bit, 39 stored mantissa bits
// (40 significant bits with the hidden one), 8-bit exponent with bias 129; an
// exponent byte of 0 is the value 0. Range about 2.9e-39 .. 1.7e38.
//
// The value is held as a double, which represents every such number exactly.
// Everything that makes a Real48 from a long double (x86 80-bit extended)
// rounds to nearest, ties to even, exactly once:
//   - below the smallest normal magnitude (2^-128) the result is 0;
//   - above the largest magnitude it is clamped to +/-max();
//   - NaN gives 0.
// Arithmetic is done in long double and the result rounded into Real48, as the
// old runtime did when it stored the result of an expression into a Real48.
// Comparisons against long double values are done in extended precision.
class Real48
{
public:
    enum class Status { Exact, Rounded, Underflow, Overflow, Invalid };

    constexpr Real48() = default;
    explicit Real48(long double value) : m_value(round(value, nullptr)) {}

    static Real48 fromLongDouble(long double value, Status *status = nullptr);

    // Decimal text with '.' as separator, independent of the process locale:
    // optional sign, digits, optional fraction, optional exponent, blanks around.
    // Parsed to long double, then rounded once. A value beyond the range of
    // Real48 (or of long double) does not convert; a tiny one gives 0.
    static bool fromText(const QString &text, Real48 *out);

    // Packed form as the old runtime stored it, little-endian: byte 0 the
    // exponent, bytes 1..5 the mantissa with the sign in the top bit of byte 5.
    QByteArray toBytes() const;
    static Real48 fromBytes(const unsigned char bytes[6]);
    static bool fromBytes(const QByteArray &bytes, Real48 *out); // false unless 6 bytes

    static Real48 max();         // (2 - 2^-39) * 2^126
    static Real48 minPositive(); // 2^-128

    long double value() const { return m_value; }
    double toDouble() const { return m_value; }
    bool isZero() const { return m_value == 0.0; }

    Real48 operator-() const;
    Real48 &operator+=(long double v) { *this = Real48(value() + v); return *this; }
    Real48 &operator-=(long double v) { *this = Real48(value() - v); return *this; }
    Real48 &operator*=(long double v) { *this = Real48(value() * v); return *this; }
    Real48 &operator/=(long double v) { *this = Real48(value() / v); return *this; }
    Real48 &operator+=(Real48 v) { return *this += v.value(); }
    Real48 &operator-=(Real48 v) { return *this -= v.value(); }
    Real48 &operator*=(Real48 v) { return *this *= v.value(); }
    Real48 &operator/=(Real48 v) { return *this /= v.value(); }

private:
    static double round(long double value, Status *status);
    double m_value = 0.0;
};

inline Real48 operator+(Real48 a, Real48 b) { return a += b; }
inline Real48 operator-(Real48 a, Real48 b) { return a -= b; }
inline Real48 operator*(Real48 a, Real48 b) { return a *= b; }
inline Real48 operator/(Real48 a, Real48 b) { return a /= b; }

inline bool operator==(Real48 a, Real48 b) { return a.value() == b.value(); }
inline bool operator!=(Real48 a, Real48 b) { return a.value() != b.value(); }
inline bool operator<(Real48 a, Real48 b) { return a.value() < b.value(); }
inline bool operator<=(Real48 a, Real48 b) { return a.value() <= b.value(); }
inline bool operator>(Real48 a, Real48 b) { return a.value() > b.value(); }
inline bool operator>=(Real48 a, Real48 b) { return a.value() >= b.value(); }

inline bool operator==(Real48 a, long double b) { return a.value() == b; }
inline bool operator!=(Real48 a, long double b) { return a.value() != b; }
inline bool operator<(Real48 a, long double b) { return a.value() < b; }
inline bool operator<=(Real48 a, long double b) { return a.value() <= b; }
inline bool operator>(Real48 a, long double b) { return a.value() > b; }
inline bool operator>=(Real48 a, long double b) { return a.value() >= b; }

inline bool operator==(long double a, Real48 b) { return a == b.value(); }
inline bool operator!=(long double a, Real48 b) { return a != b.value(); }
inline bool operator<(long double a, Real48 b) { return a < b.value(); }
inline bool operator<=(long double a, Real48 b) { return a <= b.value(); }
inline bool operator>(long double a, Real48 b) { return a > b.value(); }
inline bool operator>=(long double a, Real48 b) { return a >= b.value(); }

// A running sum held as Real48 and rounded after every addition.
class Real48Sum
{
public:
    void add(long double v)
    {
        m_sum += v;
        ++m_count;
    }
    void add(Real48 v) { add(v.value()); }
    Real48 sum() const { return m_sum; }
    int count() const { return m_count; }
    void clear()
    {
        m_sum = Real48();
        m_count = 0;
    }

private:
    Real48 m_sum;
    int m_count = 0;
};

// Decimal text in the given locale: blanks around, optional sign, digits with
// exactly the locale's decimal separator, optional exponent ("e"/"E"); group
// separators and any other character are refused. Rounded once into Real48.
// Returns false (and leaves *out alone) when the text does not convert.
bool real48FromLocaleText(const QString &text, const QLocale &locale, Real48 *out);
