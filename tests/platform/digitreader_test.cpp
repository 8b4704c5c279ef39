#include "platform/digitreader.h"
#include "support/testmain.h"

#include <QTest>

class DigitReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void digitsToInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("letters between") << "1a2" << 12;
        QTest::newRow("sign ignored") << "-3" << 3;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("no digit") << "abc" << 0;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("comma ignored") << "2,5" << 25;
        QTest::newRow("blanks") << " 1 0 " << 10;
        QTest::newRow("non-ASCII digits ignored") << QString::fromUtf8("4\u0663\uFF15") << 4;
        QTest::newRow("largest") << "2147483647" << 2147483647;
        QTest::newRow("one beyond") << "2147483648" << 0;
        QTest::newRow("far beyond") << "99999999999999999999999" << 0;
        QTest::newRow("many zeros first") << "0000000000000000000012" << 12;
        QTest::newRow("beyond with letters") << "4x294967296" << 0;
    }
    void digitsToInt()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(DigitsToInt(text), value);
    }

    void decodePointText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("third");
        QTest::newRow("curve point") << "150:150|20" << 150 << 150 << 20;
        QTest::newRow("garbage parts") << "12a:-5|" << 12 << 5 << 0;
        QTest::newRow("leer") << "leer" << 0 << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0 << 0;
        QTest::newRow("point") << "200:80|15" << 200 << 80 << 15;
        QTest::newRow("mirror") << "160:95|41" << 160 << 95 << 41;
        QTest::newRow("blanks") << " 1 : 2 | 3 " << 1 << 2 << 3;
        QTest::newRow("no separators") << "1234" << 1234 << 0 << 0;
        QTest::newRow("only bar") << "5|7" << 5 << 0 << 7;
        QTest::newRow("second colon continues part 2") << "1:2:3|4" << 1 << 23 << 4;
        QTest::newRow("colon after bar back to part 2") << "1|2:3" << 1 << 3 << 2;
        QTest::newRow("bar twice") << "1:2|3|4" << 1 << 2 << 34;
        QTest::newRow("overflow in one part") << "9999999999:5|6" << 0 << 5 << 6;
        QTest::newRow("overflow third") << "1:2|12345678901" << 1 << 2 << 0;
    }
    void decodePointText()
    {
        QFETCH(QString, text);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, third);
        const PointParts p = DecodePointText(text);
        QCOMPARE(p.first, first);
        QCOMPARE(p.second, second);
        QCOMPARE(p.third, third);
    }
};

VR_TEST_CLASS(DigitReaderTest)
#include "digitreader_test.moc"
