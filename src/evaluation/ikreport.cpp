#include "evaluation/ikreport.h"

TIKReport::TIKReport()
    : MeasurementReport(QStringLiteral("Individualkurventest"))
{
}
