#pragma once
#include <QString>
#include <stdexcept>

// Failure to open or set up the serial port: its message, and which port
// failed and why in German (detail) with the system's own text.
class TComException : public std::runtime_error
{
public:
    explicit TComException(const QString &message, const QString &detail = QString(),
                           const QString &systemText = QString());
    QString message() const { return m_message; }
    // "Die Schnittstelle COM2 (/dev/ttyS1) wird von einem anderen Programm benutzt."
    QString detail() const { return m_detail; }
    QString systemText() const { return m_systemText; }
    // The port is held by another program.
    bool inUse() const { return m_inUse; }
    void setInUse(bool inUse) { m_inUse = inUse; }

    // The three texts the port reports.
    static QString portBusyText();        // every failure to open the device
    static QString initFailedText();      // line settings refused
    static QString timeoutsFailedText();  // time-outs refused

private:
    QString m_message;
    QString m_detail;
    QString m_systemText;
    bool m_inUse = false;
};
