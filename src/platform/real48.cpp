#include "platform/real48.h"

#include <QLocale>
#include <cmath>
#include <cstdint>
#include <locale>
#include <sstream>
#include <string>

namespace {

constexpr int kMantissaBits = 40;          // significant bits incl. the hidden one
constexpr int kExponentBias = 129;
constexpr std::uint64_t kHidden = std::uint64_t(1) << (kMantissaBits - 1);

// Builds "[-]digits[.digits][e[-]digits]" from text written with the given
// separator and signs; false when the text does not follow that grammar.
bool toCText(const QString &input, const QString &decimalSep, const QStringList &minusSigns,
             const QStringList &plusSigns, std::string *out)
{
    const QString text = input.trimmed();
    int i = 0;
    std::string c;
    auto takeSign = [&](bool *negative) {
        for (const QString &s : minusSigns)
            if (!s.isEmpty() && text.mid(i, s.size()) == s) {
                i += s.size();
                *negative = true;
                return;
            }
        for (const QString &s : plusSigns)
            if (!s.isEmpty() && text.mid(i, s.size()) == s) {
                i += s.size();
                return;
            }
    };
    auto takeDigits = [&]() {
        int n = 0;
        while (i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9') {
            c += char(text.at(i).unicode());
            ++i;
            ++n;
        }
        return n;
    };

    bool negative = false;
    takeSign(&negative);
    if (negative)
        c += '-';
    int digits = takeDigits();
    if (!decimalSep.isEmpty() && text.mid(i, decimalSep.size()) == decimalSep) {
        i += decimalSep.size();
        c += '.';
        digits += takeDigits();
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text.at(i) == u'e' || text.at(i) == u'E')) {
        ++i;
        c += 'e';
        bool expNegative = false;
        takeSign(&expNegative);
        if (expNegative)
            c += '-';
        if (takeDigits() == 0)
            return false;
    }
    if (i != text.size())
        return false;
    *out = c;
    return true;
}

bool cTextToReal48(const std::string &text, Real48 *out)
{
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    long double v = 0;
    in >> v;
    if (in.fail() || !in.eof() || !std::isfinite(v))
        return false;
    Real48::Status status;
    const Real48 r = Real48::fromLongDouble(v, &status);
    if (status == Real48::Status::Overflow || status == Real48::Status::Invalid)
        return false;
    *out = r;
    return true;
}

} // namespace

double Real48::round(long double value, Status *status)
{
    auto report = [status](Status s) {
        if (status)
            *status = s;
    };
    if (std::isnan(value)) {
        report(Status::Invalid);
        return 0.0;
    }
    if (value == 0) {
        report(Status::Exact);
        return 0.0;
    }
    const bool negative = std::signbit(value);
    const double largest = std::ldexp(double((std::uint64_t(1) << kMantissaBits) - 1), 127 - kMantissaBits);
    if (std::isinf(value)) {
        report(Status::Overflow);
        return negative ? -largest : largest;
    }
    int e = 0;
    const long double f = std::frexp(std::fabs(value), &e); // [0.5, 1)
    // All 64 bits of the extended mantissa, then round to 40 bits, ties to even.
    const auto bits = static_cast<std::uint64_t>(std::ldexp(f, 64));
    const int dropped = 64 - kMantissaBits;
    std::uint64_t kept = bits >> dropped;
    const std::uint64_t rest = bits & ((std::uint64_t(1) << dropped) - 1);
    const std::uint64_t half = std::uint64_t(1) << (dropped - 1);
    if (rest > half || (rest == half && (kept & 1)))
        ++kept;
    if (kept == (std::uint64_t(1) << kMantissaBits)) {
        kept >>= 1;
        ++e;
    }
    // value = 0.kept * 2^e = 1.xxx * 2^(e-1); exponent byte = e - 1 + bias
    const int exponentByte = e - 1 + kExponentBias;
    if (exponentByte > 255) {
        report(Status::Overflow);
        return negative ? -largest : largest;
    }
    if (exponentByte < 1) {
        report(Status::Underflow);
        return 0.0;
    }
    report(rest == 0 ? Status::Exact : Status::Rounded);
    const double magnitude = std::ldexp(double(kept), e - kMantissaBits);
    return negative ? -magnitude : magnitude;
}

Real48 Real48::fromLongDouble(long double value, Status *status)
{
    Real48 r;
    r.m_value = round(value, status);
    return r;
}

Real48 Real48::max()
{
    return fromLongDouble(std::ldexp((long double)((std::uint64_t(1) << kMantissaBits) - 1), 127 - kMantissaBits));
}

Real48 Real48::minPositive()
{
    return fromLongDouble(std::ldexp(1.0L, 1 - kExponentBias));
}

Real48 Real48::operator-() const
{
    Real48 r;
    r.m_value = m_value == 0.0 ? 0.0 : -m_value;
    return r;
}

QByteArray Real48::toBytes() const
{
    QByteArray out(6, '\0');
    if (m_value == 0.0)
        return out;
    int e = 0;
    const double f = std::frexp(std::fabs(m_value), &e);
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(f, kMantissaBits)); // hidden bit set
    const std::uint64_t fraction = mantissa - kHidden;                              // 39 bits
    out[0] = char(e - 1 + kExponentBias);
    for (int k = 0; k < 5; ++k)
        out[1 + k] = char((fraction >> (8 * k)) & 0xFF);
    if (m_value < 0)
        out[5] = char(uchar(out.at(5)) | 0x80);
    return out;
}

Real48 Real48::fromBytes(const unsigned char bytes[6])
{
    Real48 r;
    if (bytes[0] == 0)
        return r;
    std::uint64_t fraction = 0;
    for (int k = 0; k < 5; ++k)
        fraction |= std::uint64_t(k == 4 ? (bytes[5] & 0x7F) : bytes[1 + k]) << (8 * k);
    const double magnitude = std::ldexp(double(fraction | kHidden), int(bytes[0]) - kExponentBias - (kMantissaBits - 1));
    r.m_value = (bytes[5] & 0x80) ? -magnitude : magnitude;
    return r;
}

bool Real48::fromBytes(const QByteArray &bytes, Real48 *out)
{
    if (bytes.size() != 6)
        return false;
    unsigned char b[6];
    for (int k = 0; k < 6; ++k)
        b[k] = uchar(bytes.at(k));
    *out = fromBytes(b);
    return true;
}

bool Real48::fromText(const QString &text, Real48 *out)
{
    std::string c;
    if (!toCText(text, QStringLiteral("."), {QStringLiteral("-")}, {QStringLiteral("+")}, &c))
        return false;
    return cTextToReal48(c, out);
}

bool real48FromLocaleText(const QString &text, const QLocale &locale, Real48 *out)
{
    const QStringList minus{locale.negativeSign(), QStringLiteral("-")};
    const QStringList plus{locale.positiveSign(), QStringLiteral("+")};
    std::string c;
    if (!toCText(text, locale.decimalPoint(), minus, plus, &c))
        return false;
    return cTextToReal48(c, out);
}
