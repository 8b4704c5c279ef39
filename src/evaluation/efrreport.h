#pragma once
#include "evaluation/measurementreport.h"

// Printed record of test 1.
class TEFRReport : public MeasurementReport
{
public:
    TEFRReport();
};
