#include "curves/curverunsettings.h"

CurveRunSettings &CurveRunSettings::instance()
{
    static CurveRunSettings settings;
    return settings;
}
