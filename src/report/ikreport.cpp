#include "report/ikreport.h"

TIKReport::TIKReport()
    : MeasurementReport(QStringLiteral("Individualkurventest"))
{
}
