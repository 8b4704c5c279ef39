#include "evaluation/efrreport.h"

TEFRReport::TEFRReport()
    : MeasurementReport(QStringLiteral("Einfachreaktionstest"))
{
}
