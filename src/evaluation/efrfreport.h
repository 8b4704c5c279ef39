#pragma once
#include "evaluation/measurementreport.h"

// Printed record of test 2.
class TEFRFReport : public MeasurementReport
{
public:
    TEFRFReport();
};
