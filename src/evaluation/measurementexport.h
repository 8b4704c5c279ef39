#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Stored measurements as CSV rows, on any open connection holding REAKDATA:
// columns Name;Vorname;Datum;Zeit;MessTyp;Serie;Scheibe;ReakZeit;Status;Fehler,
// sorted by name, first name, date, time, test type, series, target; "Zeit"
// with its milliseconds ("10:15:00,123"), text columns as Csv::text.
namespace MeasurementExport {

struct Filter
{
    QString name;      // empty: every shooter
    QString vorname;
    int messTyp = 0;   // 0: every test
};

QStringList header();
// Header and rows; false with a German reason in *error.
bool rows(const QString &connectionName, const Filter &filter, QList<QStringList> *out, QString *error);

} // namespace MeasurementExport
