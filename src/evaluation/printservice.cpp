#include "evaluation/printservice.h"

#include "report/measurementreport.h"
#include "platform/messageservice.h"
#include "platform/backgroundjob.h"
#include "platform/safefile.h"
#include "ui/jobprogress.h"

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QBuffer>
#include <QToolBar>
#include <memory>

namespace {

// Qt's print and file dialogs fill themselves in only when shown and grow
// then; measured on a hidden twin, the dialog's native window is made at the
// size it is shown at (not resized after it was made).
template <typename Make>
void madeAtShownSize(QDialog &dialog, const Make &make)
{
    QSize shown;
    {
        std::unique_ptr<QDialog> twin(make());
        twin->setAttribute(Qt::WA_DontShowOnScreen);
        twin->show();
        QCoreApplication::sendPostedEvents();
        shown = twin->sizeHint();
        twin->hide();
    }
    dialog.ensurePolished();
    dialog.adjustSize();
    dialog.resize(dialog.size().expandedTo(shown));
}

class DialogPrintService : public PrintService
{
public:
    bool setupPrinter(QPrinter *printer, QWidget *parent) override
    {
        QPrintDialog dialog(printer, parent);
        dialog.setWindowTitle(QStringLiteral("Drucken"));
        madeAtShownSize(dialog, [printer, parent] { return new QPrintDialog(printer, parent); });
        return dialog.exec() == QDialog::Accepted;
    }

    void print(QPrinter *printer, const QString &, const Render &render) override { render(printer); }

    void preview(QPrinter *printer, const QString &title, const Render &render, QWidget *parent) override
    {
        std::unique_ptr<QPrintPreviewDialog> dialog(CreatePreviewDialog(printer, title, render, parent));
        dialog->exec();
    }

    QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested, const QString &filter) override
    {
        // A bare name goes to the folder last saved to, else the documents
        // folder: never the working directory (test 3 moves it into kdata).
        QString start = suggested;
        if (QFileInfo(suggested).isRelative()) {
            QString folder = m_lastFolder;
            if (folder.isEmpty() || !QFileInfo(folder).isDir())
                folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            if (folder.isEmpty() || !QFileInfo(folder).isDir())
                folder = QDir::homePath();
            start = QDir(folder).filePath(suggested);
        }
        const auto make = [parent, caption, start, filter] {
            auto *dialog = new QFileDialog(parent, caption, start, filter);
            dialog->setAcceptMode(QFileDialog::AcceptSave);
            dialog->selectFile(QFileInfo(start).fileName());
            return dialog;
        };
        std::unique_ptr<QFileDialog> made(make());
        QFileDialog &dialog = *made;
        madeAtShownSize(dialog, make);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        const QString file = dialog.selectedFiles().constFirst();
        m_lastFolder = QFileInfo(file).absolutePath();
        return file;
    }

private:
    QString m_lastFolder;
};

PrintService *s_installed = nullptr;

} // namespace

QPrintPreviewDialog *CreatePreviewDialog(QPrinter *printer, const QString &title, const PrintService::Render &render,
                                         QWidget *parent)
{
    auto *dialog = new QPrintPreviewDialog(printer, parent);
    dialog->setObjectName(QStringLiteral("Preview_Dialog"));
    dialog->setWindowTitle(QStringLiteral("Seitenansicht – ") + title);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [render](QPrinter *p) { render(p); });
    // Qt has no accessor for the preview's own tool bar; it is its only one.
    if (auto *bar = dialog->findChild<QToolBar *>()) {
        bar->addSeparator();
        QAction *pdf = bar->addAction(QStringLiteral("Als PDF speichern…"));
        pdf->setObjectName(QStringLiteral("SavePdf_Action"));
        const QString docName = printer->docName();
        const QString suggested = docName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                                      ? docName
                                      : title + QStringLiteral(".pdf");
        QObject::connect(pdf, &QAction::triggered, dialog, [dialog, render, title, suggested] {
            const QString file = PrintService::instance().saveFileName(dialog, QStringLiteral("Als PDF speichern"),
                                                                       suggested, QStringLiteral("PDF-Dateien (*.pdf)"));
            if (file.isEmpty())
                return;
            // The job belongs to the dialog: what render paints from outlives it.
            WritePdfInBackground(file, title, render, dialog);
        });
    }
    // Built empty, the preview asks for 109 pixels of height: it opens at a
    // size that shows a page, made at that size (not at 100 x 30).
    QSize size(900, 700);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog->ensurePolished();
    dialog->resize(size.expandedTo(dialog->minimumSizeHint()));
    return dialog;
}

PrintService &PrintService::instance()
{
    static DialogPrintService real;
    return s_installed ? *s_installed : real;
}

void PrintService::install(PrintService *service) { s_installed = service; }

BackgroundJob *WritePdfInBackground(const QString &path, const QString &title, const PrintService::Render &render,
                                    QWidget *parent)
{
    auto *job = new BackgroundJob(parent);
    auto error = std::make_shared<QString>();
    job->setWork([path, title, render, error](BackgroundJob::Control &) { return WritePdf(path, title, render, error.get()); });
    QObject::connect(job, &BackgroundJob::finished, job, [job, error](bool ok) {
        job->deleteLater();
        if (!ok && !job->isCancelled())
            ShowError(QStringLiteral("\r\n") + *error);
    });
    ShowJobProgress(job, QStringLiteral("Als PDF speichern"), QStringLiteral("Das PDF wird erstellt …"), parent);
    job->start();
    return job;
}

bool WritePdf(const QString &path, const QString &title, const PrintService::Render &render, QString *error)
{
    // Rendered in memory first, so a failing disk never leaves half a PDF.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Vantrel Reaktion"));
        writer.setResolution(300);
        MeasurementReport::preparePage(&writer);
        render(&writer);
    }
    // Cancelled while rendering (run as a job): no file at all.
    if (BackgroundJob::Control *job = BackgroundJob::Control::current(); job && job->isCancelled()) {
        *error = QStringLiteral("Das Speichern als PDF wurde abgebrochen.");
        return false;
    }
    return SafeFile::write(path, buffer.data(), error);
}
