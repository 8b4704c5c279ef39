#include "report/csvfile.h"
#include "support/pdftext.h"
#include "store/storefixture.h"
#include "support/testmain.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Run
{
    int code = -1;
    QByteArray out;
    QString err;
};

Run exportTool(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VR_EXPORT_TOOL), args);
    Run r;
    if (!p.waitForFinished(30000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const QByteArray kBom("\xEF\xBB\xBF");
} // namespace

class ExportToolTest : public QObject
{
    Q_OBJECT
private:
    // Two shooters; Müller has two test-1 series (one without a valid row) and one test-3 row.
    // A failed step fails the test; the caller returns then.
    static void fill(StoreFixture &fx)
    {
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Müller", "Jürgen"));
        QVERIFY(fx.addShooter("Abel", "Eva"));
        QVERIFY(fx.selectShooter("Müller", "Jürgen"));
        const QDate d(2003, 2, 1);
        const QTime t(10, 15, 0);
        for (int k = 1; k <= 5; ++k)
            QVERIFY(fx.addReak(d, t, 1, 1, k, 240 + 10 * k));
        QVERIFY(fx.addReak(d, t, 1, 2, 1, 900, "o"));
        QVERIFY(fx.addReak(d, t, 3, 1, 1, 333));
        QVERIFY(fx.selectShooter("Abel", "Eva"));
        QVERIFY(fx.addReak(d.addDays(1), t, 2, 1, 1, 410));
        QVERIFY(fx.data->reakTable()->applyUpdates());
        fx.data->closeTables();
    }

private slots:
    void outputsOfTheThreeKinds()
    {
        StoreFixture fx;
        fill(fx);
        if (QTest::currentTestFailed())
            return;
        const QString dir = fx.data->privateDir();
        const QDateTime before = QFileInfo(fx.reakFile()).lastModified();

        // Standard output without a byte order mark; "Zeit" with its milliseconds.
        Run r = exportTool({"--data", dir, "--rows", "-"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("Name;Vorname;Datum;Zeit;MessTyp;Serie;Scheibe;ReakZeit;Status;Fehler\r\n"
                                   "Abel;Eva;02.02.2003;10:15:00,000;2;1;1;410;x;-\r\n"
                                   "Müller;Jürgen;01.02.2003;10:15:00,000;1;1;1;250;x;-\r\n"
                                   "Müller;Jürgen;01.02.2003;10:15:00,000;1;1;2;260;x;-\r\n"
                                   "Müller;Jürgen;01.02.2003;10:15:00,000;1;1;3;270;x;-\r\n"
                                   "Müller;Jürgen;01.02.2003;10:15:00,000;1;1;4;280;x;-\r\n"
                                   "Müller;Jürgen;01.02.2003;10:15:00,000;1;1;5;290;x;-\r\n"
                                   "Müller;Jürgen;01.02.2003;10:15:00,000;1;2;1;900;o;-\r\n"
                                   "Müller;Jürgen;01.02.2003;10:15:00,000;3;1;1;333;x;-\r\n"));
        const QString rowsFile = QDir(dir).filePath("../zeilen.csv");
        QCOMPARE(exportTool({"--data", dir, "--rows", rowsFile}).code, 0);
        QFile rf(rowsFile);
        QVERIFY(rf.open(QIODevice::ReadOnly));
        QCOMPARE(rf.readAll(), kBom + r.out); // a file keeps its mark
        r = exportTool({"--data", dir, "--name", "Müller", "--vorname", "Jürgen", "--test", "3", "--rows", "-"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.count("\r\n"), 2);

        const QString seriesFile = QDir(dir).filePath("../serien.csv");
        r = exportTool({"--data", dir, "--series", seriesFile});
        QCOMPARE(r.code, 0);
        QFile f(seriesFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), kBom + QByteArray("Name;Vorname;MessTyp;Datum;Zeit;Serie;S1;S2;S3;S4;S5;Mittelwert;StdAbw\r\n"
                                                "Abel;Eva;2;02.02.2003;10:15:00,000;1;410;0;0;0;0;410,0;0,0\r\n"
                                                "Müller;Jürgen;1;01.02.2003;10:15:00,000;1;250;260;270;280;290;270,0;15,8\r\n"
                                                "Müller;Jürgen;1;01.02.2003;10:15:00,000;2;0;0;0;0;0;;\r\n"
                                                "Müller;Jürgen;3;01.02.2003;10:15:00,000;1;333;0;0;0;0;333,0;0,0\r\n"));

        const QString pdf = QDir(dir).filePath("../protokoll.pdf");
        r = exportTool({"--data", dir, "--name", "Müller", "--vorname", "Jürgen", "--test", "1", "--pdf", pdf});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        bool ok = false;
        QCOMPARE(pdfPages(pdf, &ok), 1);
        QVERIFY2(ok, "pdfinfo (poppler-utils) is needed");
        const QString text = pdfText(pdf, 0, &ok);
        QVERIFY(text.contains("Messprotokoll"));
        QVERIFY(text.contains("Müller Jürgen"));
        QVERIFY(text.contains("1 01.02.2003 10:15:00 1 250 260 270 280 290 270,0"));
        r = exportTool({"--data", dir, "--name", "Müller", "--vorname", "Jürgen", "--test", "1", "--pdf", "-"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.startsWith("%PDF"));
        // Read only: the table file is untouched.
        QCOMPARE(QFileInfo(fx.reakFile()).lastModified(), before);
    }

    void textCellsNeverBecomeFormulas_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("written");
        QTest::newRow("formula") << "=HYPERLINK(\"x\")" << "'=HYPERLINK(\"x\")";
        QTest::newRow("plus") << "+49 171" << "'+49 171";
        QTest::newRow("minus") << "-Meyer" << "'-Meyer";
        QTest::newRow("at") << "@SUMME(A1)" << "'@SUMME(A1)";
        QTest::newRow("behind blanks") << "  =1+1" << "'=1+1";
        QTest::newRow("phase of test 3") << " 1" << "1";
        QTest::newRow("no error") << "-" << "-";
        QTest::newRow("name") << "Müller-Lüdenscheidt" << "Müller-Lüdenscheidt";
    }

    void textCellsNeverBecomeFormulas()
    {
        QFETCH(QString, cell);
        QFETCH(QString, written);
        QCOMPARE(Csv::text(cell), written);
    }

    // Two saves within one second, a name that looks like a formula, test 3's phase.
    void namesTimesAndPhasesAsStored()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("=1+1", "Eva"));
        QVERIFY(fx.selectShooter("=1+1", "Eva"));
        const QDate d(2003, 2, 1);
        QVERIFY(fx.addReak(d, QTime(10, 15, 0, 100), 3, 1, 1, 300));
        QVERIFY(fx.addReak(d, QTime(10, 15, 0, 600), 3, 1, 1, -20, "o"));
        QVERIFY(fx.data->reakTable()->applyUpdates());
        {
            QSqlQuery t(QSqlDatabase::database(TData::AliasName));
            QVERIFY(t.exec("UPDATE reakdata.\"ReakData\" SET \"Fehler\" = ' 1'"));
        }
        fx.data->closeTables();
        const QString dir = fx.data->privateDir();
        Run r = exportTool({"--data", dir, "--name", "=1+1", "--vorname", "Eva", "--rows", "-"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("Name;Vorname;Datum;Zeit;MessTyp;Serie;Scheibe;ReakZeit;Status;Fehler\r\n"
                                   "'=1+1;Eva;01.02.2003;10:15:00,100;3;1;1;300;x;1\r\n"
                                   "'=1+1;Eva;01.02.2003;10:15:00,600;3;1;1;-20;o;1\r\n"));
        r = exportTool({"--data", dir, "--series", "-"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("Name;Vorname;MessTyp;Datum;Zeit;Serie;S1;S2;S3;S4;S5;Mittelwert;StdAbw\r\n"
                                   "'=1+1;Eva;3;01.02.2003;10:15:00,100;1;300;0;0;0;0;300,0;0,0\r\n"
                                   "'=1+1;Eva;3;01.02.2003;10:15:00,600;1;0;0;0;0;0;;\r\n"));
        // Names match exactly as stored.
        r = exportTool({"--data", dir, "--name", "=1+1 ", "--vorname", "Eva", "--rows", "-"});
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("Der Schütze „=1+1 , Eva“ ist nicht vorhanden."));
    }

    void unreadableTablesAreExplainedInGerman()
    {
        for (const char *broken : {"PersData.sqlite", "ReakData.sqlite"}) {
            StoreFixture fx;
            fill(fx);
            if (QTest::currentTestFailed())
                return;
            const QString file = QDir(fx.data->privateDir()).filePath(QString::fromLatin1(broken));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray("Dies ist keine Tabelle, sondern ein Text, der lang genug ist, um eine Kopfzeile zu füllen.")
                        .repeated(20));
            f.close();
            const Run r = exportTool({"--data", fx.data->privateDir(), "--rows", "-"});
            QCOMPARE(r.code, 1);
            const QString table = QFileInfo(file).completeBaseName();
            QVERIFY2(r.err.contains(QStringLiteral("Die Tabelle %1 („%2“) kann nicht gelesen werden: die Datei ist keine "
                                                   "Tabellendatei.").arg(table, file)),
                     qPrintable(r.err));
            QVERIFY(r.out.isEmpty());
        }
    }

    void errorsGiveGermanMessagesAndCode2_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown shooter") << QStringList{"--name", "Name", "--vorname", "Hans", "--rows", "-"} << 2
                                         << "Der Schütze „Name, Hans“ ist nicht vorhanden.";
        QTest::newRow("missing folder") << QStringList{"--data", "/nicht/da", "--rows", "-"} << 2
                                        << "Das Datenverzeichnis „/nicht/da“ ist nicht vorhanden.";
        QTest::newRow("bad option") << QStringList{"--zeilen", "-"} << 2 << "Unbekannte Option „--zeilen“";
        QTest::newRow("bad test") << QStringList{"--test", "4", "--rows", "-"} << 2 << "--test erwartet 1, 2 oder 3";
        QTest::newRow("two outputs") << QStringList{"--rows", "-", "--series", "-"} << 2 << "Nur eine der Optionen";
        QTest::newRow("pdf without test") << QStringList{"--name", "Müller", "--vorname", "Jürgen", "--pdf", "-"} << 2
                                          << "--pdf braucht --name, --vorname und --test.";
        QTest::newRow("nothing to print") << QStringList{"--name", "Abel", "--vorname", "Eva", "--test", "1", "--pdf", "-"}
                                          << 1 << "Keine Meßergebnisse vorhanden.";
        QTest::newRow("name in other case") << QStringList{"--name", "müller", "--vorname", "Jürgen", "--rows", "-"} << 2
                                            << "Der Schütze „müller, Jürgen“ ist nicht vorhanden.";
        QTest::newRow("file in a missing folder")
            << QStringList{"--rows", "/nicht/da/zeilen.csv"} << 1
            << "Die Datei „/nicht/da/zeilen.csv“ kann nicht angelegt werden: der Ordner „/nicht/da“ ist nicht vorhanden.";
        QTest::newRow("file is a folder") << QStringList{"--series", "/"} << 1 << "„/“ ist ein Ordner, keine Datei.";
    }

    void errorsGiveGermanMessagesAndCode2()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        StoreFixture fx;
        fill(fx);
        if (QTest::currentTestFailed())
            return;
        if (!args.contains("--data"))
            args = QStringList{"--data", fx.data->privateDir()} + args;
        const Run r = exportTool(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        // Nothing of the system's English texts mixed in.
        QVERIFY2(!r.err.contains(QRegularExpression("No such|denied|Is a directory|not a database|unable|[Ee]rror")),
                 qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
    }

    void helpIsGerman()
    {
        const Run r = exportTool({"--help"});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("Aufruf: vantrel-export --data VERZEICHNIS"));
        QVERIFY(QString::fromUtf8(r.out).contains("Messprotokoll eines Schützen"));
        QVERIFY(QString::fromUtf8(r.out).contains("genau so geschrieben sein wie gespeichert"));
    }
};

VR_TEST_CLASS(ExportToolTest)
#include "exporttool_test.moc"
