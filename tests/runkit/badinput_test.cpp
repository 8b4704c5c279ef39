#include "platform/programpaths.h"
#include "runkit/runsettings.h"
#include "runkit/sightrender.h"
#include "runkit/validitybounds.h"
#include "support/badbitmaps.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

[[nodiscard]] bool writeAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString quoted(const QString &path) { return QStringLiteral("„") + QDir::toNativeSeparators(path) + QStringLiteral("“"); }
} // namespace

// Damaged sight pictures and config.ini files: each is refused with a German
// message that names the file (and key), and leaves the file as it was.
class BadInputTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { RunSettings::instance().VisierDatei.clear(); }

    void brokenSightPicture_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        for (const BadBitmap &bad : BadBitmaps(200, 150))
            QTest::newRow(bad.name.constData()) << bad.bytes << bad.reason;
    }

    // Tests 1, 2 and 3 render the sight this way: the message, then the sight drawn from the profile.
    void brokenSightPicture()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        Sandbox box;
        ScriptedMessages messages;
        const QString path = QDir(ProgramPaths::vdataDir()).filePath(QStringLiteral("visier.bmp"));
        QVERIFY(writeAll(path, bytes));
        RunSettings::instance().VisierDatei = QStringLiteral("visier.bmp");
        SightProfile profile;
        profile.DiopVis_Size = 80;
        profile.A_Korntunnel = 50;
        profile.I_Korntunnel = 40;
        profile.A_Ringkorn = 20;
        profile.I_Ringkorn = 12;
        const QImage sight = RenderSight(300, 300, profile, SightPictureFile());

        QCOMPARE(messages.count(), 1);
        const ScriptedMessages::Shown &m = messages.shown().first();
        QCOMPARE(m.kind, MessageService::Kind::Error);
        QVERIFY2(m.text.startsWith(QStringLiteral("Fehler beim Laden des Visiers !\r\n")), qPrintable(m.text));
        QVERIFY2(m.text.contains(quoted(path)), qPrintable(m.text));
        QVERIFY2(m.text.contains(reason), qPrintable(m.text));
        messages.clear();
        QCOMPARE(sight, RenderSight(300, 300, profile, QString()));
        QCOMPARE(readAll(path), bytes);
    }

    void badConfigIni_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("file");         // "-": none; "/": a folder of that name
        QTest::addColumn<QStringList>("keys");        // key named by each message; "" for the whole file
        QTest::addColumn<QStringList>("fragments");   // what each message says about it
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");

        const QString de = QStringLiteral("de_DE");
        const QString builtIn = QStringLiteral("es gelten 0,1 und 0,8 Sekunden.");
        // A missing file or key gives the defaults without a message.
        QTest::newRow("no file") << de << QByteArray("-") << QStringList() << QStringList() << 0.1 << 0.8;
        QTest::newRow("section without keys") << de << QByteArray("[ER_TEST]\r\n") << QStringList() << QStringList() << 0.1 << 0.8;
        QTest::newRow("only min_Zeit") << de << QByteArray("[ER_TEST]\r\nmin_Zeit=0,2\r\n") << QStringList() << QStringList()
                                       << 0.2 << 0.8;
        QTest::newRow("equal bounds") << de << QByteArray("[ER_TEST]\r\nmin_Zeit=0,3\r\nmax_Zeit=0,3\r\n") << QStringList()
                                      << QStringList() << 0.3 << 0.3;
        // Inverted bounds: both built-in ones apply.
        QTest::newRow("min above max") << de << QByteArray("[ER_TEST]\r\nmin_Zeit=0,9\r\nmax_Zeit=0,5\r\n")
                                       << QStringList{"min_Zeit"}
                                       << QStringList{"Der Wert 0,9 liegt über „max_Zeit“ (0,5); " + builtIn} << 0.1 << 0.8;
        QTest::newRow("min above the default max") << de << QByteArray("[ER_TEST]\r\nmin_Zeit=0.95\r\n")
                                                   << QStringList{"min_Zeit"}
                                                   << QStringList{"Der Wert 0,95 liegt über „max_Zeit“ (0,8, Vorgabe)"}
                                                   << 0.1 << 0.8;
        QTest::newRow("max below the default min") << de << QByteArray("[ER_TEST]\r\nmax_Zeit=0,05\r\n")
                                                   << QStringList{"max_Zeit"}
                                                   << QStringList{"Der Wert 0,05 liegt unter „min_Zeit“ (0,1, Vorgabe)"}
                                                   << 0.1 << 0.8;
        QTest::newRow("inverted under a point locale") << QStringLiteral("en_US")
                                                       << QByteArray("[ER_TEST]\r\nmin_Zeit=0.6\r\nmax_Zeit=0.25\r\n")
                                                       << QStringList{"min_Zeit"}
                                                       << QStringList{"Der Wert 0.6 liegt über „max_Zeit“ (0.25)"} << 0.1 << 0.8;
        // Values that are no numbers keep their built-in bound.
        QTest::newRow("text") << de << QByteArray("[ER_TEST]\r\nmin_Zeit=kurz\r\nmax_Zeit=0,5\r\n") << QStringList{"min_Zeit"}
                              << QStringList{"Der Wert „kurz“ ist keine gültige Zahl; es gilt 0,1."} << 0.1 << 0.5;
        QTest::newRow("both text") << de << QByteArray("[ER_TEST]\r\nmin_Zeit=abc\r\nmax_Zeit=\r\n")
                                   << QStringList{"min_Zeit", "max_Zeit"}
                                   << QStringList{"„abc“ ist keine gültige Zahl", "„“ ist keine gültige Zahl; es gilt 0,8."}
                                   << 0.1 << 0.8;
        QTest::newRow("beyond the range") << de << QByteArray("[ER_TEST]\r\nmax_Zeit=1e300\r\n") << QStringList{"max_Zeit"}
                                          << QStringList{"„1e300“ ist keine gültige Zahl"} << 0.1 << 0.8;
        QTest::newRow("text max, then min above its default")
            << de << QByteArray("[ER_TEST]\r\nmin_Zeit=0,9\r\nmax_Zeit=lang\r\n") << QStringList{"max_Zeit", "min_Zeit"}
            << QStringList{"„lang“ ist keine gültige Zahl", "Der Wert 0,9 liegt über „max_Zeit“ (0,8, Vorgabe)"} << 0.1 << 0.8;
        QTest::newRow("a folder named config.ini") << de << QByteArray("/") << QStringList{""}
                                                   << QStringList{"Die Datei kann nicht gelesen werden; " + builtIn} << 0.1
                                                   << 0.8;
    }

    void badConfigIni()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, keys);
        QFETCH(QStringList, fragments);
        QFETCH(double, min);
        QFETCH(double, max);
        Sandbox box;
        box.setLocale(QLocale(locale));
        ScriptedMessages messages;
        const QString path = ProgramPaths::configIni();
        if (file == "/")
            QVERIFY(QDir().mkpath(path));
        else if (file != "-")
            QVERIFY(writeAll(path, file));

        const ValidityBounds b = ReadValidityBounds();
        QCOMPARE(messages.count(), keys.size());
        for (int i = 0; i < keys.size(); ++i) {
            const ScriptedMessages::Shown &m = messages.shown().at(i);
            QCOMPARE(m.kind, MessageService::Kind::Error);
            const QString head = QStringLiteral("\r\nFehler beim Lesen von CONFIG.INI !\r\n\r\nDatei ") + quoted(path);
            QVERIFY2(m.text.startsWith(head), qPrintable(m.text));
            if (!keys.at(i).isEmpty())
                QVERIFY2(m.text.contains(QStringLiteral("Abschnitt [ER_TEST], Schlüssel „%1“:\r\n").arg(keys.at(i))),
                         qPrintable(m.text));
            QVERIFY2(m.text.contains(fragments.at(i)), qPrintable(m.text));
        }
        QCOMPARE(double(b.min_Zeit.value()), double(Real48(static_cast<long double>(min)).value()));
        QCOMPARE(double(b.max_Zeit.value()), double(Real48(static_cast<long double>(max)).value()));
        // A reaction of 450 ms is valid unless the bounds that apply exclude it.
        QCOMPARE(b.validStatic(45), min <= 0.45 && 0.45 <= max);
        if (file != "-" && file != "/")
            QCOMPARE(readAll(path), file);
    }
};

VR_TEST_CLASS(BadInputTest)
#include "badinput_test.moc"
