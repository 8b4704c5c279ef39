#pragma once

class QCoreApplication;

// Loads Qt's own German texts (standard buttons "Ja", "Nein", "Abbrechen",
// print and file dialogs) and makes German the default locale for them.
// Returns false when the translation files are not installed.
bool InstallGermanTranslations(QCoreApplication &app);

#include <QLocale>

// The locale for dates, times and numbers: a German-language system locale
// (de_DE, de_AT, de_CH, ...) is kept, any other gives de_DE.
QLocale ProgramLocale(const QLocale &system);
