#include "platform/numberformat.h"
#include "support/testmain.h"

#include <QTest>
#include <cmath>

namespace {
const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
} // namespace

class NumberFormatTest : public QObject
{
    Q_OBJECT

private slots:
    void integers_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("time zero") << "%1.2d" << qint64(0) << "00";
        QTest::newRow("time 230") << "%1.2d" << qint64(230) << "230";
        QTest::newRow("time -120") << "%1.2d" << qint64(-120) << "-120";
        QTest::newRow("time -5") << "%1.2d" << qint64(-5) << "-05";
        QTest::newRow("time 7") << "%1.2d" << qint64(7) << "07";
        QTest::newRow("pad 4") << "%4d" << qint64(5) << "   5";
        QTest::newRow("pad 4 negative") << "%4d" << qint64(-12) << " -12";
        QTest::newRow("pad 2 too long") << "%2d" << qint64(123) << "123";
        QTest::newRow("pad 2") << "%2d" << qint64(3) << " 3";
        QTest::newRow("plain") << "%d" << qint64(-2147483648LL) << "-2147483648";
        QTest::newRow("int64 min") << "%d" << std::numeric_limits<qint64>::min() << "-9223372036854775808";
        QTest::newRow("hex 255") << "%4.4x" << qint64(255) << "00FF";
        QTest::newRow("hex -1") << "%4.4x" << qint64(-1) << "FFFFFFFF";
        QTest::newRow("hex 0") << "%4.4x" << qint64(0) << "0000";
        QTest::newRow("hex wide") << "%6.2x" << qint64(10) << "    0A";
        QTest::newRow("float format") << "%1.0f" << qint64(3) << "";
        QTest::newRow("unknown") << "%s" << qint64(3) << "";
        QTest::newRow("no percent") << "1.2d" << qint64(3) << "";
        QTest::newRow("trailing text") << "%dms" << qint64(3) << "";
    }
    void integers()
    {
        QFETCH(QString, format);
        QFETCH(qint64, value);
        QFETCH(QString, text);
        QCOMPARE(NumberFormat::formatInt(format.toLatin1().constData(), value), text);
    }

    void floats_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("german");
        QTest::addColumn<QString>("english");
        QTest::newRow("half up") << "%1.0f" << 302.5 << "303" << "303";
        QTest::newRow("2.5") << "%1.0f" << 2.5 << "3" << "3";
        QTest::newRow("-2.5") << "%1.0f" << -2.5 << "-3" << "-3";
        QTest::newRow("below half") << "%1.0f" << 249.4999 << "249" << "249";
        QTest::newRow("0.15 expansion") << "%1.1f" << 0.15 << "0,1" << "0.1";
        QTest::newRow("0.25 exact half") << "%1.1f" << 0.25 << "0,3" << "0.3";
        QTest::newRow("one decimal") << "%.1f" << 12.34 << "12,3" << "12.3";
        QTest::newRow("three decimals") << "%1.3f" << 6.5 << "6,500" << "6.500";
        QTest::newRow("carry") << "%1.1f" << 9.96 << "10,0" << "10.0";
        QTest::newRow("carry to new digit") << "%1.0f" << 999.5 << "1000" << "1000";
        QTest::newRow("small") << "%1.1f" << 0.001 << "0,0" << "0.0";
        QTest::newRow("negative to zero") << "%1.1f" << -0.04 << "0,0" << "0.0";
        QTest::newRow("zero") << "%1.0f" << 0.0 << "0" << "0";
        QTest::newRow("no group separator") << "%1.2f" << 1234567.891 << "1234567,89" << "1234567.89";
        QTest::newRow("default precision") << "%f" << 1.005 << "1,00" << "1.00";
        QTest::newRow("width") << "%8.2f" << -3.14159 << "   -3,14" << "   -3.14";
        QTest::newRow("large") << "%1.0f" << 1e20 << "100000000000000000000" << "100000000000000000000";
    }
    void floats()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, german);
        QFETCH(QString, english);
        const QByteArray f = format.toLatin1();
        QCOMPARE(NumberFormat::formatFloat(f.constData(), value, kGerman), german);
        QCOMPARE(NumberFormat::formatFloat(f.constData(), value, kEnglish), english);
    }

    void floatUsesTheDefaultLocale()
    {
        const QLocale old;
        QLocale::setDefault(kGerman);
        QCOMPARE(NumberFormat::formatFloat("%.1f", 0.5), QStringLiteral("0,5"));
        QLocale::setDefault(kEnglish);
        QCOMPARE(NumberFormat::formatFloat("%.1f", 0.5), QStringLiteral("0.5"));
        QLocale::setDefault(old);
    }

    void textToFloat_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("de blanks") << "de_DE" << " 6,5 " << true << 6.5;
        QTest::newRow("de plain") << "de_DE" << "0,1" << true << 0.1;
        QTest::newRow("de negative") << "de_DE" << "-12" << true << -12.0;
        QTest::newRow("de group") << "de_DE" << "6.500" << false << 0.0;
        QTest::newRow("de point") << "de_DE" << "0.1" << false << 0.0;
        QTest::newRow("de letters") << "de_DE" << "6,5x" << false << 0.0;
        QTest::newRow("de empty") << "de_DE" << "" << false << 0.0;
        QTest::newRow("de nan") << "de_DE" << "nan" << false << 0.0;
        QTest::newRow("de inf") << "de_DE" << "inf" << false << 0.0;
        QTest::newRow("de -inf") << "de_DE" << "-inf" << false << 0.0;
        QTest::newRow("de overflow") << "de_DE" << "1e999" << false << 0.0;
        QTest::newRow("en point") << "en_US" << "6.500" << true << 6.5;
        QTest::newRow("en group") << "en_US" << "6,500" << false << 0.0;
    }
    void textToFloat()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        double v = 42;
        QCOMPARE(NumberFormat::textToFloat(text, &v, QLocale(locale)), ok);
        QCOMPARE(v, ok ? value : 42.0);
    }
};

VR_TEST_CLASS(NumberFormatTest)
#include "numberformat_test.moc"
