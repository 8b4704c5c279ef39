// Start of Vantrel Reaktion. The main window is not part of this build yet:
// the program prepares the settings and the database as the full start does,
// reports the folders it uses and ends.
#include "platform/buildinfo.h"
#include "platform/programpaths.h"
#include "platform/translations.h"
#include "shell/actionlog.h"
#include "shell/settings.h"
#include "store/tdata.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {
void say(const QString &text) { std::printf("%s\n", text.toLocal8Bit().constData()); }
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vantrel Reaktion"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VR_VERSION_TEXT));
    InstallGermanTranslations(app);

    LoadSettings();
    TData data;
    data.activateSession();
    if (data.aliasExists())
        data.deleteAlias();
    data.addAlias(data.privateDir());
    WriteLogLine(QStringLiteral("Ausführen : Datenbanken öffnen"));
    if (!data.openTables()) {
        say(QStringLiteral("Fehler: ") + data.errorText());
        return 1;
    }

    say(QStringLiteral("Vantrel Reaktion ") + QStringLiteral(VR_VERSION_TEXT));
    say(QStringLiteral("Programmordner:  ") + QDir::toNativeSeparators(ProgramPaths::programDir()));
    say(QStringLiteral("Datenverzeichnis: ") + QDir::toNativeSeparators(data.privateDir()));
    say(QStringLiteral("Schützen in der Datenbank: ") + QString::number(data.persTable()->recordCount()));
    say(QStringLiteral("Das Hauptfenster folgt mit dem nächsten Ausbauschritt; dieses Programm endet hier."));

    data.deactivateSession();
    data.closeTables();
    return 0;
}
