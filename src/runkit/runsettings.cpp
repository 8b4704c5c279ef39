#include "runkit/runsettings.h"

RunSettings &RunSettings::instance()
{
    static RunSettings settings;
    return settings;
}
