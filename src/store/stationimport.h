#pragma once
// Merging a stand's data folder (its three table files, or an old backup of
// them) into the tables of an open connection of either kind.
#include "platform/backgroundjob.h"
#include "store/databasetarget.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <functional>

struct StationImportSummary
{
    int shootersAdded = 0;
    int resultsAdded = 0;
    int resultsPresent = 0;
    // German one-line summary for the user.
    QString text() const;
};

// A stand's rows, read and checked; stored fields without "Nummer".
struct StationRows
{
    QString folder;
    QList<QVariantList> pers, vis, reak;
};

// Steps done of total, reported row by row; false asks to stop: the import
// is then refused whole with StationImportCancelledText().
using ImportProgress = std::function<bool(qint64 done, qint64 total)>;
QString StationImportCancelledText(const QString &folder);

// Reads the folder's PersData, ReakData and (when there) VData read-only. A
// missing, broken or foreign file refuses the whole folder with a German
// message naming the file.
bool ReadStation(const QString &folder, StationRows *rows, QString *error, const ImportProgress &progress = {});
// Writes the rows in ONE transaction on the open connection targetConnection
// (see ImportStation); on failure or when stopped nothing is written.
bool MergeStation(const StationRows &rows, const QString &targetConnection, StationImportSummary *summary,
                  QString *error, const ImportProgress &progress = {});

// ReadStation, then MergeStation. Reads the folder's PersData, ReakData and (when there) VData read-only, then
// writes in ONE transaction on the open connection targetConnection: shooters
// matched by "Name" and "Vorname" (missing ones added, sight profiles taken
// only where the shooter has none yet), results added unless the same row
// (shooter, "MessTyp", "Datum", "Zeit", "Serie", "Scheibe") is already there.
// A missing, broken or foreign file refuses the whole folder; on any failure
// nothing is written and error holds a German message naming the file.
bool ImportStation(const QString &folder, const QString &targetConnection, StationImportSummary *summary,
                   QString *error);

// ReadStation and MergeStation as a job on a thread of its own, merging
// through a connection of its own to target (TData::connectionTarget() of the
// program's data module). Progress runs from 0 to 1000; cancel() rolls the
// whole import back. Usage:
//   auto *job = new StationImportJob(folder, TData::instance()->connectionTarget(), parent);
//   connect(job, &BackgroundJob::finished, parent, [job](bool ok) { ok ? job->summary() : job->error(); });
//   job->start();
class StationImportJob : public BackgroundJob
{
    Q_OBJECT
public:
    StationImportJob(const QString &folder, const DatabaseTarget &target, QObject *parent = nullptr);
    QString folder() const { return m_folder; }
    // After finished(true).
    StationImportSummary summary() const { return m_summary; }
    // After finished(false): the German reason (StationImportCancelledText when cancelled).
    QString error() const { return m_error; }

private:
    QString m_folder;
    DatabaseTarget m_target;
    StationImportSummary m_summary;
    QString m_error;
};
