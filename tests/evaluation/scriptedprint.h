#pragma once
// Stand-in for the print and file dialogs: answers from a script, records the
// calls and never blocks. A preview writes the report to previewPdf when set.
#include "evaluation/printservice.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
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

// Output of a poppler tool; fails the test when the tool is missing.
inline QString poppler(const QString &tool, const QStringList &args, bool *ok)
{
    QProcess p;
    p.start(tool, args);
    *ok = p.waitForStarted(5000) && p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit
          && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Text of one page (1-based), blanks collapsed; pages 0 = the whole file.
inline QString pdfText(const QString &file, int page, bool *ok)
{
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    args << file << QStringLiteral("-");
    return poppler(QStringLiteral("pdftotext"), args, ok).replace(QRegularExpression(QStringLiteral("[ \\t]+")), QStringLiteral(" "));
}

inline int pdfPages(const QString &file, bool *ok)
{
    const QString info = poppler(QStringLiteral("pdfinfo"), {file}, ok);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

inline QString pdfTitle(const QString &file, bool *ok)
{
    const QString info = poppler(QStringLiteral("pdfinfo"), {file}, ok);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Title:\\s+([^\\n]*)")).match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}
