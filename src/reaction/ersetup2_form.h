#pragma once
#include "runkit/ersetupbase.h"
#include "runkit/erview_form.h"

#include <QPointer>

class QCheckBox;

// "Vorgaben" of test 2: adds the target positions ("S&cheibenposition") with
// the shooting position, the graphic hit display and the sight view.
class TERSetup2_Form : public TERSetupBase
{
    Q_OBJECT
public:
    explicit TERSetup2_Form(QWidget *parent = nullptr);
    ~TERSetup2_Form() override;

    // The sight-view window opened by "&Definieren"; it takes its shooting
    // position from this dialog's Typ_Combobox from now on.
    void setSightView(TERview_Form *view);
    TERview_Form *sightView() const { return m_view; }
    // 0 = "liegend", 1 = "stehend".
    int shootingPosition() const;

    void Visier_ButtonClick();

    QGroupBox *Position_GroupBox;
    QCheckBox *PosOk_Checkbox;
    QComboBox *Typ_Combobox;
    QPushButton *Visier_Button;

protected:
    void activateOwnControls() override;
    void takePositionSettings() override;
    void takeHitDisplay() override;
    QString infoText() const override;
    QString seriesErrorText() const override;

private:
    QPointer<TERview_Form> m_view;
};
