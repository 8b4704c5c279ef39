#include "platform/cp1252.h"
#include "support/testmain.h"

#include <QTest>

class Cp1252Test : public QObject
{
    Q_OBJECT

private slots:
    void upperControlRange()
    {
        QCOMPARE(Cp1252::decode("\x80"), QString(QChar(0x20AC)));
        QCOMPARE(Cp1252::decode("\x84\x85\x8A\x96\x99\x9E\x9F"),
                 QString::fromUtf8("\xE2\x80\x9E\xE2\x80\xA6\xC5\xA0\xE2\x80\x93\xE2\x84\xA2\xC5\xBE\xC5\xB8"));
        QCOMPARE(Cp1252::encode(QString(QChar(0x20AC))), QByteArray("\x80"));
        QCOMPARE(Cp1252::encode(QString::fromUtf8("\xE2\x80\x9C" "a\xE2\x80\x9D")), QByteArray("\x93" "a\x94"));
        // Undefined bytes keep their number as control characters, both ways.
        for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
            QCOMPARE(Cp1252::decode(QByteArray(1, char(b))), QString(QChar(b)));
            QCOMPARE(Cp1252::encode(QString(QChar(b))), QByteArray(1, char(b)));
        }
        // Control characters with a printable byte of their own are not mappable.
        QCOMPARE(Cp1252::encode(QString(QChar(0x80))), QByteArray("?"));
    }

    void everyByteRoundTrips()
    {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QString text = Cp1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(Cp1252::encode(text), all);
        QCOMPARE(text.at(0xE4), QChar(0xE4)); // ä
        QCOMPARE(text.at(0xDF), QChar(0xDF)); // ß
    }

    void unmappableCharactersBecomeQuestionMarks()
    {
        QCOMPARE(Cp1252::encode(QString::fromUtf8("\xCE\xA9 \xE2\x82\xAC\xF0\x9F\x99\x82!")), QByteArray("? \x80?!"));
        QCOMPARE(Cp1252::encode(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e")), QByteArray("Gr\xFC\xDF" "e"));
        QCOMPARE(Cp1252::encode(QString()), QByteArray());
    }
};

VR_TEST_CLASS(Cp1252Test)
#include "cp1252_test.moc"
