#include "app/datasession.h"

#include "app/infowindow.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "core/settings.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "store/tdata.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace {

bool openTables(TData *data, const std::function<void(const QString &)> &splash)
{
    data->activateSession();
    if (data->aliasExists()) {
        splash(QStringLiteral("Datenbank-Alias überprüfen..."));
        WriteLogLine(QStringLiteral("Ausführen : Datenbank-Alias überprüfen"));
        data->deleteAlias();
    } else {
        splash(QStringLiteral("Datenbank-Alias neu anlegen..."));
        WriteLogLine(QStringLiteral("Ausführen : Datenbank-Alias neu anlegen"));
    }
    data->addAlias(data->privateDir());
    splash(QStringLiteral("Datenbanken öffnen..."));
    WriteLogLine(QStringLiteral("Ausführen : Datenbanken öffnen"));
    WriteLogLine(QStringLiteral("Ausführen : [Open] PersTable"));
    WriteLogLine(QStringLiteral("Ausführen : [Open] VisierTable"));
    WriteLogLine(QStringLiteral("Ausführen : [Open] ReakTable"));
    if (!data->openTables()) {
        ShowError(QStringLiteral("\r\n") + data->errorText());
        return false;
    }
    LoadSettings();
    if (!Settings::instance().Reorg)
        return true;
    splash(QStringLiteral("Datenbanken reorganisieren..."));
    WriteLogLine(QStringLiteral("Ausführen : Datenbanken reorganisieren"));
    const std::pair<QString, DataTable *> tables[3] = {{QStringLiteral("PersTable"), data->persTable()},
                                                       {QStringLiteral("VisierTable"), data->visierTable()},
                                                       {QStringLiteral("ReakTable"), data->reakTable()}};
    for (const auto &t : tables) {
        WriteLogLine(QStringLiteral("Ausführen : [Run] Reorg ") + t.first);
        if (!data->PackTable(t.second)) {
            ShowError(QStringLiteral("\r\n") + data->errorText());
            return false;
        }
    }
    return true;
}

void backUpTables(TData *data, InfoWindow *info)
{
    // The club server keeps its own backups (pg_dump): no folder, no question.
    if (data->isServer()) {
        WriteLogLine(QStringLiteral("Ausführen : [Info] Vereinsserver: keine Sicherung in Dateien, die Daten sichert der Server"));
        return;
    }
    const QString backup = ProgramPaths::backupDir();
    // Tables that never opened must not overwrite a good copy.
    if (!data->tablesOpenedOnce()) {
        WriteLogLine(QStringLiteral("Ausführen : [Fehler] Sicherung Datenbanken übersprungen, die Tabellen waren nicht geöffnet"));
        return;
    }
    if (!EnsureBackupFolder(backup))
        return;
    WriteLogLine(QStringLiteral("Ausführen : Sicherung Datenbanken"));
    const std::pair<QString, DataTable *> steps[3] = {
        {QStringLiteral("Bitte warten...Sichere Schützendaten."), data->persTable()},
        {QStringLiteral("Bitte warten...Sichere Visierdaten."), data->visierTable()},
        {QStringLiteral("Bitte warten...Sichere Reaktionszeiten."), data->reakTable()}};
    QStringList failures;
    for (const auto &step : steps) {
        // An empty table never replaces a copy that holds rows without asking.
        const qint64 saved = data->rowsInFile(step.second, backup);
        if (saved > 0 && data->rowsInFile(step.second, QFileInfo(data->tableFilePath(step.second)).absolutePath()) == 0
            && AskConfirmation(QStringLiteral("\r\nDie Tabelle „%1“ ist leer, ihre Sicherung enthält %2 Einträge.\r\n"
                                              "Sicherung trotzdem durch die leere Tabelle ersetzen ?")
                                   .arg(step.second->tableName())
                                   .arg(saved))
                   != MessageService::Yes) {
            WriteLogLine(QStringLiteral("Ausführen : Sicherung von %1 behalten").arg(step.second->tableName()));
            continue;
        }
        if (info)
            info->showInfoBox(step.first);
        if (!data->CopyTable(step.second, backup))
            failures << data->errorText();
    }
    if (info)
        info->hideInfoBox();
    if (!failures.isEmpty())
        ShowError(QStringLiteral("\r\nFehler bei der Sicherung der Datenbanken.\r\n") + failures.join(QStringLiteral("\r\n")));
}

} // namespace

bool OpenProgramData(const std::function<void(const QString &)> &splashStatus)
{
    const auto splash = [&](const QString &text) {
        if (splashStatus)
            splashStatus(text);
    };
    LoadSettings();
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden MF"));
    TData *data = TData::instance();
    // Without tables the remaining steps are skipped; the program runs on.
    const bool opened = !data || openTables(data, splash);
    AppState::instance().setBusyTitle(false);
    if (opened)
        WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden MF"));
    return opened;
}

bool EnsureBackupFolder(const QString &path)
{
    if (QDir::setCurrent(path))
        return true;
    if (AskConfirmation(QStringLiteral("\r\nBackupverzeichnis nicht gefunden. Neu anlegen ?")) != MessageService::Yes)
        return false;
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir()) {
        ShowError(QStringLiteral("\r\nFehler beim Anlegen des Backupverzeichnisses."));
        return false;
    }
    return true;
}

void CloseProgramData(InfoWindow *info)
{
    TData *data = TData::instance();
    if (data) {
        data->deactivateSession();
        if (Settings::instance().Backup)
            backUpTables(data, info);
    }
    WriteLogLine(QStringLiteral("Ausführen : Programm beenden"));
    WriteLogLine(QString());
}
