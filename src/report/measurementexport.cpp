#include "report/measurementexport.h"

#include "report/csvfile.h"
#include "store/resultquery.h"
#include "store/tdata.h"

#include <QSqlDatabase>

namespace MeasurementExport {

QStringList header()
{
    return {QStringLiteral("Name"),    QStringLiteral("Vorname"),  QStringLiteral("Datum"),  QStringLiteral("Zeit"),
            QStringLiteral("MessTyp"), QStringLiteral("Serie"),    QStringLiteral("Scheibe"), QStringLiteral("ReakZeit"),
            QStringLiteral("Status"),  QStringLiteral("Fehler")};
}

bool rows(const QString &connectionName, const Filter &filter, QList<QStringList> *out, QString *error,
          const std::function<bool(qint64 done, qint64 total)> &progress)
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
    const int count = query.recordCount();
    for (int r = 0; r < count; ++r) {
        if (progress && !progress(r, count)) {
            out->clear();
            if (error)
                error->clear();
            return false;
        }
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
    if (progress)
        progress(count, count);
    return true;
}

} // namespace MeasurementExport

namespace {
const QString kExportConnection = QStringLiteral("VantrelExport");
}

MeasurementExportJob::MeasurementExportJob(const DatabaseTarget &target, QObject *parent)
    : BackgroundJob(parent)
    , m_target(target)
{
    // The query first (no total known yet), then the rows, then the document.
    setWork([this](Control &control) {
        control.progress(0, 0);
        QList<QStringList> rows;
        bool ok = false;
        {
            TData data(kExportConnection);
            if (!data.openConnectionTo(m_target))
                m_error = data.errorText();
            else
                ok = MeasurementExport::rows(kExportConnection, {}, &rows, &m_error,
                                             [&control](qint64 done, qint64 total) { return control.progress(done, 2 * total); });
        }
        QSqlDatabase::removeDatabase(kExportConnection);
        if (!ok || control.isCancelled())
            return false;
        m_rowCount = int(rows.size()) - 1;
        // Line by line, so a cancel is heard; the same bytes as Csv::document(rows).
        const qint64 total = 2 * qint64(m_rowCount);
        m_document = Csv::document({rows.constFirst()});
        for (int i = 1; i < rows.size(); ++i) {
            m_document += Csv::document({rows.at(i)}, false);
            if (!control.progress(m_rowCount + i, total)) {
                m_document.clear();
                return false;
            }
        }
        return true;
    });
}
