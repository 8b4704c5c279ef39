#pragma once
#include <QLocale>
#include <QTemporaryDir>

// Puts every program-wide record and service back to its state at program
// start: serial port and device link, port factory, timer library, hit sound,
// print service, active shooter, run settings, app state, settings record,
// help and hint handlers, file fault hook, message boxes and clock. A
// ScriptedMessages or FakeClock that is still alive stays installed (they
// remove themselves when they go). Fails the running test when a data module
// outlived the test that made it.
void ResetProgramState();

// A fresh program folder and settings store for one test: sets the program
// folder, XDG_CONFIG_HOME and (optionally) the default locale, and restores
// them when it goes away. The program state is reset when the sandbox is made
// and again when it goes away, so a test starts and ends like the program.
class Sandbox
{
public:
    Sandbox();
    ~Sandbox();

    QString root() const { return m_dir.path(); }
    QString programDir() const;     // <root>/prog/bin
    QString configHome() const;     // <root>/config
    QString path(const QString &relative) const;

    void setLocale(const QLocale &locale);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldXdg;
    bool m_hadXdg;
    QLocale m_oldLocale;
};
