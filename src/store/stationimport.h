#pragma once
// Merging a stand's data folder (its three table files, or an old backup of
// them) into the tables of an open connection of either kind.
#include <QList>
#include <QString>
#include <QVariantList>

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

// Reads the folder's PersData, ReakData and (when there) VData read-only. A
// missing, broken or foreign file refuses the whole folder with a German
// message naming the file.
bool ReadStation(const QString &folder, StationRows *rows, QString *error);
// Writes the rows in ONE transaction on the open connection targetConnection
// (see ImportStation); on failure nothing is written.
bool MergeStation(const StationRows &rows, const QString &targetConnection, StationImportSummary *summary,
                  QString *error);

// ReadStation, then MergeStation. Reads the folder's PersData, ReakData and (when there) VData read-only, then
// writes in ONE transaction on the open connection targetConnection: shooters
// matched by "Name" and "Vorname" (missing ones added, sight profiles taken
// only where the shooter has none yet), results added unless the same row
// (shooter, "MessTyp", "Datum", "Zeit", "Serie", "Scheibe") is already there.
// A missing, broken or foreign file refuses the whole folder; on any failure
// nothing is written and error holds a German message naming the file.
bool ImportStation(const QString &folder, const QString &targetConnection, StationImportSummary *summary,
                   QString *error);
