#pragma once
// The command line of a tool, read by the tool alone: its application object
// is given the program name only, so Qt takes nothing from the command line
// ("-platform", "-style", "-reverse" stay values or unknown options of the
// tool instead of being swallowed or aborting the start).
#include <QString>
#include <QStringList>

class ToolArguments
{
public:
    ToolArguments(int argc, char **argv)
    {
        static char fallbackName[] = "vantrel";
        m_qtArgv[0] = argc > 0 && argv[0] ? argv[0] : fallbackName;
        for (int i = 0; i < argc; ++i)
            m_list << QString::fromLocal8Bit(argv[i]);
    }
    ToolArguments(const ToolArguments &) = delete;
    ToolArguments &operator=(const ToolArguments &) = delete;

    // For the application object; must live as long as it does.
    int &qtArgc() { return m_qtArgc; }
    char **qtArgv() { return m_qtArgv; }
    // All arguments, the program name first.
    const QStringList &list() const { return m_list; }

private:
    int m_qtArgc = 1;
    char *m_qtArgv[2] = {nullptr, nullptr};
    QStringList m_list;
};
