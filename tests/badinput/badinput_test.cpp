// Bad inputs against the command-line tools, as one table of cases: damaged,
// empty, foreign and non-file tables, odd output paths, a full disk, option
// values that look like Qt's own options, hand-edited rows. Every case gives
// its exit code and German message, and leaves every data file as it was.
#include "evaluation/scriptedprint.h"
#include "store/storefixture.h"
#include "support/smalldisk.h"
#include "support/testmain.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run
{
    int code = -1; // -1: crashed or hung
    QByteArray out;
    QString err;
};

// Runs a tool in folder; an argument ">>FILE" appends its standard output to FILE.
Run runTool(const QString &program, QStringList args, const QString &folder)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(folder);
    for (int i = 0; i < args.size(); ++i)
        if (args.at(i).startsWith(QLatin1String(">>")))
            p.setStandardOutputFile(args.takeAt(i--).mid(2), QIODevice::Append);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(15000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("(hängt)");
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err += QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Every entry below dir: its kind and, for files, a hash of the bytes.
QMap<QString, QString> snapshot(const QString &dir)
{
    QMap<QString, QString> out;
    if (dir.isEmpty())
        return out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        struct stat st;
        QString what;
        if (info.isSymLink())
            what = QStringLiteral("link ") + info.symLinkTarget();
        else if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode))
            what = QStringLiteral("fifo");
        else if (info.isDir())
            what = QStringLiteral("folder");
        else {
            QFile f(path);
            what = f.open(QIODevice::ReadOnly)
                       ? QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex())
                       : QStringLiteral("unreadable");
        }
        out.insert(path, what);
    }
    return out;
}

void replaceByFile(const QString &path, const QByteArray &bytes)
{
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}

// Many rows, so the file has pages enough to spoil one in the middle.
const char *const kGrowPers =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
    "INSERT INTO \"PersData\" (Name, Vorname, Sportverein) SELECT printf('N%04d', i), 'V', 'Verein ' || i FROM n";
const char *const kGrowReak =
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
    "INSERT INTO \"ReakData\" (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, ReakZeit, Status, Fehler) "
    "SELECT 'Meyer', 'Anna', '2004-01-01', printf('10:%02d:%02d.000', i / 300, (i / 5) % 60), 1, 1, i % 5 + 1, "
    "300 + i % 7, 'x', '-' FROM n";

// One step of spoiling the folder: "empty F", "text F", "foreign F",
// "damage F", "fifo F", "folder F", "remove F", "old F" (a file "alte Datei"),
// "symlink LINK TARGET", "hardlink LINK TARGET", "sql F STATEMENT"; the
// test itself takes "cd FOLDER" (the working folder of the call).
void apply(const QString &step)
{
    const QString verb = step.section(u' ', 0, 0);
    const QString file = step.section(u' ', 1, 1);
    const QString rest = step.section(u' ', 2);
    if (verb == QLatin1String("empty")) {
        replaceByFile(file, {});
    } else if (verb == QLatin1String("text")) {
        replaceByFile(file, QByteArray("Name;Vorname\r\nMeyer;Anna\r\n").repeated(20));
    } else if (verb == QLatin1String("old")) {
        replaceByFile(file, "alte Datei");
    } else if (verb == QLatin1String("foreign")) {
        QFile::remove(file);
        bool ok = false;
        sqlOnFile(file, QStringLiteral("CREATE TABLE Kunden (Name TEXT, Ort TEXT)"), {}, &ok);
        QVERIFY(ok);
    } else if (verb == QLatin1String("damage")) {
        bool ok = false;
        sqlOnFile(file, QString::fromLatin1(file.endsWith(QLatin1String("PersData.sqlite")) ? kGrowPers : kGrowReak), {},
                  &ok);
        QVERIFY(ok);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.size() > 16 * 4096);
        QVERIFY(f.seek(f.size() / 2 / 4096 * 4096));
        f.write(QByteArray(4096, char(0xFF)));
    } else if (verb == QLatin1String("fifo")) {
        QFile::remove(file);
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (verb == QLatin1String("folder")) {
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file));
    } else if (verb == QLatin1String("remove")) {
        QVERIFY(QFile::remove(file));
    } else if (verb == QLatin1String("symlink")) {
        QVERIFY(QFile::link(rest, file));
    } else if (verb == QLatin1String("hardlink")) {
        QCOMPARE(::link(QFile::encodeName(rest).constData(), QFile::encodeName(file).constData()), 0);
    } else if (verb == QLatin1String("sql")) {
        bool ok = false;
        sqlOnFile(file, rest, {}, &ok);
        QVERIFY2(ok, qPrintable(rest));
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

// The system's own English texts must never reach the user.
const QRegularExpression kEnglish(QStringLiteral(
    "No such|denied|Is a directory|not a database|malformed|unable|[Ee]rror|failed|[Cc]ould not|plugin|Aborted|such table"));

const QByteArray kHead("Name;Vorname;Datum;Zeit;MessTyp;Serie;Scheibe;ReakZeit;Status;Fehler\r\n");
const QString kSeriesHead = QStringLiteral("Name;Vorname;MessTyp;Datum;Zeit;Serie;S1;S2;S3;S4;S5;Mittelwert;StdAbw\r\n");

} // namespace

class BadInputTest : public QObject
{
    Q_OBJECT
private:
    // Meyer, Anna: one test-1 series 250 … 290; "-Meyer, -Anna": one test-2 row.
    // A failed step fails the test; the caller returns then.
    static void fill(StoreFixture &fx)
    {
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meyer", "Anna"));
        QVERIFY(fx.addShooter("-Meyer", "-Anna"));
        QVERIFY(fx.selectShooter("Meyer", "Anna"));
        const QDate d(2003, 2, 1);
        const QTime t(10, 15, 0);
        for (int k = 1; k <= 5; ++k)
            QVERIFY(fx.addReak(d, t, 1, 1, k, 240 + 10 * k));
        QVERIFY(fx.selectShooter("-Meyer", "-Anna"));
        QVERIFY(fx.addReak(d, t, 2, 1, 1, 410));
        QVERIFY(fx.data->reakTable()->applyUpdates());
        fx.data->closeTables();
    }

private slots:
    void exportTool_data()
    {
        QTest::addColumn<QStringList>("setup"); // steps, see apply()
        QTest::addColumn<QStringList>("args");  // "--data %D" is added unless given
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");   // in the error output; empty: no error output
        QTest::addColumn<QString>("written");   // "FILE|TEXT": FILE ("-": standard output) holds TEXT
        // %D data folder, %P %V %R its table files, %O scratch and working folder, %F a full small disk.
        const QString refused = QStringLiteral("wäre die Tabellendatei „%R“ des Datenverzeichnisses; sie wird nicht "
                                               "überschrieben.");
        const QString reakUnreadable = QStringLiteral("Die Tabelle ReakData („%R“) kann nicht gelesen werden: ");
        const QString persUnreadable = QStringLiteral("Die Tabelle PersData („%P“) kann nicht gelesen werden: ");
        const QString damaged = QStringLiteral("die Datei ist beschädigt.");

        // An output that is one of the data files, by any name.
        QTest::newRow("rows over ReakData") << QStringList{} << QStringList{"--rows", "%R"} << 2
                                            << "Die Ausgabe „%R“ " + refused << "";
        QTest::newRow("series over PersData")
            << QStringList{} << QStringList{"--series", "%P"} << 2
            << "Die Ausgabe „%P“ wäre die Tabellendatei „%P“" << "";
        QTest::newRow("pdf over VData")
            << QStringList{} << QStringList{"--name", "Meyer", "--vorname", "Anna", "--test", "1", "--pdf", "%V"} << 2
            << "Die Ausgabe „%V“ wäre die Tabellendatei „%V“" << "";
        QTest::newRow("another spelling") << QStringList{} << QStringList{"--rows", "%D/../Daten/./ReakData.sqlite"} << 2
                                          << refused << "";
        QTest::newRow("relative from the data folder")
            << QStringList{"cd %D"} << QStringList{"--data", ".", "--rows", "ReakData.sqlite"} << 2
            << "Die Ausgabe „ReakData.sqlite“ wäre die Tabellendatei „./ReakData.sqlite“" << "";
        QTest::newRow("symbolic link") << QStringList{"symlink %O/zeilen.csv %R"} << QStringList{"--rows", "zeilen.csv"}
                                       << 2 << "Die Ausgabe „zeilen.csv“ " + refused << "";
        QTest::newRow("hard link") << QStringList{"hardlink %O/serien.csv %R"} << QStringList{"--series", "serien.csv"}
                                   << 2 << refused << "";
        QTest::newRow("link to a table still to come")
            << QStringList{"remove %V", "symlink %O/zeilen.csv %V"} << QStringList{"--rows", "zeilen.csv"} << 2
            << "wäre die Tabellendatei „%V“" << "";
        QTest::newRow("link to a journal") << QStringList{"symlink %O/zeilen.csv %R-journal"}
                                           << QStringList{"--rows", "zeilen.csv"} << 2
                                           << "wäre die Tabellendatei „%R-journal“" << "";
        QTest::newRow("standard output appended to ReakData")
            << QStringList{} << QStringList{"--rows", "-", ">>%R"} << 2 << "Die Standardausgabe " + refused << "";
        QTest::newRow("table folder through a link")
            << QStringList{"symlink %O/daten %D"} << QStringList{"--data", "%O/daten", "--rows", "%R"} << 2
            << "wäre die Tabellendatei „%O/daten/ReakData.sqlite“" << "";

        // Odd output paths.
        QTest::newRow("/dev/null") << QStringList{} << QStringList{"--rows", "/dev/null"} << 0 << "" << "";
        QTest::newRow("/dev/full") << QStringList{} << QStringList{"--series", "/dev/full"} << 1
                                   << "Die Datei „/dev/full“ kann nicht geschrieben werden: Der Datenträger ist voll." << "";
        QTest::newRow("pipe without reader") << QStringList{"fifo %O/rohr"} << QStringList{"--rows", "rohr"} << 1
                                             << "Die Datei „%O/rohr“ kann nicht geöffnet werden: Niemand liest" << "";
        QTest::newRow("folder") << QStringList{} << QStringList{"--rows", "%O"} << 1
                                << "„%O“ ist ein Ordner, keine Datei." << "";
        QTest::newRow("missing folder") << QStringList{} << QStringList{"--series", "%O/fehlt/serien.csv"} << 1
                                        << "Die Datei „%O/fehlt/serien.csv“ kann nicht angelegt werden: der Ordner „%O/fehlt“ ist nicht vorhanden." << "";
        QTest::newRow("full disk") << QStringList{"old %F/zeilen.csv"} << QStringList{"--rows", "%F/zeilen.csv"} << 1
                                   << "Die Datei „%F/zeilen.csv“ kann nicht geschrieben werden: Der Datenträger ist voll."
                                   << "%F/zeilen.csv|alte Datei";

        // Option values that begin with "-", Qt's own option names among them.
        QTest::newRow("-platform as name")
            << QStringList{} << QStringList{"--name", "-platform", "--vorname", "Anna", "--rows", "-"} << 2
            << "Der Schütze „-platform, Anna“ ist nicht vorhanden." << "";
        QTest::newRow("-reverse and -style as names")
            << QStringList{} << QStringList{"--name", "-reverse", "--vorname", "-style", "--series", "-"} << 2
            << "Der Schütze „-reverse, -style“ ist nicht vorhanden." << "";
        QTest::newRow("-qmljsdebugger as first name")
            << QStringList{} << QStringList{"--name", "Meyer", "--vorname", "-qmljsdebugger=port:1", "--rows", "-"} << 2
            << "Der Schütze „Meyer, -qmljsdebugger=port:1“ ist nicht vorhanden." << "";
        QTest::newRow("names beginning with -")
            << QStringList{} << QStringList{"--name", "-Meyer", "--vorname", "-Anna", "--test", "2", "--rows", "-"} << 0
            << "" << "-|'-Meyer;'-Anna;01.02.2003;10:15:00,000;2;1;1;410;x;-";
        QTest::newRow("-platform as data folder") << QStringList{} << QStringList{"--data", "-platform", "--rows", "-"}
                                                  << 2 << "Das Datenverzeichnis „-platform“ ist nicht vorhanden." << "";
        QTest::newRow("-style as test") << QStringList{} << QStringList{"--test", "-style", "--rows", "-"} << 2
                                        << "--test erwartet 1, 2 oder 3, nicht „-style“." << "";
        QTest::newRow("-1 as test") << QStringList{} << QStringList{"--test", "-1", "--rows", "-"} << 2
                                    << "--test erwartet 1, 2 oder 3, nicht „-1“." << "";
        QTest::newRow("-platform as rows file") << QStringList{} << QStringList{"--rows", "-platform"} << 0 << ""
                                                << "-platform|" + QString::fromLatin1(kHead);
        QTest::newRow("-reverse as series file")
            << QStringList{} << QStringList{"--series", "-reverse"} << 0 << ""
            << "-reverse|Meyer;Anna;1;01.02.2003;10:15:00,000;1;250;260;270;280;290;270,0;15,8";
        QTest::newRow("-style as pdf file")
            << QStringList{} << QStringList{"--name", "Meyer", "--vorname", "Anna", "--test", "1", "--pdf", "-style"} << 0
            << "" << "-style|1 01.02.2003 10:15:00 1 250 260 270 280 290 270,0";
        QTest::newRow("Qt's -platform alone") << QStringList{} << QStringList{"-platform", "offscreen", "--rows", "-"} << 2
                                              << "Unbekannte Option „-platform“" << "";
        QTest::newRow("Qt's -reverse alone") << QStringList{} << QStringList{"--rows", "-", "-reverse"} << 2
                                             << "Unbekannte Option „-reverse“" << "";
        QTest::newRow("Qt's -style with a value") << QStringList{} << QStringList{"--rows", "-", "-style", "fusion"} << 2
                                                  << "Unbekannte Option „-style“" << "";

        // Table files that are no tables, or not of this program.
        QTest::newRow("ReakData a pipe") << QStringList{"fifo %R"} << QStringList{"--series", "-"} << 1
                                         << "„%R“ ist keine Datei und kann nicht als Tabelle geöffnet werden." << "";
        QTest::newRow("PersData a pipe") << QStringList{"fifo %P"} << QStringList{"--rows", "-"} << 1
                                         << "„%P“ ist keine Datei und kann nicht als Tabelle geöffnet werden." << "";
        QTest::newRow("ReakData a folder") << QStringList{"folder %R"} << QStringList{"--rows", "-"} << 1
                                           << "„%R“ ist keine Datei" << "";
        QTest::newRow("ReakData missing") << QStringList{"remove %R"} << QStringList{"--rows", "-"} << 2
                                          << "Die Tabellendatei „%R“ fehlt." << "";
        QTest::newRow("series, ReakData damaged") << QStringList{"damage %R"} << QStringList{"--series", "-"} << 1
                                                  << reakUnreadable + damaged << "";
        QTest::newRow("rows, ReakData damaged") << QStringList{"damage %R"} << QStringList{"--rows", "-"} << 1
                                                << reakUnreadable + damaged << "";
        QTest::newRow("pdf, ReakData damaged")
            << QStringList{"damage %R"} << QStringList{"--name", "Meyer", "--vorname", "Anna", "--test", "1", "--pdf", "-"}
            << 1 << reakUnreadable + damaged << "";
        QTest::newRow("series, ReakData empty") << QStringList{"empty %R"} << QStringList{"--series", "-"} << 1
                                                << reakUnreadable + "die Datei ist leer." << "";
        QTest::newRow("series, ReakData foreign")
            << QStringList{"foreign %R"} << QStringList{"--series", "-"} << 1
            << reakUnreadable + "die Tabelle fehlt oder hat nicht die erwarteten Spalten." << "";
        QTest::newRow("series, ReakData text") << QStringList{"text %R"} << QStringList{"--series", "-"} << 1
                                               << reakUnreadable + "die Datei ist keine Tabellendatei." << "";
        QTest::newRow("shooter, PersData damaged")
            << QStringList{"damage %P"} << QStringList{"--name", "N1500", "--vorname", "V", "--rows", "-"} << 1
            << persUnreadable + damaged << "";
        QTest::newRow("all rows, PersData damaged") << QStringList{"damage %P"} << QStringList{"--rows", "-"} << 1
                                                    << persUnreadable + damaged << "";
        QTest::newRow("shooter, PersData empty")
            << QStringList{"empty %P"} << QStringList{"--name", "Meyer", "--vorname", "Anna", "--rows", "-"} << 1
            << persUnreadable + "die Datei ist leer." << "";
        QTest::newRow("shooter, PersData foreign")
            << QStringList{"foreign %P"} << QStringList{"--name", "Meyer", "--vorname", "Anna", "--series", "-"} << 1
            << persUnreadable + "die Tabelle fehlt" << "";

        // Hand-edited rows: numbers out of range and a test type of no test.
        const QStringList edited{
            "sql %R UPDATE \"ReakData\" SET ReakZeit = 1e300 WHERE Scheibe = 2",
            "sql %R UPDATE \"ReakData\" SET ReakZeit = 9e999 WHERE Scheibe = 3",
            "sql %R UPDATE \"ReakData\" SET ReakZeit = 'schnell' WHERE Scheibe = 4",
            "sql %R INSERT INTO \"ReakData\" (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, ReakZeit, Status, "
            "Fehler) VALUES ('Meyer', 'Anna', '2003-02-01', '10:15:00.000', 7, 1, 1, 5, 'x', '-')",
            "sql %R INSERT INTO \"ReakData\" (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, ReakZeit, Status, "
            "Fehler) VALUES ('Meyer', 'Anna', '2003-02-02', '10:15:00.000', 1, -9e999, 1, 300, 'x', '-')"};
        QTest::newRow("rows of hand-edited numbers")
            << edited << QStringList{"--name", "Meyer", "--vorname", "Anna", "--rows", "-"} << 0 << ""
            << "-|" + QString::fromUtf8(kHead)
                   + "Meyer;Anna;01.02.2003;10:15:00,000;1;1;1;250;x;-\r\n"
                     "Meyer;Anna;01.02.2003;10:15:00,000;1;1;2;;x;-\r\n"
                     "Meyer;Anna;01.02.2003;10:15:00,000;1;1;3;;x;-\r\n"
                     "Meyer;Anna;01.02.2003;10:15:00,000;1;1;4;;x;-\r\n"
                     "Meyer;Anna;01.02.2003;10:15:00,000;1;1;5;290;x;-\r\n"
                     "Meyer;Anna;02.02.2003;10:15:00,000;1;;1;300;x;-\r\n";
        QTest::newRow("series of hand-edited numbers")
            << edited << QStringList{"--name", "Meyer", "--vorname", "Anna", "--series", "-"} << 0 << ""
            << "-|" + kSeriesHead
                   + "Meyer;Anna;1;01.02.2003;10:15:00,000;1;250;0;0;0;290;270,0;28,3\r\n"
                     "Meyer;Anna;1;02.02.2003;10:15:00,000;;0;0;0;0;0;;\r\n";
        QTest::newRow("pdf of hand-edited numbers")
            << edited << QStringList{"--name", "Meyer", "--vorname", "Anna", "--test", "1", "--pdf", "protokoll.pdf"}
            << 0 << "" << "protokoll.pdf|1 01.02.2003 10:15:00 1 250 0 0 0 290 270,0";
    }

    void exportTool()
    {
        QFETCH(QStringList, setup);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        QFETCH(QString, written);

        StoreFixture fx;
        fill(fx);
        if (QTest::currentTestFailed())
            return;
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        std::unique_ptr<SmallDisk> disk;
        if ((setup + args).join(u' ').contains(QLatin1String("%F"))) {
            disk = std::make_unique<SmallDisk>();
            if (!disk->isMounted())
                QSKIP("a small file system of its own needs root");
        }
        const QString data = fx.data->privateDir();
        const auto expand = [&](QString s) {
            return s.replace(QLatin1String("%P"), fx.persFile())
                .replace(QLatin1String("%V"), fx.visFile())
                .replace(QLatin1String("%R"), fx.reakFile())
                .replace(QLatin1String("%D"), data)
                .replace(QLatin1String("%O"), scratch.path())
                .replace(QLatin1String("%F"), disk ? disk->path() : QString());
        };
        QString folder = scratch.path();
        for (const QString &step : std::as_const(setup)) {
            if (step.startsWith(QLatin1String("cd "))) {
                folder = expand(step.mid(3));
                continue;
            }
            apply(expand(step));
            if (QTest::currentTestFailed())
                return;
        }
        if (disk)
            disk->fill();
        for (QString &a : args)
            a = expand(a);
        if (!args.contains(QLatin1String("--data")))
            args = QStringList{QStringLiteral("--data"), data} + args;
        const QString writtenFile = expand(written.section(u'|', 0, 0));
        const QString writtenText = expand(written.section(u'|', 1));
        const QString outFile = writtenFile.isEmpty() || writtenFile == QLatin1String("-")
                                    ? QString()
                                    : QDir(folder).absoluteFilePath(writtenFile);

        const QMap<QString, QString> before = snapshot(data), beforeOut = snapshot(scratch.path()),
                                     beforeDisk = snapshot(disk ? disk->path() : QString());
        const Run r = runTool(QStringLiteral(VR_EXPORT_TOOL), args, folder);
        QCOMPARE(r.code, code);
        if (message.isEmpty())
            QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        else
            QVERIFY2(r.err.contains(expand(message)), qPrintable(r.err));
        QVERIFY2(!r.err.contains(kEnglish), qPrintable(r.err));

        // Every data file as it was, nothing added; elsewhere only the output.
        QCOMPARE(snapshot(data), before);
        QMap<QString, QString> afterOut = snapshot(scratch.path());
        afterOut.remove(outFile);
        QMap<QString, QString> expectedOut = beforeOut;
        expectedOut.remove(outFile);
        QCOMPARE(afterOut, expectedOut);
        if (disk) {
            QMap<QString, QString> afterDisk = snapshot(disk->path());
            QCOMPARE(afterDisk, beforeDisk);
        }

        if (writtenFile.isEmpty()) {
            QVERIFY(r.out.isEmpty());
        } else if (writtenFile == QLatin1String("-")) {
            QVERIFY2(QString::fromUtf8(r.out).contains(writtenText), r.out.constData());
        } else {
            QFile f(outFile);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(outFile));
            QByteArray bytes = f.readAll();
            QString text = QString::fromUtf8(bytes);
            if (bytes.startsWith("%PDF")) {
                bool ok = false;
                text = pdfText(outFile, 0, &ok);
                QVERIFY2(ok, "pdftotext (poppler-utils) is needed");
            }
            QVERIFY2(text.contains(writtenText), qPrintable(text));
        }
    }

    // The virtual trainer reads its own options only, as the export does.
    void trainerSimOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("output"); // in standard or error output
        QTest::newRow("-qmljsdebugger as a value") << QStringList{"--help", "--manufacturer", "-qmljsdebugger=port:1"}
                                                   << 0 << "vantrel-trainer-sim";
        QTest::newRow("-qmljsdebugger and its value") << QStringList{"--manufacturer", "-qmljsdebugger", "--help"} << 0
                                                      << "vantrel-trainer-sim";
        QTest::newRow("-platform as serial number") << QStringList{"--serial", "-platform"} << 2
                                                    << "Ungültiger Wert für --serial: -platform";
        QTest::newRow("Qt's -platform alone") << QStringList{"-platform", "offscreen"} << 2
                                              << "Unbekannte Option: -platform";
    }

    void trainerSimOptions()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, output);
        QTemporaryDir scratch;
        const Run r = runTool(QStringLiteral(VR_TRAINER_SIM), args, scratch.path());
        QCOMPARE(r.code, code);
        QVERIFY2((QString::fromUtf8(r.out) + r.err).contains(output), qPrintable(r.err));
        QCOMPARE(QDir(scratch.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }
};

VR_TEST_CLASS(BadInputTest)
#include "badinput_test.moc"
