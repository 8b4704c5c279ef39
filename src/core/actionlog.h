#pragma once
#include "platform/logformat.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

// The action log "logfile.txt" in the program folder: Windows-1252 text with
// CR LF line ends, one line per action while the setting "Logfile" is on.

// Appends "<date> <time> - <user> --- <message>", or an empty line for an
// empty message. Problems show "\r\nFehler beim Öffnen der Logdatei." and the
// line is lost; the caller never sees an error.
void WriteLogLine(const QString &message);
// The lines of the file, for the log viewer; a missing file gives no lines.
QStringList LoadLogIntoViewer();
// Deletes the file; a missing file is no error.
void ClearLogFile();

QString LogTimestamp(const QDateTime &when, const QLocale &locale = QLocale());
