#pragma once
#include <QString>

// The program folder and the files and folders the program keeps beside it.
// Defaults to the executable's folder; tests point it at a temporary folder.
namespace ProgramPaths {

QString programDir();                       // absolute, no trailing separator
void setProgramDir(const QString &dir);     // empty restores the default
QString inProgramDir(const QString &relative);

inline QString configIni() { return inProgramDir(QStringLiteral("config.ini")); }
inline QString logFile() { return inProgramDir(QStringLiteral("logfile.txt")); }
inline QString vdataDir() { return inProgramDir(QStringLiteral("vdata")); }
inline QString sdataDir() { return inProgramDir(QStringLiteral("sdata")); }
inline QString kdataDir() { return inProgramDir(QStringLiteral("kdata")); }
inline QString helpDir() { return inProgramDir(QStringLiteral("HtmlHelp")); }
inline QString backupDir() { return inProgramDir(QStringLiteral("Backup")); }

} // namespace ProgramPaths
