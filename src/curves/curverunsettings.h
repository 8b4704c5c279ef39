#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// What test 3 adds to RunSettings (series count, target spacing and sight
// file are taken from there): written by the setup dialog on "&OK", read by
// the test window and the result window.
struct CurveRunSettings
{
    QString ShootingSystemName;   // picture file name in "sdata", empty = none
    QString CurveSetDirectory;    // program folder + "kdata/" + set
    QStringList CurveFiles;       // full paths, shuffled
    bool LeftToRight = true;      // "rechts -> links" not checked
    bool ShowTargets = false;     // "T&refferanzeige" of the shooting-system group

    static CurveRunSettings &instance();
};

// The run settings of tests 1 to 3 as they are now; the returned function puts
// them back for "&wiederholen", with the curve set listed and shuffled anew.
std::function<void()> SnapshotCurveRun();
