#include "curves/curverunsettings.h"

#include "curves/kdftools.h"
#include "runkit/runsettings.h"

CurveRunSettings &CurveRunSettings::instance()
{
    static CurveRunSettings settings;
    return settings;
}

std::function<void()> SnapshotCurveRun()
{
    const RunSettings kept = RunSettings::instance();
    const CurveRunSettings keptCurves = CurveRunSettings::instance();
    return [kept, keptCurves] {
        RunSettings::instance() = kept;
        CurveRunSettings &curves = CurveRunSettings::instance();
        curves = keptCurves;
        std::mt19937 rng = ClockSeededGenerator();
        curves.CurveFiles = ListCurveFiles(curves.CurveSetDirectory);
        ShuffleCurveFiles(curves.CurveFiles, rng);
    };
}
