#include "platform/real48.h"
#include "support/testmain.h"

#include <QLocale>
#include <QTest>
#include <cmath>

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

Real48 german(const char *text)
{
    Real48 r;
    if (!real48FromLocaleText(QString::fromUtf8(text), kGerman, &r))
        qFatal("no number: %s", text);
    return r;
}

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += char(b);
    return out;
}

// Test 1 status rule: t = ticks * 0.01 s in extended precision, both bounds inclusive.
bool staticValid(int ticks, Real48 minZeit, Real48 maxZeit)
{
    const long double t = ticks * 0.01L;
    return minZeit <= t && t <= maxZeit;
}

// Test 2 rule: the tick count against bound * 100 in extended precision.
bool randomInTime(int ticks, Real48 minZeit, Real48 maxZeit)
{
    return ticks >= minZeit.value() * 100 && ticks <= maxZeit.value() * 100;
}

} // namespace

// Shown by QCOMPARE when two values differ.
char *toString(const Real48 &r)
{
    return qstrdup(QByteArray::number(r.toDouble(), 'g', 17) + " [" + r.toBytes().toHex(' ') + ']');
}

class Real48Test : public QObject
{
    Q_OBJECT

private slots:
    void defaultBoundsAreHeldSlightlyAboveTheirDecimalValue()
    {
        const Real48 lo = german("0,1");
        const Real48 hi = german("0,8");
        // 0x1999999999A * 2^-44 and 2^-41: the 40-bit mantissa rounded up.
        QCOMPARE(lo.value(), std::ldexp(static_cast<long double>(0x1999999999AULL), -44));
        QCOMPARE(hi.value(), std::ldexp(static_cast<long double>(0x1999999999AULL), -41));
        QVERIFY(lo > 0.1L);
        QVERIFY(hi > 0.8L);
        QVERIFY(lo.value() - 0.1L < 1e-13L);
        QVERIFY(hi.value() - 0.8L < 1e-12L);
        QCOMPARE(lo.toBytes(), bytes({0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C}));

        Real48 viaC;
        QVERIFY(Real48::fromText(QStringLiteral("0.1"), &viaC));
        QCOMPARE(viaC, lo);
        QCOMPARE(Real48(0.1L), lo);
    }

    void staticRunBoundaryTicks_data()
    {
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("valid");
        QTest::newRow("timed out") << 0 << false;
        QTest::newRow("before target") << -12 << false;
        QTest::newRow("10 ticks") << 10 << false;
        QTest::newRow("11 ticks") << 11 << true;
        QTest::newRow("23 ticks") << 23 << true;
        QTest::newRow("80 ticks") << 80 << true;
        QTest::newRow("81 ticks") << 81 << false;
        QTest::newRow("149 ticks") << 149 << false;
    }
    void staticRunBoundaryTicks()
    {
        QFETCH(int, ticks);
        QFETCH(bool, valid);
        QCOMPARE(staticValid(ticks, german("0,1"), german("0,8")), valid);
    }

    void randomRunBoundaryTicks()
    {
        const Real48 lo = german("0,1");
        const Real48 hi = german("0,8");
        QVERIFY(!randomInTime(10, lo, hi));
        QVERIFY(randomInTime(11, lo, hi));
        QVERIFY(randomInTime(80, lo, hi));
        QVERIFY(!randomInTime(81, lo, hi));
        // With a bound of 0 the timed-out row (0 ticks) is in time.
        QVERIFY(randomInTime(0, Real48(), hi));
        // Bounds that are exact in binary keep their tick inclusive.
        QVERIFY(randomInTime(25, german("0,25"), german("0,5")));
        QVERIFY(randomInTime(50, german("0,25"), german("0,5")));
        QVERIFY(!randomInTime(51, german("0,25"), german("0,5")));
    }

    void roundsToNearestTiesToEven()
    {
        const long double one = 1.0L;
        const long double ulp = std::ldexp(1.0L, -39); // spacing of Real48 in [1, 2)
        Real48::Status status;

        QCOMPARE(Real48::fromLongDouble(one + ulp / 2, &status).value(), one); // tie, even is 1
        QCOMPARE(status, Real48::Status::Rounded);
        QCOMPARE(Real48::fromLongDouble(one + 3 * ulp / 2).value(), one + 2 * ulp); // tie, even above
        QCOMPARE(Real48::fromLongDouble(one + ulp / 2 + std::ldexp(1.0L, -60)).value(), one + ulp);
        QCOMPARE(Real48::fromLongDouble(one + ulp / 2 - std::ldexp(1.0L, -60)).value(), one);
        QCOMPARE(Real48::fromLongDouble(-(one + ulp / 2)).value(), -one);
        QCOMPARE(Real48::fromLongDouble(-(one + 3 * ulp / 2)).value(), -(one + 2 * ulp));

        QCOMPARE(Real48::fromLongDouble(one + ulp, &status).value(), one + ulp);
        QCOMPARE(status, Real48::Status::Exact);

        // Rounding up out of the binade carries into the exponent.
        const Real48 two = Real48::fromLongDouble(2.0L - std::ldexp(1.0L, -41));
        QCOMPARE(two.value(), 2.0L);
        QCOMPARE(two.toBytes(), bytes({0x82, 0, 0, 0, 0, 0}));
    }

    void rangeEnds()
    {
        Real48::Status status;
        const long double smallest = std::ldexp(1.0L, -128);
        QCOMPARE(Real48::minPositive().value(), smallest);
        QVERIFY(std::fabs(Real48::minPositive().toDouble() - 2.9387e-39) < 1e-42);
        QVERIFY(std::fabs(Real48::max().toDouble() / 1.7014118346e38 - 1) < 1e-9);

        QVERIFY(Real48::fromLongDouble(smallest / 2, &status).isZero());
        QCOMPARE(status, Real48::Status::Underflow);
        QVERIFY(Real48::fromLongDouble(-smallest * 0.75L).isZero());
        // Just below the smallest magnitude, rounding reaches it.
        QCOMPARE(Real48::fromLongDouble(smallest * (1 - std::ldexp(1.0L, -50))).value(), smallest);

        QCOMPARE(Real48::fromLongDouble(1e39L, &status), Real48::max());
        QCOMPARE(status, Real48::Status::Overflow);
        QCOMPARE(Real48::fromLongDouble(-HUGE_VALL), -Real48::max());
        QVERIFY(Real48::fromLongDouble(NAN, &status).isZero());
        QCOMPARE(status, Real48::Status::Invalid);

        // Texts out of range do not convert; tiny ones read as 0.
        Real48 r = german("7");
        QVERIFY(!Real48::fromText(QStringLiteral("1e39"), &r));
        QVERIFY(!Real48::fromText(QStringLiteral("1e5000"), &r));
        QCOMPARE(r.value(), 7.0L);
        QVERIFY(Real48::fromText(QStringLiteral("1e-50"), &r));
        QVERIFY(r.isZero());
        QVERIFY(Real48::fromText(QStringLiteral("1.7e38"), &r));
    }

    void packedBytesRoundTrip_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("one") << 1.0;
        QTest::newRow("minus one") << -1.0;
        QTest::newRow("0.1") << 0.1;
        QTest::newRow("-0.8") << -0.8;
        QTest::newRow("1490") << 1490.0;
        QTest::newRow("123.456") << 123.456;
        QTest::newRow("-3.5e-20") << -3.5e-20;
        QTest::newRow("max") << Real48::max().toDouble();
        QTest::newRow("min") << Real48::minPositive().toDouble();
        QTest::newRow("-min") << -Real48::minPositive().toDouble();
    }
    void packedBytesRoundTrip()
    {
        QFETCH(double, value);
        const Real48 r(value);
        const QByteArray packed = r.toBytes();
        QCOMPARE(packed.size(), 6);
        Real48 back(99);
        QVERIFY(Real48::fromBytes(packed, &back));
        QCOMPARE(back, r);
        QCOMPARE(back.toBytes(), packed);
    }

    void packedBytesLayout()
    {
        QCOMPARE(Real48(1).toBytes(), bytes({0x81, 0, 0, 0, 0, 0}));
        QCOMPARE(Real48(-1).toBytes(), bytes({0x81, 0, 0, 0, 0, 0x80}));
        QCOMPARE(Real48(0.5).toBytes(), bytes({0x80, 0, 0, 0, 0, 0}));
        QCOMPARE(Real48(3).toBytes(), bytes({0x82, 0, 0, 0, 0, 0x40}));
        QCOMPARE(Real48().toBytes(), QByteArray(6, '\0'));
        QCOMPARE(Real48::max().toBytes(), bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}));
        QCOMPARE(Real48::minPositive().toBytes(), bytes({0x01, 0, 0, 0, 0, 0}));

        Real48 r(5);
        QVERIFY(Real48::fromBytes(bytes({0x00, 0x12, 0x34, 0x56, 0x78, 0xFF}), &r));
        QVERIFY(r.isZero()); // exponent byte 0 is zero whatever the mantissa
        QVERIFY(!Real48::fromBytes(bytes({0x81, 0, 0, 0, 0}), &r));
        QVERIFY(r.isZero());
    }

    void sumsRoundAfterEveryAddition()
    {
        // 1e12 has a spacing of 1 in Real48: each 0.3 is lost on its own,
        // while the exact sum rounds up to the next value.
        Real48Sum sum;
        long double exact = 0;
        for (long double v : {1e12L, 0.3L, 0.3L}) {
            sum.add(v);
            exact += v;
        }
        QCOMPARE(sum.count(), 3);
        QCOMPARE(sum.sum().value(), 1e12L);
        QCOMPARE(Real48(exact).value(), 1e12L + 1);

        Real48Sum halves;
        halves.add(1.0L);
        halves.add(std::ldexp(1.0L, -40));
        halves.add(std::ldexp(1.0L, -40));
        QCOMPARE(halves.sum().value(), 1.0L);
        QVERIFY(Real48(1.0L + std::ldexp(1.0L, -39)) != halves.sum());

        halves.clear();
        QCOMPARE(halves.count(), 0);
        QVERIFY(halves.sum().isZero());
    }

    void seriesStatisticsOfWholeMilliseconds()
    {
        // Times 230, 250, 270: mean 250, deviation 20, all exact in Real48.
        Real48Sum sum;
        for (int v : {230, 250, 270})
            sum.add(v);
        const Real48 mean = sum.sum() / Real48(sum.count());
        Real48Sum squares;
        for (int v : {230, 250, 270})
            squares.add((v - mean.value()) * (v - mean.value()));
        QCOMPARE(mean.value(), 250.0L);
        QCOMPARE(std::sqrt(squares.sum().value() / (squares.count() - 1)), 20.0L);

        // A mean that is not exact is held rounded to 40 bits.
        const Real48 third = Real48(751) / Real48(3);
        QVERIFY(third.value() != 751.0L / 3);
        QVERIFY(std::fabs(third.value() - 751.0L / 3) < std::ldexp(1.0L, -32));
    }

    void arithmeticRoundsEveryResult()
    {
        const Real48 a = german("0,1");
        const Real48 b = german("0,2");
        QCOMPARE((a + b).value(), Real48(a.value() + b.value()).value());
        QCOMPARE((a * b).value(), Real48(a.value() * b.value()).value());
        Real48 back;
        QVERIFY(Real48::fromBytes((a / b).toBytes(), &back));
        QCOMPARE(back, a / b);
        QCOMPARE((b - a - a).value(), Real48(Real48(b.value() - a.value()).value() - a.value()).value());

        QCOMPARE(Real48(1) / Real48(), Real48::max());
        QCOMPARE(Real48(-1) / Real48(), -Real48::max());
        QVERIFY((Real48() / Real48()).isZero());
        QCOMPARE(Real48::max() + Real48::max(), Real48::max());
    }

    void localeTextConversion_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("de 0,1") << "de_DE" << "0,1" << true << 0.1;
        QTest::newRow("de blanks") << "de_DE" << " \t6,5  " << true << 6.5;
        QTest::newRow("de sign") << "de_DE" << "-1,5e2" << true << -150.0;
        QTest::newRow("de plus") << "de_DE" << "+2" << true << 2.0;
        QTest::newRow("de exponent sign") << "de_DE" << "25E-2" << true << 0.25;
        QTest::newRow("de trailing sep") << "de_DE" << "5," << true << 5.0;
        QTest::newRow("de leading sep") << "de_DE" << ",5" << true << 0.5;
        QTest::newRow("de point") << "de_DE" << "0.1" << false << 0.0;
        QTest::newRow("de group") << "de_DE" << "6.500" << false << 0.0;
        QTest::newRow("de group 2") << "de_DE" << "1.000,5" << false << 0.0;
        QTest::newRow("de empty") << "de_DE" << "" << false << 0.0;
        QTest::newRow("de blanks only") << "de_DE" << "   " << false << 0.0;
        QTest::newRow("de sep only") << "de_DE" << "," << false << 0.0;
        QTest::newRow("de letters") << "de_DE" << "0,1s" << false << 0.0;
        QTest::newRow("de inner blank") << "de_DE" << "0, 1" << false << 0.0;
        QTest::newRow("de two signs") << "de_DE" << "--1" << false << 0.0;
        QTest::newRow("de bare exponent") << "de_DE" << "1e" << false << 0.0;
        QTest::newRow("de nan") << "de_DE" << "nan" << false << 0.0;
        QTest::newRow("de inf") << "de_DE" << "inf" << false << 0.0;
        QTest::newRow("de hex") << "de_DE" << "0x10" << false << 0.0;
        QTest::newRow("de too big") << "de_DE" << "1e40" << false << 0.0;
        QTest::newRow("en 0.8") << "en_US" << "0.8" << true << 0.8;
        QTest::newRow("en comma") << "en_US" << "0,8" << false << 0.0;
        QTest::newRow("en group") << "en_US" << "6,500" << false << 0.0;
    }
    void localeTextConversion()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        Real48 r(42);
        QCOMPARE(real48FromLocaleText(text, QLocale(locale), &r), ok);
        if (ok)
            QCOMPARE(r, Real48(static_cast<long double>(value)));
        else
            QCOMPARE(r.value(), 42.0L); // untouched
    }

    void plainTextIgnoresTheDefaultLocale()
    {
        const QLocale old;
        QLocale::setDefault(kGerman);
        Real48 r;
        QVERIFY(Real48::fromText(QStringLiteral(" 0.8 "), &r));
        QCOMPARE(r, Real48(0.8L));
        QVERIFY(!Real48::fromText(QStringLiteral("0,8"), &r));
        QLocale::setDefault(old);
        QVERIFY(real48FromLocaleText(QStringLiteral("0.8"), kEnglish, &r));
    }
};

VR_TEST_CLASS(Real48Test)
#include "real48_test.moc"
