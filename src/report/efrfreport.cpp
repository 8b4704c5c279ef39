#include "report/efrfreport.h"

TEFRFReport::TEFRFReport()
    : MeasurementReport(QStringLiteral("Einfachreaktionstest mit Fehlern"))
{
}
