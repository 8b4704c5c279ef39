#pragma once
// A click on "&Speichern" of a result window and the wait for its save,
// which runs on a thread of its own.
#include "runkit/resultwindow.h"

#include <QSignalSpy>

// True when the rows were stored; false when the save was refused or failed
// (or did not end within timeoutMs).
inline bool SaveAndWait(ReactionResultWindow &window, int timeoutMs = 20000)
{
    QSignalSpy finished(&window, &ReactionResultWindow::saveFinished);
    window.saveClicked();
    if (finished.isEmpty() && !window.isSaving())
        return false;   // not started: one ran already
    if (finished.isEmpty() && !finished.wait(timeoutMs))
        return false;
    return finished.first().first().toBool();
}
