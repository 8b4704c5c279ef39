#pragma once
#include "runkit/resultrow.h"

#include <QString>

// What every test run asks of the frame of its window: the status line, the
// traffic lights, the caption of the cancel button and the result rows. The
// runs of tests 1 and 2 (RunDisplay) and of test 3 (CurveDisplay) add their
// own display steps to it.
class RunFrameDisplay
{
public:
    virtual ~RunFrameDisplay() = default;
    virtual void setStatusText(const QString &text) = 0;          // StatusInfo_Label
    virtual void setLight(int lit) = 0;                           // 0 red, 1 yellow, 2 green
    virtual void setLightsVisible(bool visible) = 0;
    virtual void setCancelCaption(const QString &caption) = 0;    // "&Abbruch" / "&Fertig"
    virtual void addResultRow(const ResultRow &row) = 0;
};
