#pragma once
#include <QString>
#include <functional>

class InfoWindow;

// The data module's part of the program's start and end.

// Start: settings, alias, open tables, reorganise (when set); reports each
// step to the splash. False when the tables could not be opened (said to
// the user; the program runs on without them).
bool OpenProgramData(const std::function<void(const QString &)> &splashStatus = {});

// End: session closed, the tables copied into the backup folder when
// "Backup" is set (the info window shows each step), last log lines.
void CloseProgramData(InfoWindow *info = nullptr);

// Makes `path` the current folder, creating it when the user agrees.
bool EnsureBackupFolder(const QString &path);
