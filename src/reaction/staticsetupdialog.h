#pragma once
#include "runkit/setupdialogbase.h"

// "Vorgaben" of test 1; keeps its choices between uses.
class StaticSetupDialog : public SetupDialogBase
{
    Q_OBJECT
public:
    explicit StaticSetupDialog(QWidget *parent = nullptr);

protected:
    QString infoText() const override;
    QString seriesErrorText() const override;
};
