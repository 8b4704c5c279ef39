#pragma once
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPrinter;
class QWidget;

// The one way the evaluation shows print and file dialogs: printer set-up,
// print preview and the file name for saving. Tests install a stand-in that
// answers from a script and never blocks.
class PrintService
{
public:
    using Render = std::function<void(QPagedPaintDevice *)>;

    virtual ~PrintService() = default;
    // Printer set-up dialog; false when it was cancelled.
    virtual bool setupPrinter(QPrinter *printer, QWidget *parent) = 0;
    // Prints render on the printer as the print dialog set it up.
    virtual void print(QPrinter *printer, const QString &title, const Render &render) = 0;
    // Print preview of render on printer; the user prints or saves a PDF from
    // it (offered under the printer's document name when that ends in ".pdf").
    virtual void preview(QPrinter *printer, const QString &title, const Render &render, QWidget *parent) = 0;
    // File to write; empty when cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                 const QString &filter) = 0;

    static PrintService &instance();
    // Installs a handler (not owned); nullptr restores the real dialogs.
    static void install(PrintService *service);
};

class QPrintPreviewDialog;
// The preview dialog of the real service (not shown yet): render on paint
// requests, the action "Als PDF speichern…" in its tool bar, which offers the
// printer's document name when it ends in ".pdf", else the title. What render
// paints from must outlive the dialog.
QPrintPreviewDialog *CreatePreviewDialog(QPrinter *printer, const QString &title, const PrintService::Render &render,
                                         QWidget *parent);

// Renders to a PDF file written in one piece (never half a file on failure);
// false with a German reason in *error. Inside a cancelled BackgroundJob it
// writes nothing.
bool WritePdf(const QString &path, const QString &title, const PrintService::Render &render, QString *error);
class BackgroundJob;
// WritePdf on a thread of its own with a progress dialog over parent
// ("Abbrechen" leaves no file); a failure is shown as an error message. The
// job belongs to parent: what render paints from must outlive parent.
BackgroundJob *WritePdfInBackground(const QString &path, const QString &title, const PrintService::Render &render,
                                    QWidget *parent);
