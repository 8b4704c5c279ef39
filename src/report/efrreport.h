#pragma once
#include "report/measurementreport.h"

// Printed record of test 1.
class TEFRReport : public MeasurementReport
{
public:
    TEFRReport();
};
