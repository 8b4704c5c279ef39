#pragma once
#include "report/measurementreport.h"

// Printed record of test 2.
class TEFRFReport : public MeasurementReport
{
public:
    TEFRFReport();
};
