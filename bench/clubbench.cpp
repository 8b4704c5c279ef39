// Club server benchmark: a throw-away PostgreSQL cluster on a loopback port;
// saves per second and the slowest save with 1 and 4 stands (threads, each
// with its own data module), then the evaluation refresh over a table of
// 200,000 rows on the server beside the same on the local files; and a stand
// far from its server (50 ms each way through a delay proxy): start, save and
// the evaluation's reading.
//   vantrel-club-bench [--runs N] [--rows N] [--refreshes N]
// (--runs: saves of 25 rows per stand; --rows: rows of the filled table)
#include "benchoptions.h"
#include "platform/programpaths.h"
#include "store/seriessaver.h"
#include "store/tableschema.h"
#include "store/tdata.h"
#include "support/delayproxy.h"
#include "support/pgcluster.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QMutex>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const int kShooters = 8;

QString shooterName(int i) { return QStringLiteral("Schütze%1").arg(i); }

SeriesRun benchRun(int stand, int run)
{
    SeriesRun r{shooterName((stand + run) % kShooters), QStringLiteral("Jürgen"), 1 + run % 3,
                QDateTime(QDate(2025, 1, 1), QTime(8, 0)).addMSecs(qint64(stand) * 10000000 + run * 1000), {}};
    for (int s = 1; s <= 5; ++s)
        for (int k = 1; k <= 5; ++k)
            r.rows << SeriesRow{s, k, 200 + (s * 7 + k * 13) % 200, QStringLiteral("x"), QStringLiteral("-")};
    return r;
}

struct SaveFigures
{
    int saves = 0;
    double seconds = 0;
    double slowestMs = 0;
    QString error;
};

// Stands saving at once, each in its own thread on its own connection.
SaveFigures saveRuns(const DatabaseTarget &target, int stands, int runs)
{
    SaveFigures out;
    QMutex mutex;
    QList<QThread *> threads;
    for (int stand = 0; stand < stands; ++stand) {
        threads << QThread::create([&, stand] {
            TData data(QStringLiteral("bench-stand-%1-%2").arg(stands).arg(stand));
            data.setTarget(target);
            QString error;
            double slowest = 0;
            int saved = 0;
            if (!data.openTables()) {
                error = data.errorText();
            } else {
                for (int run = 0; run < runs && error.isEmpty(); ++run) {
                    QElapsedTimer t;
                    t.start();
                    const SeriesSaveResult r = saveSeries(&data, benchRun(stand, run));
                    slowest = std::max(slowest, t.nsecsElapsed() / 1e6);
                    if (r.saved)
                        ++saved;
                    else
                        error = r.message.trimmed();
                }
                data.closeTables();
            }
            QMutexLocker lock(&mutex);
            out.saves += saved;
            out.slowestMs = std::max(out.slowestMs, slowest);
            if (!error.isEmpty())
                out.error = error;
        });
    }
    QElapsedTimer wall;
    wall.start();
    for (QThread *t : std::as_const(threads))
        t->start();
    for (QThread *t : std::as_const(threads)) {
        t->wait();
        delete t;
    }
    out.seconds = wall.nsecsElapsed() / 1e9;
    return out;
}

// rows result rows spread over the shooters, in statements of 500 rows.
bool fill(TData &data, const QString &connection, int rows)
{
    DataTable *pers = data.persTable();
    for (int i = 0; i < kShooters; ++i)
        if (!pers->append() || !pers->setFieldValue(QStringLiteral("Name"), shooterName(i))
            || !pers->setFieldValue(QStringLiteral("Vorname"), QStringLiteral("Jürgen")) || !pers->post())
            return false;
    QSqlDatabase db = QSqlDatabase::database(connection);
    if (!db.transaction())
        return false;
    const int batch = 500;
    for (int first = 0; first < rows; first += batch) {
        const int n = std::min(batch, rows - first);
        QStringList values;
        for (int i = 0; i < n; ++i)
            values << QStringLiteral("(?,?,?,?,?,?,?,?,?,?)");
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO ") + TableSchema::reakData().qualifiedTable()
                  + QStringLiteral(" (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, ReakZeit, Status, Fehler) VALUES ")
                  + values.join(u','));
        for (int i = first; i < first + n; ++i) {
            const int shooter = i % kShooters;
            const int run = i / (kShooters * 25);   // five series of five targets per measurement
            const int k = (i / kShooters) % 25;
            q.addBindValue(shooterName(shooter));
            q.addBindValue(QStringLiteral("Jürgen"));
            q.addBindValue(TableSchema::dateText(QDate(2020, 1, 1).addDays(run / 4)));
            q.addBindValue(TableSchema::timeText(QTime(8, 0).addSecs((run % 4) * 3600)));
            q.addBindValue(double(1 + run % 3));
            q.addBindValue(double(1 + k / 5));
            q.addBindValue(double(1 + k % 5));
            q.addBindValue(double(200 + (i * 37) % 300));
            q.addBindValue(i % 7 == 0 ? QStringLiteral("o") : QStringLiteral("x"));
            q.addBindValue(QStringLiteral("-"));
        }
        if (!q.exec()) {
            std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

struct RefreshFigures
{
    double medianMs = -1;
    int shown = 0;
};

// The evaluation window's refresh: the three result queries of one shooter.
RefreshFigures refresh(TData &data, int refreshes)
{
    RefreshFigures out;
    QList<double> times;
    for (int r = 0; r < refreshes; ++r) {
        QElapsedTimer t;
        t.start();
        out.shown = 0;
        for (TData::Query q : {TData::Query::EFR, TData::Query::EFRF, TData::Query::IK}) {
            if (!data.openResultQuery(q, shooterName(0), QStringLiteral("Jürgen"), false)) {
                std::fprintf(stderr, "%s\n", qPrintable(data.errorText()));
                return RefreshFigures{};
            }
            out.shown += data.query(q)->recordCount();
        }
        times << t.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    out.medianMs = times.at(times.size() / 2);
    return out;
}

double median(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

// A stand 50 ms away from the server: what the program does at start (open
// the tables, listen for other stands), a save on the kept connection of the
// result window's worker, and the evaluation's three queries on the kept
// read-only connection of its reader.
bool farStand(const PgCluster &cluster, const DatabaseTarget &direct, int repeats)
{
    const int delayMs = 50;
    DelayProxy proxy(direct.host, direct.port, delayMs);
    if (!proxy.port()) {
        std::fprintf(stderr, "Verzögerung: kein freier Port\n");
        return false;
    }
    DatabaseTarget far = direct;
    far.port = proxy.port();
    QFile passwords(cluster.passwordFile());
    if (!passwords.open(QIODevice::Append)
        || passwords.write(QStringLiteral("%1:%2:*:%3:%4\n").arg(far.host).arg(far.port).arg(far.user, cluster.password()).toUtf8()) < 0)
        return false;
    passwords.close();
    const auto report = [&](const char *what, const QList<double> &ms, int trips, double goalMs) {
        std::printf("  %-34s %10.0f %10.0f %14d %s\n", what, median(ms), *std::max_element(ms.begin(), ms.end()),
                    trips / int(ms.size()), goalMs <= 0 ? "" : median(ms) < goalMs ? "OK" : "ZU LANGSAM");
    };
    std::printf("Stand mit %d ms je Richtung zum Server (Median und längste aus %d)\n", delayMs, repeats);
    std::printf("  %-34s %10s %10s %14s\n", "Vorgang", "Median ms", "max ms", "Anfragen");

    // The program's own module is another: these work as the stand's workers do.
    TData program(QStringLiteral("bench-far-program"));
    QList<double> start;
    int trips = proxy.requests();
    for (int i = 0; i < repeats; ++i) {
        TData data(QStringLiteral("bench-far-start-%1").arg(i));
        data.setTarget(far);
        QElapsedTimer t;
        t.start();
        if (!data.openTables() || !QSqlDatabase::database(QStringLiteral("bench-far-start-%1").arg(i), false).driver()->subscribeToNotification(TData::changeChannel())) {
            std::fprintf(stderr, "Start: %s\n", qPrintable(data.errorText()));
            return false;
        }
        start << t.nsecsElapsed() / 1e6;
        data.closeTables();
    }
    report("Start (Tabellen öffnen, zuhören)", start, proxy.requests() - trips, 1000);

    TData stand(QStringLiteral("bench-far-save"));
    stand.setTarget(far);
    TData reader(QStringLiteral("bench-far-read"));
    reader.setTarget(far);
    reader.setReadOnly(true);
    QElapsedTimer first;
    first.start();
    if (!stand.openTables() || !reader.openTables()) {
        std::fprintf(stderr, "%s%s\n", qPrintable(stand.errorText()), qPrintable(reader.errorText()));
        return false;
    }
    QList<double> saves;
    trips = proxy.requests();
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        const SeriesSaveResult r = saveSeries(&stand, benchRun(9, 1000 + i));
        if (!r.saved) {
            std::fprintf(stderr, "Speichern: %s\n", qPrintable(r.message.trimmed()));
            return false;
        }
        saves << t.nsecsElapsed() / 1e6;
    }
    report("Speichern (25 Zeilen)", saves, proxy.requests() - trips, 500);

    QList<double> reads;
    trips = proxy.requests();
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        for (TData::Query q : {TData::Query::EFR, TData::Query::EFRF, TData::Query::IK}) {
            ResultQuery::Fetched rows;
            if (!reader.fetchResults(q, shooterName(1), QStringLiteral("Jürgen"), false, &rows)) {
                std::fprintf(stderr, "Auswertung: %s\n", qPrintable(reader.errorText()));
                return false;
            }
        }
        reads << t.nsecsElapsed() / 1e6;
    }
    report("Auswertung lesen (3 Abfragen)", reads, proxy.requests() - trips, 500);
    stand.closeTables();
    reader.closeTables();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = BenchOption(app.arguments(), "--runs", 100, 1);
    const int rows = BenchOption(app.arguments(), "--rows", 200000, 1000);
    const int refreshes = BenchOption(app.arguments(), "--refreshes", 20, 1);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("prog/bin"));
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    ProgramPaths::setProgramDir(dir.filePath(QStringLiteral("prog/bin")));

    PgCluster cluster;
    if (!cluster.start() || !cluster.createDatabase(QStringLiteral("saves")) || !cluster.createDatabase(QStringLiteral("refresh"))) {
        std::fprintf(stderr, "PostgreSQL-Testserver startet nicht: %s\n", qPrintable(cluster.error()));
        return 1;
    }
    const DatabaseTarget saves = DatabaseTarget::server(cluster.host(), cluster.port(), QStringLiteral("saves"), cluster.userName());
    {
        TData setUp(QStringLiteral("bench-setup"));
        setUp.setTarget(saves);
        DataTable *pers = setUp.persTable();
        bool ok = setUp.openTables();
        for (int i = 0; ok && i < kShooters; ++i)
            ok = pers->append() && pers->setFieldValue(QStringLiteral("Name"), shooterName(i))
                 && pers->setFieldValue(QStringLiteral("Vorname"), QStringLiteral("Jürgen")) && pers->post();
        if (!ok) {
            std::fprintf(stderr, "Schützen können nicht angelegt werden: %s\n", qPrintable(setUp.errorText()));
            return 1;
        }
        setUp.closeTables();
    }

    std::printf("Speichern auf dem Vereinsserver (je Lauf 25 Zeilen, %d Läufe je Stand)\n", runs);
    std::printf("  %-9s %13s %17s %16s\n", "Stände", "Läufe", "Läufe/s", "langsamster ms");
    for (int stands : {1, 4}) {
        const SaveFigures f = saveRuns(saves, stands, runs);
        if (!f.error.isEmpty()) {
            std::fprintf(stderr, "Speichern fehlgeschlagen: %s\n", qPrintable(f.error));
            return 1;
        }
        std::printf("  %-8d %12d %16.1f %16.1f\n", stands, f.saves, f.saves / f.seconds, f.slowestMs);
    }

    if (!farStand(cluster, saves, std::min(runs, 10)))
        return 1;

    std::printf("Auswertung neu lesen (3 Abfragen + Statistik), Tabelle mit %d Zeilen, Median aus %d (Ziel < 150 ms)\n",
                rows, refreshes);
    std::printf("  %-22s %10s %12s\n", "Datenbank", "angezeigt", "Median ms");
    for (bool server : {true, false}) {
        const QString connection = server ? QStringLiteral("bench-refresh") : TData::AliasName;
        auto data = server ? std::make_unique<TData>(connection) : std::make_unique<TData>();
        if (server)
            data->setTarget(DatabaseTarget::server(cluster.host(), cluster.port(), QStringLiteral("refresh"), cluster.userName()));
        else
            data->addAlias(data->privateDir());
        if (!data->openTables() || !fill(*data, connection, rows)) {
            std::fprintf(stderr, "Datenbank kann nicht gefüllt werden: %s\n", qPrintable(data->errorText()));
            return 1;
        }
        const RefreshFigures f = refresh(*data, refreshes);
        if (f.medianMs < 0)
            return 1;
        std::printf("  %-22s %10d %12.1f %s\n", server ? "Vereinsserver" : "lokal (SQLite)", f.shown, f.medianMs,
                    f.medianMs < 150 ? "OK" : "ZU LANGSAM");
        data->closeTables();
    }
    return 0;
}
