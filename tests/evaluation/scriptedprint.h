#pragma once
// Stand-in for the print and file dialogs: answers from a script, records the
// calls and never blocks. A preview writes the report to previewPdf when set.
#include "evaluation/printservice.h"
#include "support/pdftext.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QPrinter>
#include <QStringList>

class ScriptedPrint : public PrintService
{
public:
    ScriptedPrint() { PrintService::install(this); }
    ~ScriptedPrint() override { PrintService::install(nullptr); }

    bool setupAnswer = true;
    QString previewPdf;        // where a preview is written, empty: not written
    QString printPdf;          // where a print job is written, empty: into memory
    QStringList fileAnswers;   // answers of saveFileName, in turn ("" = cancel)
    int setups = 0;
    QStringList previews;      // titles
    QStringList printed;       // titles
    QString lastDocName;
    QString lastSuggested;     // file name offered by the last saveFileName
    QPrinter *setupOn = nullptr; // the printer, while setupPrinter runs
    std::function<void()> duringSetup; // e.g. what closing the real dialog causes

    bool setupPrinter(QPrinter *printer, QWidget *) override
    {
        ++setups;
        lastDocName = printer->docName();
        setupOn = printer;
        if (duringSetup)
            duringSetup();
        setupOn = nullptr;
        return setupAnswer;
    }
    void print(QPrinter *, const QString &title, const Render &render) override
    {
        printed << title;
        if (!printPdf.isEmpty()) {
            QString error;
            if (!WritePdf(printPdf, title, render, &error))
                qWarning() << error;
            return;
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        render(&writer);
    }
    void preview(QPrinter *printer, const QString &title, const Render &render, QWidget *) override
    {
        lastDocName = printer->docName();
        previews << title;
        if (!previewPdf.isEmpty()) {
            QString error;
            if (!WritePdf(previewPdf, title, render, &error))
                qWarning() << error;
        }
    }
    QString saveFileName(QWidget *, const QString &, const QString &suggested, const QString &) override
    {
        lastSuggested = suggested;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
};
