#pragma once
#include "runkit/setupcontrols.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class SightViewDialog;

// "Vorgaben" of test 3 (code "ERS3F"): series, target spacing, sight, shooting
// system and direction, curve set. Every choice is kept in the settings store
// (section "M3"); "&OK" hands the run settings to the test window.
class CurveSetupDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CurveSetupDialog(QWidget *parent = nullptr);
    ~CurveSetupDialog() override;

    // The sight-view window of "&Definieren"; `afterShow` runs when it closed
    // (it gives the window back to the setup dialog of test 2).
    void setSightView(SightViewDialog *view, std::function<void()> afterShow = {});
    // Opens the sight-profile dialog for the active shooter (offered at
    // "&OK" when he has no profile and "aus &Datenbank" is chosen).
    void setSightProfileSetup(std::function<void()> setUp) { m_setUpProfile = std::move(setUp); }

    // Runs once each time the window is shown.
    void FormActivate();
    void OK_ButtonClick();
    void Info_ButtonClick();
    void Visier_ButtonClick();
    void frei_RadioButtonClick();

    // Stored list positions and switches (section "M3").
    void StoreSettings();

    QGroupBox *Serien_GroupBox;
    QRadioButton *Anz5_RadioButton;
    QRadioButton *Anz10_RadioButton;
    QRadioButton *Anz15_RadioButton;
    QRadioButton *frei_RadioButton;
    QLineEdit *Anz_Edit;
    QSpinBox *Zeit_SpinEdit;
    QGroupBox *Anschlag_GroupBox;
    QCheckBox *Treffer_CheckBox;
    QPushButton *Visier_Button;
    QComboBox *Typ_Combobox;
    QComboBox *cb_Visier;
    QRadioButton *rb_PersVisier;
    QRadioButton *rb_PresVisier;
    QGroupBox *Schussanlage_GroupBox;
    QComboBox *cb_Schussanlage;
    QRadioButton *rb_keine;
    QRadioButton *rb_Datei;
    QCheckBox *cb_Richtung;
    QCheckBox *cb_Targetanzeige;
    QComboBox *cb_Kurvensets;
    QComboBox *cb_Spiegelzuordnung;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;
    QPushButton *Info_Button;

    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    SeriesControls m_series;
    SightControls m_sight;
    QPointer<SightViewDialog> m_view;
    std::function<void()> m_afterView;
    std::function<void()> m_setUpProfile;
    bool m_sightStandIn = false;   // "aus Da&tei" chosen for a shooter without profile
};

// The information text of "&Information".
QString Setup3InfoText();
