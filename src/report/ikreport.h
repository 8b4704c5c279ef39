#pragma once
#include "report/measurementreport.h"

// Printed record of test 3.
class TIKReport : public MeasurementReport
{
public:
    TIKReport();
};
