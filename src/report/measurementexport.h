#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Stored measurements as CSV rows, on any open connection holding REAKDATA:
// columns Name;Vorname;Datum;Zeit;MessTyp;Serie;Scheibe;ReakZeit;Status;Fehler,
// sorted by name, first name, date, time, test type, series, target; "Zeit"
// with its milliseconds ("10:15:00,123"), text columns as Csv::text, numbers
// as ResultQuery::number reads them (empty when stored as no number). Rows
// whose "MessTyp" is not 1, 2 or 3 belong to no test and are left out.
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
