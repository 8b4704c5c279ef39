// vantrel-export: stored results of Vantrel Reaktion for club administrators
// and scripts. Reads the tables read-only; needs no window system.
#include "report/csvfile.h"
#include "report/efrfreport.h"
#include "report/efrreport.h"
#include "report/ikreport.h"
#include "report/measurementexport.h"
#include "platform/logformat.h"
#include "store/resultquery.h"
#include "store/databasetarget.h"
#include "store/quoted.h"
#include "store/seriesstats.h"
#include "store/storeerror.h"
#include "store/tablefilecheck.h"
#include "store/tableschema.h"
#include "store/tdata.h"
#include "toolarguments.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kConnection = QStringLiteral("VantrelExport");

const char *const kHelp =
    "Aufruf: vantrel-export --data VERZEICHNIS [--name NAME --vorname VORNAME] [--test 1|2|3]\n"
    "                       (--rows DATEI | --series DATEI | --pdf DATEI)\n"
    "        vantrel-export (--server SERVER [--port N] --dbname DATENBANK --user BENUTZER\n"
    "                       | postgresql://BENUTZER@SERVER:PORT/DATENBANK) [weiter wie oben]\n"
    "\n"
    "Gibt die gespeicherten Messergebnisse von Vantrel Reaktion aus. Die Tabellen\n"
    "werden nur gelesen.\n"
    "\n"
    "%1"
    "  --name NAME         nur dieser Schütze (zusammen mit --vorname); Name und\n"
    "                      Vorname müssen genau so geschrieben sein wie gespeichert\n"
    "                      (gleiche Groß- und Kleinschreibung, Umlaute, Leerzeichen)\n"
    "  --vorname VORNAME   Vorname des Schützen\n"
    "  --test 1|2|3        nur dieser Test (1 Einfachreaktion, 2 mit Fehlern,\n"
    "                      3 Individualkurven)\n"
    "  --rows DATEI        alle Messwerte als CSV (Name;Vorname;Datum;Zeit;MessTyp;\n"
    "                      Serie;Scheibe;ReakZeit;Status;Fehler)\n"
    "  --series DATEI      eine Zeile je Serie als CSV (Name;Vorname;MessTyp;Datum;\n"
    "                      Zeit;Serie;S1;S2;S3;S4;S5;Mittelwert;StdAbw)\n"
    "  --pdf DATEI         Messprotokoll eines Schützen und Tests als PDF\n"
    "                      (braucht --name, --vorname und --test)\n"
    "  --help              diese Hilfe\n"
    "\n"
    "DATEI \"-\" schreibt auf die Standardausgabe. CSV: UTF-8 (Dateien mit BOM, die\n"
    "Standardausgabe ohne), \";\" als Trenner, Dezimalkomma, \"Zeit\" mit Millisekunden\n"
    "(10:15:00,123). Texte, die mit =, +, - oder @ beginnen, stehen mit einem\n"
    "Apostroph davor, damit eine Tabellenkalkulation sie nicht als Formel liest.\n"
    "\n"
    "Eine Ausgabe, die eine der Tabellendateien des Datenverzeichnisses wäre (auch\n"
    "über einen anderen Namen oder eine Verknüpfung), wird abgelehnt.\n"
    "\n"
    "Auf dem Server wird in Transaktionen gelesen, die nichts schreiben dürfen.\n"
    "\n"
    "Rückgabewert: 0 erfolgreich, 1 Lese- oder Schreibfehler, 2 falscher Aufruf,\n"
    "fehlendes Verzeichnis, Server nicht erreichbar, Ausgabe auf eine Tabellendatei\n"
    "oder unbekannter Schütze.\n";

struct Options
{
    TargetArguments target;
    QString data, name, vorname, output;
    int test = 0;
    enum class Mode { None, Rows, Series, Pdf } mode = Mode::None;
};

int fail(int code, const QString &message)
{
    QTextStream err(stderr);
    err << "vantrel-export: " << message << "\n";
    return code;
}

bool toStdout(const QString &target) { return target == QLatin1String("-"); }

bool writeOut(const QString &target, const QByteArray &bytes, QString *error)
{
    if (toStdout(target)) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
            *error = QStringLiteral("Die Standardausgabe kann nicht geschrieben werden.");
            return false;
        }
        return true;
    }
    return Csv::write(target, bytes, error);
}

// Parses the arguments; 0 = go on, -1 = help shown, 2 = bad call (message written).
int parse(const QStringList &args, Options *o)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream(stdout) << QString::fromUtf8(kHelp).arg(TargetArguments::helpLines());
            return -1;
        }
        auto value = [&](QString *into) {
            if (i + 1 >= args.size() || (args.at(i + 1).startsWith(QLatin1String("--")))) {
                fail(2, QStringLiteral("Zur Option %1 fehlt der Wert.").arg(a));
                return false;
            }
            *into = args.at(++i);
            return true;
        };
        auto mode = [&](Options::Mode m) {
            if (o->mode != Options::Mode::None) {
                fail(2, QStringLiteral("Nur eine der Optionen --rows, --series und --pdf ist erlaubt."));
                return false;
            }
            o->mode = m;
            return value(&o->output);
        };
        QString testText, targetError;
        const int taken = o->target.take(args, &i, &targetError);
        if (taken < 0)
            return fail(2, targetError);
        if (taken) {
            o->data = o->target.data;
        } else if (a == QLatin1String("--name")) {
            if (!value(&o->name))
                return 2;
        } else if (a == QLatin1String("--vorname")) {
            if (!value(&o->vorname))
                return 2;
        } else if (a == QLatin1String("--test")) {
            if (!value(&testText))
                return 2;
            if (testText != QLatin1String("1") && testText != QLatin1String("2") && testText != QLatin1String("3"))
                return fail(2, QStringLiteral("--test erwartet 1, 2 oder 3, nicht „%1“.").arg(testText));
            o->test = testText.toInt();
        } else if (a == QLatin1String("--rows")) {
            if (!mode(Options::Mode::Rows))
                return 2;
        } else if (a == QLatin1String("--series")) {
            if (!mode(Options::Mode::Series))
                return 2;
        } else if (a == QLatin1String("--pdf")) {
            if (!mode(Options::Mode::Pdf))
                return 2;
        } else {
            return fail(2, QStringLiteral("Unbekannte Option „%1“ (Hilfe: vantrel-export --help).").arg(a));
        }
    }
    QString targetError;
    if (!o->target.check(&targetError))
        return fail(2, targetError);
    if (!o->target.given())
        return fail(2, QStringLiteral("Das Datenverzeichnis fehlt (--data VERZEICHNIS oder --server SERVER)."));
    if (o->mode == Options::Mode::None)
        return fail(2, QStringLiteral("Es fehlt, was ausgegeben werden soll: --rows, --series oder --pdf."));
    if (o->name.isEmpty() != o->vorname.isEmpty())
        return fail(2, QStringLiteral("--name und --vorname gehören zusammen."));
    if (o->mode == Options::Mode::Pdf && (o->name.isEmpty() || o->test == 0))
        return fail(2, QStringLiteral("--pdf braucht --name, --vorname und --test."));
    return 0;
}

QString shown(const QString &path) { return QuotedPath(path); }

bool isServer() { return IsServerConnection(QSqlDatabase::database(kConnection, false)); }

// Where a path leads: the canonical folder and the name, following links
// also to a file that does not exist yet; empty when the folder is missing.
QString landing(const QString &path)
{
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops)
        info = QFileInfo(info.symLinkTarget());
    const QString dir = QDir(info.absolutePath()).canonicalPath();
    return dir.isEmpty() ? QString() : dir + u'/' + info.fileName();
}

// The file of the data directory (a table or its journal) the output would
// overwrite, also through another name, a hard or symbolic link or a
// redirected standard output; empty when it is none of them.
QString dataFileBehind(const Options &o)
{
    struct stat out;
    bool outExists = false;
    QString outLanding;
    if (toStdout(o.output)) {
        outExists = ::fstat(STDOUT_FILENO, &out) == 0 && S_ISREG(out.st_mode);
    } else {
        outExists = ::stat(QFile::encodeName(o.output).constData(), &out) == 0;
        outLanding = landing(o.output);
    }
    const QDir dir(o.data);
    for (const TableSchema *s : TableSchema::all()) {
        for (const char *suffix : {"", "-journal", "-wal", "-shm"}) {
            const QString file = dir.filePath(s->fileName + QLatin1String(suffix));
            struct stat st;
            if (outExists && ::stat(QFile::encodeName(file).constData(), &st) == 0 && st.st_dev == out.st_dev
                && st.st_ino == out.st_ino)
                return file;
            if (!outLanding.isEmpty() && outLanding == landing(file))
                return file;
        }
    }
    return QString();
}

QString pathOf(const TableSchema &table, const QString &dir) { return QDir(dir).filePath(table.fileName); }

// The message for a read of table that failed after the tables were opened.
QString readFailure(const TableSchema &table, const QString &dir, const QSqlError &e = QSqlError())
{
    if (isServer())
        return QStringLiteral("Die Tabelle %1 auf dem Server kann nicht gelesen werden: %2").arg(table.tableName, StoreErrorText(e));
    QString reason = e.isValid() ? SqliteReason(e) : TableDamage(QSqlDatabase::database(kConnection), table.schemaName);
    if (reason.isEmpty())
        reason = QStringLiteral("Lesefehler");
    return UnreadableTableText(table, pathOf(table, dir), reason);
}

// Opens the tables of dir read-only on kConnection; 0 or exit code.
int openTables(const QString &dir, QString *error)
{
    const QDir d(dir);
    if (!d.exists()) {
        *error = QStringLiteral("Das Datenverzeichnis „%1“ ist nicht vorhanden.").arg(QDir::toNativeSeparators(dir));
        return 2;
    }
    const TableSchema &persTable = TableSchema::persData();
    const TableSchema &reakTable = TableSchema::reakData();
    const QString pers = pathOf(persTable, dir);
    const QString reak = pathOf(reakTable, dir);
    const bool persThere = QFileInfo::exists(pers), reakThere = QFileInfo::exists(reak);
    if (!persThere && !reakThere) {
        *error = QStringLiteral("Im Verzeichnis „%1“ liegen keine Tabellen von Vantrel Reaktion.")
                     .arg(QDir::toNativeSeparators(dir));
        return 2;
    }
    if (!persThere || !reakThere) {
        *error = QStringLiteral("Die Tabellendatei %1 fehlt.").arg(shown(persThere ? reak : pers));
        return 2;
    }
    for (const TableSchema *t : {&persTable, &reakTable}) {
        *error = TableFileProblem(*t, pathOf(*t, dir));
        if (!error->isEmpty())
            return 1;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
    db.setDatabaseName(pers);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        *error = QStringLiteral("Die Tabelle PersData („%1“) kann nicht geöffnet werden: %2.")
                     .arg(QDir::toNativeSeparators(pers), SqliteReason(db.lastError()));
        return 1;
    }
    QSqlQuery probe(db);
    QString damage = TableDamage(db, QStringLiteral("main"));
    if (damage.isEmpty() && !probe.exec(QStringLiteral("SELECT Name, Vorname FROM PersData LIMIT 1")))
        damage = SqliteReason(probe.lastError());
    if (!damage.isEmpty()) {
        *error = UnreadableTableText(persTable, pers, damage);
        return 1;
    }
    probe.finish();
    QSqlQuery attach(db);
    attach.prepare(QStringLiteral("ATTACH DATABASE ? AS ") + reakTable.schemaName);
    attach.addBindValue(reak);
    if (!attach.exec()) {
        *error = UnreadableTableText(reakTable, reak, SqliteReason(attach.lastError()));
        return 1;
    }
    damage = TableDamage(db, reakTable.schemaName);
    if (damage.isEmpty()
        && !probe.exec(QStringLiteral("SELECT NAME, VORNAME, DATUM, ZEIT, MESSTYP, SERIE, SCHEIBE, ReakZeit, STATUS, "
                                      "FEHLER FROM ") + reakTable.qualifiedTable() + QStringLiteral(" LIMIT 1")))
        damage = SqliteReason(probe.lastError());
    if (!damage.isEmpty()) {
        *error = UnreadableTableText(reakTable, reak, damage);
        return 1;
    }
    return 0;
}

// Opens the server database on kConnection for reading only; 0 or exit code.
int openServer(const TargetArguments &t, QString *error)
{
    const DatabaseTarget target = DatabaseTarget::server(t.host, t.port, t.dbname, t.user);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kConnection);
    if (!db.isValid()) {
        *error = QStringLiteral("Der Datenbanktreiber für PostgreSQL ist nicht verfügbar (Paket libqt6sql6-psql).");
        return 2;
    }
    db.setHostName(target.host);
    db.setPort(target.port);
    db.setDatabaseName(target.dbname);
    db.setUserName(target.user);
    // Never a password here: libpq takes it from ~/.pgpass or $PGPASSFILE.
    db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    if (!db.open()) {
        *error = QStringLiteral("Der Vereinsserver ist nicht erreichbar (%1): %2")
                     .arg(target.describe(), ServerConnectErrorText(db.lastError().text()));
        return 2;
    }
    QSqlQuery q(db);
    // Every statement of this connection runs in a transaction that may not write.
    for (const char *setting : {"SET default_transaction_read_only = on", "SET client_min_messages TO warning",
                                "SET search_path TO main, vdata, reakdata"}) {
        if (!q.exec(QLatin1String(setting))) {
            *error = QStringLiteral("Die Datenbank (%1) kann nicht gelesen werden: %2")
                         .arg(target.describe(), StoreErrorText(q.lastError()));
            return 1;
        }
    }
    if (!q.exec(QStringLiteral("SELECT Name, Vorname FROM PersData LIMIT 1"))
        || !q.exec(QStringLiteral("SELECT NAME, VORNAME, DATUM, ZEIT, MESSTYP, SERIE, SCHEIBE, ReakZeit, STATUS, FEHLER "
                                  "FROM REAKDATA LIMIT 1"))) {
        *error = QStringLiteral("In der Datenbank (%1) liegen keine lesbaren Tabellen von Vantrel Reaktion: %2")
                     .arg(target.describe(), StoreErrorText(q.lastError()));
        return 1;
    }
    return 0;
}

// 1 when the shooter is stored, 0 when not, -1 when PersData cannot be read.
int shooterExists(const QString &name, const QString &vorname, QSqlError *e)
{
    QSqlQuery q(QSqlDatabase::database(kConnection));
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM PersData WHERE Name = ? AND Vorname = ?"));
    q.addBindValue(name);
    q.addBindValue(vorname);
    if (!q.exec() || !q.next()) {
        *e = q.lastError();
        return -1;
    }
    return q.value(0).toInt() > 0 ? 1 : 0;
}

// The shooters whose rows the series export covers; false when ReakData cannot be read.
bool shootersWithRows(const Options &o, QList<QPair<QString, QString>> *out, QSqlError *e)
{
    if (!o.name.isEmpty()) {
        *out = {{o.name, o.vorname}};
        return true;
    }
    QSqlQuery q(QSqlDatabase::database(kConnection));
    if (!q.exec(QStringLiteral("SELECT DISTINCT Name, Vorname FROM REAKDATA ORDER BY Name, Vorname"))) {
        *e = q.lastError();
        return false;
    }
    while (q.next())
        out->append({q.value(0).toString(), q.value(1).toString()});
    *e = q.lastError();
    return !e->isValid();
}

// The statistics of one shooter and test, oldest measurement first; false when ReakData cannot be read.
bool seriesOf(const QString &name, const QString &vorname, int test, SeriesStats *stats)
{
    ResultQuery query(QStringLiteral("Export_SQLQuery"), kConnection);
    query.setBeforeOpen([stats](ResultQuery &) { stats->beforeOpen(); });
    query.setCalcFields([stats](ResultQuery &q) { stats->calcFields(q); });
    query.setStatement(TData::resultStatement(true));
    query.bindValue(QStringLiteral("MESSTYP"), test);
    query.bindValue(QStringLiteral("NAME"), name);
    query.bindValue(QStringLiteral("VORNAME"), vorname);
    if (!query.open())
        return false;
    stats->calcAll(query);
    return true;
}

int exportRows(const Options &o);

int run(const Options &o)
{
    QString error;
    if (o.target.isServer()) {
        if (const int code = openServer(o.target, &error))
            return fail(code, error);
        return exportRows(o);
    }
    // Before anything is read or written: the output must not be a table.
    const QString behind = dataFileBehind(o);
    if (!behind.isEmpty())
        return fail(2, QStringLiteral("%1 wäre die Tabellendatei %2 des Datenverzeichnisses; sie wird nicht "
                                      "überschrieben. Bitte eine andere Ausgabedatei angeben.")
                           .arg(toStdout(o.output) ? QStringLiteral("Die Standardausgabe")
                                                   : QStringLiteral("Die Ausgabe %1").arg(shown(o.output)),
                                shown(behind)));
    if (const int code = openTables(o.data, &error))
        return fail(code, error);
    return exportRows(o);
}

// Writes what o asks for from the open tables of kConnection.
int exportRows(const Options &o)
{
    QString error;
    const TableSchema &persTable = TableSchema::persData();
    const TableSchema &reakTable = TableSchema::reakData();
    if (!o.name.isEmpty()) {
        QSqlError e;
        const int exists = shooterExists(o.name, o.vorname, &e);
        if (exists < 0)
            return fail(1, readFailure(persTable, o.data, e));
        if (exists == 0)
            return fail(2, QStringLiteral("Der Schütze „%1, %2“ ist nicht vorhanden.").arg(o.name, o.vorname));
    }

    if (o.mode == Options::Mode::Rows) {
        QList<QStringList> rows;
        if (!MeasurementExport::rows(kConnection, {o.name, o.vorname, o.test}, &rows, &error))
            return fail(1, readFailure(reakTable, o.data));
        return writeOut(o.output, Csv::document(rows, !toStdout(o.output)), &error) ? 0 : fail(1, error);
    }

    if (o.mode == Options::Mode::Series) {
        QList<QStringList> lines{{"Name", "Vorname", "MessTyp", "Datum", "Zeit", "Serie", "S1", "S2", "S3", "S4", "S5",
                                  "Mittelwert", "StdAbw"}};
        QList<QPair<QString, QString>> shooters;
        QSqlError e;
        if (!shootersWithRows(o, &shooters, &e))
            return fail(1, readFailure(reakTable, o.data, e));
        for (const auto &shooter : std::as_const(shooters)) {
            for (int test = 1; test <= 3; ++test) {
                if (o.test && o.test != test)
                    continue;
                SeriesStats stats;
                if (!seriesOf(shooter.first, shooter.second, test, &stats))
                    return fail(1, readFailure(reakTable, o.data));
                for (const SeriesSummary &s : stats.series()) {
                    QStringList line{Csv::text(shooter.first), Csv::text(shooter.second), QString::number(test),
                                     Csv::dateText(s.datum), Csv::timeWithMs(s.zeit),
                                     s.serieKnown ? QString::number(s.serie) : QString()};
                    for (int slot : s.slotTimes)
                        line << QString::number(slot);
                    line << (s.validCount ? Csv::oneDecimal(s.mean) : QString())
                         << (s.validCount ? Csv::oneDecimal(s.stdDev) : QString());
                    lines << line;
                }
            }
        }
        return writeOut(o.output, Csv::document(lines, !toStdout(o.output)), &error) ? 0 : fail(1, error);
    }

    // --pdf
    SeriesStats stats;
    if (!seriesOf(o.name, o.vorname, o.test, &stats))
        return fail(1, readFailure(reakTable, o.data));
    std::unique_ptr<MeasurementReport> report;
    if (o.test == 1)
        report = std::make_unique<TEFRReport>();
    else if (o.test == 2)
        report = std::make_unique<TEFRFReport>();
    else
        report = std::make_unique<TIKReport>();
    report->setRows(stats.summaryLines());
    if (report->rows().isEmpty())
        return fail(1, QStringLiteral("Keine Meßergebnisse vorhanden."));
    const char *lines[3] = {"Einfachreaktionstest", "Einfachreaktionstest mit Fehlpräsentationen", "Individualkurventest"};
    report->measurementLine = QString::fromUtf8(lines[o.test - 1]);
    report->personLine = o.name + u' ' + o.vorname;
    const QLocale locale;
    report->dateLine = locale.toString(QDate::currentDate(), LogDateFormat(locale));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(report->title());
        writer.setCreator(QStringLiteral("Vantrel Reaktion"));
        writer.setResolution(300);
        MeasurementReport::preparePage(&writer);
        report->print(&writer);
    }
    return writeOut(o.output, buffer.data(), &error) ? 0 : fail(1, error);
}

void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    // No window system needed: the PDF writer only needs fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    ToolArguments arguments(argc, argv);
    QGuiApplication app(arguments.qtArgc(), arguments.qtArgv());
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Options options;
    const int parsed = parse(arguments.list(), &options);
    if (parsed == -1)
        return 0;
    if (parsed != 0)
        return parsed;
    const int code = run(options);
    QSqlDatabase::removeDatabase(kConnection);
    return code;
}
