#include "support/sandbox.h"

#include "platform/programpaths.h"

#include <QDir>

Sandbox::Sandbox()
    : m_oldXdg(qgetenv("XDG_CONFIG_HOME"))
    , m_hadXdg(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    QDir(root()).mkpath(QStringLiteral("prog/bin"));
    QDir(root()).mkpath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    ProgramPaths::setProgramDir(programDir());
}

Sandbox::~Sandbox()
{
    ProgramPaths::setProgramDir(QString());
    if (m_hadXdg)
        qputenv("XDG_CONFIG_HOME", m_oldXdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QLocale::setDefault(m_oldLocale);
}

QString Sandbox::programDir() const { return root() + QStringLiteral("/prog/bin"); }

QString Sandbox::configHome() const { return root() + QStringLiteral("/config"); }

QString Sandbox::path(const QString &relative) const { return QDir(root()).filePath(relative); }

void Sandbox::setLocale(const QLocale &locale) { QLocale::setDefault(locale); }
