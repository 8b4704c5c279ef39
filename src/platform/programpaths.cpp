#include "platform/programpaths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_override;
}

namespace ProgramPaths {

QString programDir()
{
    QString dir = g_override;
    if (dir.isEmpty())
        dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    return QDir::cleanPath(QDir(dir).absolutePath());
}

void setProgramDir(const QString &dir) { g_override = dir; }

QString inProgramDir(const QString &relative) { return QDir(programDir()).filePath(relative); }

} // namespace ProgramPaths
