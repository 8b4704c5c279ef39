#pragma once
#include "platform/backgroundjob.h"
#include "store/databasetarget.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

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
// Header and rows; false with a German reason in *error. progress hears
// each row made (done of total); its false stops: false with *error empty.
bool rows(const QString &connectionName, const Filter &filter, QList<QStringList> *out, QString *error,
          const std::function<bool(qint64 done, qint64 total)> &progress = {});

} // namespace MeasurementExport

// Every stored measurement (no filter) read on a thread of its own, through
// a connection of its own to target (TData::connectionTarget()), and made
// into one CSV document. Cancelled, it ends with finished(false) and no error.
class MeasurementExportJob : public BackgroundJob
{
    Q_OBJECT
public:
    explicit MeasurementExportJob(const DatabaseTarget &target, QObject *parent = nullptr);
    // After finished(true): measurement rows (without the header) and the file's bytes.
    int rowCount() const { return m_rowCount; }
    QByteArray document() const { return m_document; }
    // After finished(false): the German reason; empty when cancelled.
    QString error() const { return m_error; }

private:
    DatabaseTarget m_target;
    int m_rowCount = 0;
    QByteArray m_document;
    QString m_error;
};
