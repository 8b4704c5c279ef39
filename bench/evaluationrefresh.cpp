// Evaluation benchmark: refresh of the evaluation window (three result queries
// with their series statistics) over 50,000 rows of the shown shooter and as
// many of another; then the printed record of 1,000 series as a PDF.
//   vantrel-evaluation-bench [--rows N] [--runs N] [--series N] [--no-stats]
// (--no-stats: the queries alone, to see what the statistics add)
#include "benchoptions.h"
#include "report/efrreport.h"
#include "evaluation/printservice.h"
#include "platform/programpaths.h"
#include "store/tableschema.h"
#include "store/tdata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
// CPU time of this thread: what the refresh costs without the other programs of a busy machine.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

bool fill(int rowsPerShooter)
{
    QSqlDatabase db = QSqlDatabase::database(TData::AliasName);
    if (!db.transaction())
        return false;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO ") + TableSchema::reakData().qualifiedTable()
              + QStringLiteral(" (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, ReakZeit, Status, Fehler)"
                               " VALUES (?,?,?,?,?,?,?,?,?,?)"));
    const QStringList names{QStringLiteral("Müller"), QStringLiteral("Abel")};
    for (const QString &name : names) {
        for (int i = 0; i < rowsPerShooter; ++i) {
            const int run = i / 25;                  // five series of five targets per measurement
            const QDate day = QDate(2020, 1, 1).addDays(run / 4);
            const QTime time = QTime(8, 0).addSecs((run % 4) * 3600);
            q.addBindValue(name);
            q.addBindValue(QStringLiteral("Jürgen"));
            q.addBindValue(TableSchema::dateText(day));
            q.addBindValue(TableSchema::timeText(time));
            q.addBindValue(double(1 + run % 3));
            q.addBindValue(double(1 + (i / 5) % 5));
            q.addBindValue(double(1 + i % 5));
            q.addBindValue(double(200 + (i * 37) % 300));
            q.addBindValue(i % 7 == 0 ? QStringLiteral("o") : QStringLiteral("x"));
            q.addBindValue(QStringLiteral("-"));
            if (!q.exec()) {
                std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
                return false;
            }
        }
    }
    return db.commit();
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const int rows = BenchOption(app.arguments(), "--rows", 50000, 100);
    const int runs = BenchOption(app.arguments(), "--runs", 20, 1);
    const int seriesCount = BenchOption(app.arguments(), "--series", 1000, 1);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("prog/bin"));
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    ProgramPaths::setProgramDir(dir.filePath(QStringLiteral("prog/bin")));
    TData data;
    data.addAlias(data.privateDir());
    if (!data.openTables() || !fill(rows)) {
        std::fprintf(stderr, "Datenbank kann nicht vorbereitet werden: %s\n", qPrintable(data.errorText()));
        return 1;
    }

    if (app.arguments().contains(QStringLiteral("--no-stats")))
        for (TData::Query q : {TData::Query::EFR, TData::Query::EFRF, TData::Query::IK})
            data.query(q)->setCalcFields(nullptr);
    QList<double> times, cpu;
    int shown = 0;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer t;
        t.start();
        const double cpuStart = threadCpuMs();
        shown = 0;
        for (TData::Query q : {TData::Query::EFR, TData::Query::EFRF, TData::Query::IK}) {
            if (!data.openResultQuery(q, QStringLiteral("Müller"), QStringLiteral("Jürgen"), false)) {
                std::fprintf(stderr, "%s\n", qPrintable(data.errorText()));
                return 1;
            }
            shown += data.query(q)->recordCount();
        }
        times << t.nsecsElapsed() / 1e6;
        cpu << threadCpuMs() - cpuStart;
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    const double median = times.at(times.size() / 2);
    std::printf("Refresh (3 Abfragen + Statistik), %d Zeilen angezeigt, %d Zeilen je Schütze: Median %.1f ms "
                "(CPU-Zeit %.1f ms) aus %d Läufen (Ziel < 150 ms) %s\n",
                shown, rows, median, cpu.at(cpu.size() / 2), runs, median < 150 ? "OK" : "ZU LANGSAM");

    TEFRReport report;
    QStringList lines;
    for (int s = 1; s <= seriesCount; ++s)
        lines << QStringLiteral("01.02.2003|10:15:00|%1|250|260|270|280|290|270,0|").arg(s);
    report.setRows(lines);
    report.measurementLine = QStringLiteral("Einfachreaktionstest");
    report.personLine = QStringLiteral("Müller Jürgen");
    int pages = 0;
    QElapsedTimer t;
    t.start();
    QString error;
    if (!WritePdf(dir.filePath(QStringLiteral("bench.pdf")), report.title(),
                  [&](QPagedPaintDevice *d) { pages = report.print(d); }, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("Messprotokoll mit %d Serien als PDF: %.1f ms, %d Seiten\n", seriesCount, t.nsecsElapsed() / 1e6, pages);
    data.closeTables();
    return 0;
}
