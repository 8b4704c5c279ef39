#include "report/measurementexport.h"

#include "report/csvfile.h"
#include "store/resultquery.h"

namespace MeasurementExport {

QStringList header()
{
    return {QStringLiteral("Name"),    QStringLiteral("Vorname"),  QStringLiteral("Datum"),  QStringLiteral("Zeit"),
            QStringLiteral("MessTyp"), QStringLiteral("Serie"),    QStringLiteral("Scheibe"), QStringLiteral("ReakZeit"),
            QStringLiteral("Status"),  QStringLiteral("Fehler")};
}

bool rows(const QString &connectionName, const Filter &filter, QList<QStringList> *out, QString *error)
{
    ResultQuery query(QStringLiteral("Export_SQLQuery"), connectionName);
    QString sql = QStringLiteral(
        "SELECT NAME,VORNAME,DATUM,ZEIT,MESSTYP,SERIE,SCHEIBE,ReakZeit,STATUS,FEHLER FROM REAKDATA "
        "WHERE MessTyp IN (1,2,3)"); // rows of no test are in no test's view either
    if (!filter.name.isEmpty()) {
        sql += QStringLiteral(" AND NAME=:NAME AND VORNAME=:VORNAME");
        query.bindValue(QStringLiteral("NAME"), filter.name);
        query.bindValue(QStringLiteral("VORNAME"), filter.vorname);
    }
    if (filter.messTyp > 0) {
        sql += QStringLiteral(" AND MessTyp=:MESSTYP");
        query.bindValue(QStringLiteral("MESSTYP"), filter.messTyp);
    }
    sql += QStringLiteral(" ORDER BY NAME,VORNAME,DATUM,ZEIT,MESSTYP,SERIE,SCHEIBE");
    query.setStatement(sql);
    if (!query.open()) {
        if (error)
            *error = query.errorText();
        return false;
    }
    out->clear();
    out->append(header());
    for (int r = 0; r < query.recordCount(); ++r) {
        auto v = [&](const char *column) { return query.valueAt(r, QString::fromLatin1(column)); };
        // A stored value that is no number stays empty, never a wrapped one.
        auto whole = [&](const char *column) {
            int n = 0;
            return ResultQuery::wholeNumber(v(column), &n) ? QString::number(n) : QString();
        };
        out->append({Csv::text(v("NAME").toString()), Csv::text(v("VORNAME").toString()),
                     Csv::dateText(v("DATUM").toDate()), Csv::timeWithMs(v("ZEIT").toTime()),
                     whole("MESSTYP"), whole("SERIE"), whole("SCHEIBE"), whole("ReakZeit"),
                     Csv::text(v("STATUS").toString()), Csv::text(v("FEHLER").toString())});
    }
    return true;
}

} // namespace MeasurementExport
