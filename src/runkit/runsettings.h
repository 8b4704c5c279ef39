#pragma once
#include <QString>

// The settings of the next test run, written by the setup dialogs and read by
// the test windows. One instance for the program; they keep their values
// until the next confirmation of a setup dialog.
struct RunSettings
{
    int SerienAnzahl = 5;        // series per run, at least 1
    int Scheibenabstand = 1;     // whole seconds, 1 to 10
    QString VisierDatei;         // sight picture file name in "vdata", empty = drawn from the profile
    int ER2_SPos = 10;           // test 2: spread of the target positions, per cent of the width
    int ER2_SPos_ok = 5;         // test 2: width of the valid-hit zone, per cent of the width
    bool Trefferanzeige = false; // test 2: graphic hit display

    static RunSettings &instance();
};
