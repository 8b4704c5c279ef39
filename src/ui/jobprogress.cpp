#include "ui/jobprogress.h"

#include "platform/backgroundjob.h"

#include <QProgressBar>
#include <QProgressDialog>

QProgressDialog *ShowJobProgress(BackgroundJob *job, const QString &title, const QString &label, QWidget *parent)
{
    auto *dialog = new QProgressDialog(label, QStringLiteral("Abbrechen"), 0, 0, parent);
    dialog->setObjectName(QStringLiteral("Fortschritt_Dialog"));
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    // Short work ends before the dialog would flash up.
    dialog->setMinimumDuration(300);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The bar is set directly: QProgressDialog::setValue() of a modal dialog runs the event loop.
    auto *bar = new QProgressBar(dialog);
    bar->setRange(0, 0);
    dialog->setBar(bar);
    QObject::connect(dialog, &QProgressDialog::canceled, job, &BackgroundJob::cancel);
    // Esc rejects the dialog without "canceled".
    QObject::connect(dialog, &QDialog::rejected, job, &BackgroundJob::cancel);
    QObject::connect(job, &BackgroundJob::progressed, bar, [bar](qint64 done, qint64 total) {
        if (total <= 0) {
            bar->setRange(0, 0);
            return;
        }
        // The bar counts in int: per mille of large totals.
        const int max = total > 1000000 ? 1000 : int(total);
        bar->setRange(0, max);
        bar->setValue(int(qMin(done, total) * max / total));
    });
    // Closing the dialog cancels (QProgressDialog says "canceled" on close): not at the job's end.
    const auto done = [dialog, job] {
        QObject::disconnect(dialog, nullptr, job, nullptr);
        dialog->close();
    };
    QObject::connect(job, &BackgroundJob::ended, dialog, done);
    QObject::connect(job, &QObject::destroyed, dialog, done);
    return dialog;
}
