#pragma once
#include <QString>
#include <stdexcept>

// Failure to open or set up the serial port. Carries only its message.
class TComException : public std::runtime_error
{
public:
    explicit TComException(const QString &message);
    QString message() const { return m_message; }

    // The three texts the port reports.
    static QString portBusyText();        // every failure to open the device
    static QString initFailedText();      // line settings refused
    static QString timeoutsFailedText();  // time-outs refused

private:
    QString m_message;
};
