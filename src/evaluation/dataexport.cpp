#include "evaluation/dataexport.h"

#include "report/csvfile.h"
#include "report/measurementexport.h"
#include "evaluation/printservice.h"
#include "platform/messageservice.h"
#include "store/tdata.h"

#include <QDir>

void ExportAllData(QWidget *parent)
{
    TData *data = TData::instance();
    if (!data || !data->tablesOpen()) {
        ShowError(QStringLiteral("\r\nDie Datenbank ist nicht geöffnet."));
        return;
    }
    // Cached rows not yet written belong to the export too.
    if (data->reakTable()->hasPendingUpdates() && !data->reakTable()->applyUpdates()) {
        ShowError(QStringLiteral("\r\n") + data->reakTable()->errorText());
        return;
    }
    QList<QStringList> rows;
    QString error;
    if (!MeasurementExport::rows(TData::AliasName, {}, &rows, &error)) {
        ShowError(QStringLiteral("\r\n") + error);
        return;
    }
    if (rows.size() <= 1) {
        ShowError(QStringLiteral("\r\nKeine Meßergebnisse vorhanden."));
        return;
    }
    const QString file = PrintService::instance().saveFileName(parent, QStringLiteral("Daten exportieren"),
                                                               QStringLiteral("Messergebnisse.csv"),
                                                               QStringLiteral("CSV-Dateien (*.csv)"));
    if (file.isEmpty())
        return;
    if (!Csv::write(file, Csv::document(rows), &error)) {
        ShowError(QStringLiteral("\r\n") + error);
        return;
    }
    ShowInformation(QStringLiteral("\r\n%1 Messwerte wurden nach „%2“ exportiert.")
                        .arg(rows.size() - 1)
                        .arg(QDir::toNativeSeparators(file)));
}
