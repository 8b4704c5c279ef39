#pragma once
#include "runkit/setupdialogbase.h"
#include "runkit/sightviewdialog.h"

#include <QPointer>

class QCheckBox;

// "Vorgaben" of test 2: adds the target positions ("S&cheibenposition") with
// the shooting position, the graphic hit display and the sight view.
class RandomSetupDialog : public SetupDialogBase
{
    Q_OBJECT
public:
    explicit RandomSetupDialog(QWidget *parent = nullptr);
    ~RandomSetupDialog() override;

    // The sight-view window opened by "&Definieren"; it takes its shooting
    // position from this dialog's "Typ_Combobox" from now on.
    void setSightView(SightViewDialog *view);
    SightViewDialog *sightView() const { return m_view; }
    // 0 = "liegend", 1 = "stehend".
    int shootingPosition() const;

    // "&Definieren": the sight view for the chosen shooting position.
    void defineClicked();

    // "PosOk_Checkbox": the graphic hit display.
    QCheckBox *hitDisplayCheck() const { return m_hitDisplayCheck; }
    // "Typ_Combobox": the shooting position.
    QComboBox *positionCombo() const { return m_positionCombo; }

protected:
    void activateOwnControls() override;
    void takePositionSettings() override;
    void takeHitDisplay() override;
    QString infoText() const override;
    QString seriesErrorText() const override;

private:
    QGroupBox *m_positionGroup;
    QCheckBox *m_hitDisplayCheck;
    QComboBox *m_positionCombo;
    QPushButton *m_defineButton;
    QPointer<SightViewDialog> m_view;
};
