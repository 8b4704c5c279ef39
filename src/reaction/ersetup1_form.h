#pragma once
#include "runkit/ersetupbase.h"

// "Vorgaben" of test 1; keeps its choices between uses.
class TERSetup1_Form : public TERSetupBase
{
    Q_OBJECT
public:
    explicit TERSetup1_Form(QWidget *parent = nullptr);

protected:
    QString infoText() const override;
    QString seriesErrorText() const override;
};
