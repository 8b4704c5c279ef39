#pragma once
#include <QWidget>

class QPlainTextEdit;

// The action log shown in the main window ("Log_Panel") with
// "&Schließen" and "&Löschen".
class LogViewer : public QWidget
{
    Q_OBJECT
public:
    explicit LogViewer(QWidget *parent = nullptr);

    // Reads the log file into the viewer.
    void load();

signals:
    // Closed by its button or after the file was deleted.
    void closeRequested();

private:
    void deleteLogFile();

    QPlainTextEdit *m_memo = nullptr;
};
