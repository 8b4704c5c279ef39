#pragma once
#include "store/tdata.h"

#include <functional>

class DataTable;

// The shooter table of the data module; nullptr when there is no data module.
DataTable *ShooterTable();
// True when there is no shooter to choose: no data module, table closed or empty.
bool ShooterTableEmpty();
// Reads the shooter table again (another stand may have changed it), keeping
// the current row; nothing happens while a record is being edited.
void RefreshShooterTable();

enum class ShooterDeleteResult {
    Declined, // the user answered No (or there was nothing to delete)
    Deleted,
    Failed,   // the deletion failed; only logged, the record stays
    NotFound, // the active shooter's record is gone (or no shooter is active)
};

// " mit Visierdaten und 12 Messserien" (the parts there are; empty when
// nothing is stored); a general text when the counting failed.
QString ShooterDataText(bool counted, const TData::ShooterData &stored);

// Asks "Schütze <Vorname> <Name> mit Visierdaten und <n> Messserien wirklich
// löschen ?" about the shooter table's current record and deletes it on Yes,
// together with his sight profile and his results in one transaction (all or
// nothing), with the log lines of the deletion.
ShooterDeleteResult ConfirmAndDeleteCurrentShooter();

// Main menu "&Löschen": deletes the active shooter's record after asking, and
// then ends the active shooter whether the deletion worked or not. When the
// record is gone already, the active shooter just ends. Answering No keeps
// everything as it was.
ShooterDeleteResult DeleteActiveShooter();

// Main menu "&Bearbeiten": moves the shooter table to the active shooter's
// record, runs editDialog on it and takes the edited names into the active
// shooter. When the record is gone, an error box says so, the active shooter
// ends and editDialog is not run. False when the dialog did not run.
bool EditActiveShooter(const std::function<void()> &editDialog);
