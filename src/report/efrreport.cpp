#include "report/efrreport.h"

TEFRReport::TEFRReport()
    : MeasurementReport(QStringLiteral("Einfachreaktionstest"))
{
}
