// vantrel-import: merges a stand's data folder (its three table files or an
// old backup of them) into the database of this PC or the club server.
#include "store/databasetarget.h"
#include "store/quoted.h"
#include "store/stationimport.h"
#include "store/storeerror.h"
#include "store/tablefilecheck.h"
#include "store/tableschema.h"
#include "store/tdata.h"
#include "toolarguments.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <cstdio>
#include <memory>

namespace {

const QString kConnection = QStringLiteral("VantrelImport");

const char *const kHelp =
    "Aufruf: vantrel-import --from VERZEICHNIS [--data VERZEICHNIS |\n"
    "                       --server SERVER --port N --dbname DATENBANK --user BENUTZER |\n"
    "                       postgresql://BENUTZER@SERVER:PORT/DATENBANK]\n"
    "\n"
    "Übernimmt die Daten eines Trainingsstands (PersData.sqlite, VData.sqlite und\n"
    "ReakData.sqlite, auch aus einem alten Sicherungsordner) in eine Datenbank,\n"
    "alles oder nichts: Schützen werden über Name und Vorname zugeordnet (fehlende\n"
    "neu angelegt; ein Visierprofil, das erste des Stands, nur wo der Schütze noch\n"
    "keines hat). Jede Ergebniszeile wird übernommen, außer eine gleiche Zeile war\n"
    "schon vor dem Import in der Datenbank; Zeilen unbekannter Tests werden\n"
    "übersprungen. Die Trainingsrunden eines vorhandenen Schützen steigen um seine\n"
    "übernommenen Durchgänge. Ein zweiter Import desselben Ordners fügt nichts\n"
    "hinzu; Importe auf denselben Server laufen nacheinander. Die Dateien des\n"
    "Stands werden nur gelesen; fehlt einer Tabelle eine Spalte oder hat sie\n"
    "einen unbrauchbaren Typ, wird der Ordner abgelehnt.\n"
    "\n"
    "  --from VERZEICHNIS  Datenordner des Stands\n"
    "%1"
    "  --help              diese Hilfe\n"
    "\n"
    "Ohne --data und --server gilt die Datenbank aus den Einstellungen des\n"
    "Programms. Eine leere Datenbank auf dem Server bekommt die Tabellen wie beim\n"
    "ersten Start.\n"
    "\n"
    "Rückgabewert: 0 erfolgreich (die Zusammenfassung steht auf der\n"
    "Standardausgabe), 2 bei jedem Fehler; dann wurde nichts geschrieben.\n";

int fail(const QString &message)
{
    QTextStream(stderr) << "vantrel-import: " << message << "\n";
    return 2;
}

// Opens the three table files of dir on kConnection, making the tables of a
// folder that has none yet (their files in *created); false with a German message.
bool openLocal(const QString &dir, QString *error, QStringList *created)
{
    if (!QDir(dir).exists()) {
        *error = QStringLiteral("Das Datenverzeichnis %1 ist nicht vorhanden.").arg(QuotedPath(dir));
        return false;
    }
    int present = 0;
    for (const TableSchema *s : TableSchema::all()) {
        const QString path = QDir(dir).filePath(s->fileName);
        if (!QFileInfo::exists(path))
            continue;
        ++present;
        *error = TableFileProblem(*s, path);
        if (!error->isEmpty())
            return false;
    }
    if (present != 0 && present != TableSchema::all().size()) {
        *error = QStringLiteral("Im Datenverzeichnis %1 fehlt eine der drei Tabellendateien; es wird nichts verändert.")
                     .arg(QuotedPath(dir));
        return false;
    }
    if (present == 0)
        for (const TableSchema *s : TableSchema::all())
            *created << QDir(dir).filePath(s->fileName);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
    db.setDatabaseName(QDir(dir).filePath(TableSchema::persData().fileName));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    const QString where = QStringLiteral("Die Tabellen in %1 können nicht geöffnet werden: ").arg(QuotedPath(dir));
    if (!db.open()) {
        *error = where + StoreErrorText(db.lastError());
        return false;
    }
    QSqlQuery q(db);
    for (const TableSchema *s : {&TableSchema::vData(), &TableSchema::reakData()}) {
        q.prepare(QStringLiteral("ATTACH DATABASE ? AS ") + s->schemaName);
        q.addBindValue(QDir(dir).filePath(s->fileName));
        if (!q.exec()) {
            *error = where + StoreErrorText(q.lastError());
            return false;
        }
    }
    for (const TableSchema *s : TableSchema::all()) {
        const QString damage = TableDamage(db, s->schemaName);
        if (!damage.isEmpty()) {
            *error = UnreadableTableText(*s, QDir(dir).filePath(s->fileName), damage);
            return false;
        }
        if (present == 0 && (!q.exec(s->createTableSql()) || !q.exec(s->createIndexSql()))) {
            *error = where + StoreErrorText(q.lastError());
            return false;
        }
    }
    return true;
}

// After a failed import: the table files it made go again (with SQLite's
// journals), so the folder stays as empty as it was for later imports and exports.
void removeCreated(const QStringList &created)
{
    if (created.isEmpty())
        return;
    QSqlDatabase::database(kConnection, false).close();
    for (const QString &path : created)
        for (const char *suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(path + QLatin1String(suffix));
}

int run(const QString &from, const TargetArguments &t)
{
    // The stand's files first: a broken one refuses the import before the target is touched.
    QString error;
    StationRows rows;
    if (!ReadStation(from, &rows, &error))
        return fail(error);

    std::unique_ptr<TData> data;
    DatabaseTarget target;
    if (t.isServer()) {
        target = DatabaseTarget::server(t.host, t.port, t.dbname, t.user);
    } else if (!t.data.isEmpty()) {
        target = DatabaseTarget::local(t.data);
    } else {
        data = std::make_unique<TData>(kConnection);
        target = data->target();
        if (!target.isServer())
            target.folder = data->aliasPath().isEmpty() ? data->privateDir() : data->aliasPath();
    }
    if (target.isServer()) {
        if (!data)
            data = std::make_unique<TData>(kConnection);
        data->setTarget(target);
        if (!data->openTables())
            return fail(data->errorText());
    }
    QStringList created;
    if (!target.isServer() && !openLocal(target.folder, &error, &created)) {
        removeCreated(created);
        return fail(error);
    }
    StationImportSummary summary;
    if (!MergeStation(rows, kConnection, &summary, &error)) {
        removeCreated(created);
        return fail(error);
    }
    QTextStream(stdout) << QStringLiteral("Import aus %1 nach %2: %3")
                               .arg(QuotedPath(from), target.describe(), summary.text())
                        << "\n";
    return 0;
}

void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietHandler);
    ToolArguments arguments(argc, argv);
    QCoreApplication app(arguments.qtArgc(), arguments.qtArgv());
    const QStringList &args = arguments.list();
    QString from, error;
    QStringList given;
    TargetArguments target;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            QTextStream(stdout) << QString::fromUtf8(kHelp).arg(TargetArguments::helpLines());
            return 0;
        }
        const int taken = target.take(args, &i, &error);
        if (taken < 0)
            return fail(error);
        if (taken)
            continue;
        if (a == QLatin1String("--from")) {
            if (i + 1 >= args.size() || args.at(i + 1).startsWith(QLatin1String("--")))
                return fail(QStringLiteral("Zur Option --from fehlt der Wert."));
            if (!TakeOnce(a, args.at(i + 1), &given, &error))
                return fail(error);
            from = args.at(++i);
        } else {
            return fail(QStringLiteral("Unbekannte Option „%1“ (Hilfe: vantrel-import --help).").arg(a));
        }
    }
    if (from.isEmpty())
        return fail(QStringLiteral("Der Ordner des Stands fehlt (--from VERZEICHNIS)."));
    if (!target.check(&error))
        return fail(error);
    int code;
    {
        code = run(from, target);
    }
    QSqlDatabase::removeDatabase(kConnection);
    return code;
}
