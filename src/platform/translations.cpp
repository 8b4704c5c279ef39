#include "platform/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallGermanTranslations(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"), dir)) {
        delete translator;
        return false;
    }
    app.installTranslator(translator);
    return true;
}

QLocale ProgramLocale(const QLocale &system)
{
    if (system.language() == QLocale::German)
        return system;
    return QLocale(QLocale::German, QLocale::Germany);
}
