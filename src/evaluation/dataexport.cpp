#include "evaluation/dataexport.h"

#include "report/csvfile.h"
#include "report/measurementexport.h"
#include "evaluation/printservice.h"
#include "platform/messageservice.h"
#include "store/tdata.h"
#include "ui/jobprogress.h"

#include <QDir>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace {

const QString kTitle = QStringLiteral("Daten exportieren");

// The file written on a thread of its own; a cancel before its rename leaves no file.
void writeExport(QWidget *parent, const QString &file, const QByteArray &document, int rowCount)
{
    auto *job = new BackgroundJob(parent);
    auto error = std::make_shared<QString>();
    job->setWork([file, document, error](BackgroundJob::Control &control) {
        if (!control.progress(0, 1))
            return false;
        if (!Csv::write(file, document, error.get()))
            return false;
        control.progress(1, 1);
        return true;
    });
    QObject::connect(job, &BackgroundJob::finished, job, [job, error, file, rowCount](bool ok) {
        job->deleteLater();
        if (ok)
            ShowInformation(QStringLiteral("\r\n%1 Messwerte wurden nach „%2“ exportiert.")
                                .arg(rowCount)
                                .arg(QDir::toNativeSeparators(file)));
        else if (!job->isCancelled())
            ShowError(QStringLiteral("\r\n") + *error);
    });
    ShowJobProgress(job, kTitle, QStringLiteral("Die Messwerte werden geschrieben …"), parent);
    job->start();
}

} // namespace

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
    // Read on a thread of its own; the file is asked for once rows are there.
    auto *job = new MeasurementExportJob(data->connectionTarget(), parent);
    const QPointer<QWidget> owner(parent);
    QObject::connect(job, &BackgroundJob::finished, job, [job, owner](bool ok) {
        job->deleteLater();
        if (!ok) {
            if (!job->error().isEmpty())
                ShowError(QStringLiteral("\r\n") + job->error());
            return;
        }
        if (job->rowCount() <= 0) {
            ShowError(QStringLiteral("\r\nKeine Meßergebnisse vorhanden."));
            return;
        }
        const QString file = PrintService::instance().saveFileName(owner, kTitle, QStringLiteral("Messergebnisse.csv"),
                                                                   QStringLiteral("CSV-Dateien (*.csv)"));
        if (file.isEmpty())
            return;
        writeExport(owner, file, job->document(), job->rowCount());
    });
    ShowJobProgress(job, kTitle, QStringLiteral("Die Messwerte werden gelesen …"), parent);
    job->start();
}
