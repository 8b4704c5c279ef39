#pragma once

class QCoreApplication;

// Loads Qt's own German texts (standard buttons "Ja", "Nein", "Abbrechen",
// print and file dialogs) and makes German the default locale for them.
// Returns false when the translation files are not installed.
bool InstallGermanTranslations(QCoreApplication &app);

// On a system without a language of its own (locale "C", as on a fresh
// machine) dates and numbers are written the German way; a real system
// locale is kept.
void UseGermanFormatsOnPlainSystems();
