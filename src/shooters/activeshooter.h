#pragma once
#include <QString>

class ChangeNotifier;

// The shooter to whom measurements are booked.
struct ActiveShooter
{
    bool active = false;
    QString Name;
    QString Vorname;
    int Trainingsrunden = -1;   // from the record when made active; -1 after deactivation
    qint64 Nummer = 0;          // the record's key: renaming keeps the shooter active

    QString displayName() const { return Vorname + u' ' + Name; }  // "Anna Meyer"
    // Sets the active flag and announces it.
    void setActive(bool on);
    static ActiveShooter &instance();
    // changed() when the shooter is made active, deactivated or taken over
    // from the record again.
    static ChangeNotifier &notifier();
};

// Takes "Name", "Vorname" and "Trainingsrunden" of the shooter table's current
// record into the active shooter and logs it. Leaves the active flag alone.
void MakeActiveShooter();
// The panel's deactivate button: no shooter, names empty, rounds -1.
void DeactivateActiveShooter();
// Makes the active shooter's record the current row of the shooter table (so
// the detail tables and savers follow it). False when there is no active
// shooter or its record is gone. The record is found by its "Nummer"; names
// and rounds are taken over from it, so an edit elsewhere is followed.
bool LocateActiveShooter();
// Takes names and rounds of the active shooter's record over after an edit,
// without moving the table. False when the record is gone.
bool RefreshActiveShooter();
