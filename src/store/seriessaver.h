#pragma once
#include <QDateTime>
#include <QString>
#include <QVector>

class TData;

// One row of a run as the result window lists it.
struct SeriesRow
{
    int series = 0;
    int target = 0;
    int reactionTime = 0;   // ms
    QString status;
    QString error;
};

// A run to be booked to a shooter: its rows, the test type ("MessTyp") and
// the moment of saving ("Datum", "Zeit").
struct SeriesRun
{
    QString name;
    QString vorname;
    int messTyp = 0;
    QDateTime stamp;
    QVector<SeriesRow> rows;
    // The shooter's record ("Nummer"); 0: the record PersTable stands on when
    // its names are the run's, otherwise the record of the names.
    qint64 nummer = 0;
};

struct SeriesSaveResult
{
    bool saved = false;
    // The German message for the user when nothing was saved.
    QString message;
    // The shooter's stored training count after saving; -1 when nothing was saved.
    int trainingRounds = -1;
    // The names the rows were booked to (the record's, renamed elsewhere or not).
    QString name;
    QString vorname;
    // Refused because the shooter's record was deleted elsewhere meanwhile:
    // the rows can be booked to another shooter.
    bool shooterMissing = false;
};

// Writes every row of the run into ReakData and raises the shooter's
// "Trainingsrunden" by one, in one transaction: either all of it is stored
// or nothing (a refused row, a missing shooter, a locked file). Rows waiting
// in ReakTable's update cache are left alone. The program's own PersTable
// is read again after saving (a worker's module is not). The rows go to the
// shooter's record as it is named at the moment of saving, also when another
// stand renamed it; a record deleted elsewhere refuses the save. On the
// server a connection found lost is opened again and the save tried again.
SeriesSaveResult saveSeries(TData *data, const SeriesRun &run);

// The answer of a save whose data module could not be opened (why: the
// reason): on the server the message of a lost connection.
SeriesSaveResult seriesNotOpened(bool server, const QString &why);
