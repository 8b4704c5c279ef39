#pragma once
#include <QLocale>
#include <QTemporaryDir>

// A fresh program folder and settings store for one test: sets the program
// folder, XDG_CONFIG_HOME and (optionally) the default locale, and restores
// them when it goes away.
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
