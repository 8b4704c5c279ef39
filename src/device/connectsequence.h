#pragma once
#include <QObject>
#include <QString>

// Going online, written once for the main window and the device functions:
// opens the port the settings name, logs its line, asks the serial number
// and, when told, the battery. Each step goes through the trainer link and
// goes on when its answer comes; nothing waits. The stage signals come before
// the step is logged and said.
class ConnectSequence : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        bool readBattery = false;
        // The first line of the message of a controller that does not answer
        // as one: "\r\nFehler beim Verbindungsaufbau zum Gerät.\r\n" ...
        QString refusedHead;
        // The system's text of a failed open goes to the log before
        // "[Fehler] Verbindung aufbauen" (the main window's order).
        bool explainBeforeLog = false;
    };

    explicit ConnectSequence(QObject *parent = nullptr);
    ~ConnectSequence() override;

    // Does nothing while it runs.
    void start(const Options &options);
    // Going offline meanwhile: answers still on their way are dropped and
    // nothing more is logged or said (finished(false)).
    void cancel();
    bool running() const { return m_running; }
    // The sequence that runs now, if any.
    static ConnectSequence *current();

signals:
    void openFailed();
    void portOpened();
    // The serial number is one of the model (before the battery is asked).
    void connected();
    void refused();
    void finished(bool online);

private:
    void askBattery();
    void finish(bool online);

    Options m_options;
    QObject *m_run = nullptr;   // the answers of one run arrive while it lives
    bool m_running = false;
};
