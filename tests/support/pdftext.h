#pragma once
// What a PDF file says, read with the poppler tools (pdftotext, pdfinfo).
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

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
