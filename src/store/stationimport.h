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
    int resultsSkipped = 0; // rows of a test other than 1, 2 and 3
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

// The PostgreSQL advisory lock an import holds for its transaction on the
// server: imports into one database run one after the other.
constexpr qint64 StationImportLockKey = 0x5652496D706F7274; // "VRImport"

// Reads the folder's PersData, ReakData and (when there) VData read-only. A
// missing, broken or foreign file, or a table without one of its columns (or
// with a column of an unusable type), refuses the whole folder with a German
// message naming the file (and the column). Number fields that hold no number
// arrive empty.
bool ReadStation(const QString &folder, StationRows *rows, QString *error, const ImportProgress &progress = {});
// Writes the rows in ONE transaction on the open connection targetConnection
// (see ImportStation); on failure or when stopped nothing is written.
bool MergeStation(const StationRows &rows, const QString &targetConnection, StationImportSummary *summary,
                  QString *error, const ImportProgress &progress = {});

// ReadStation, then MergeStation. Reads the folder's PersData, ReakData and (when there) VData read-only, then
// writes in ONE transaction on the open connection targetConnection (on the
// server under StationImportLockKey): shooters matched by "Name" and "Vorname"
// (missing ones added); one sight profile per shooter, the stand's first, only
// where the shooter has none yet and never one without a shooter; every result
// row of a known test added unless the target held an equal row before the
// import (all stored fields equal, empty equals empty; each target row stands
// for one stand row). "Trainingsrunden" of a shooter who was there rises by
// the runs (distinct "MessTyp", "Datum", "Zeit") added for him.
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
