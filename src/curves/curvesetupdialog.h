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
    void activate();
    // "&OK": the choices stored and handed to the run settings; closes with
    // OK unless a choice is not usable.
    void okClicked();
    // "&Information".
    void infoClicked();
    // "&Definieren": the sight view.
    void defineClicked();

    const SeriesControls &seriesControls() const { return m_series; }
    // "Zeit_SpinEdit": the target spacing in seconds.
    QSpinBox *spacingSpin() const { return m_spacingSpin; }
    // "Typ_Combobox": the shooting position.
    QComboBox *positionCombo() const { return m_positionCombo; }
    const SightControls &sightControls() const { return m_sight; }
    QComboBox *systemCombo() const { return m_systemCombo; }             // "cb_Schussanlage"
    QRadioButton *noSystemRadio() const { return m_noSystemRadio; }      // "rb_keine"
    QRadioButton *systemFileRadio() const { return m_systemFileRadio; }  // "rb_Datei"
    QCheckBox *directionCheck() const { return m_directionCheck; }       // "cb_Richtung"
    QCheckBox *showTargetsCheck() const { return m_showTargetsCheck; }   // "cb_Targetanzeige"
    QComboBox *curveSetCombo() const { return m_curveSetCombo; }         // "cb_Kurvensets"
    QComboBox *mirrorMapCombo() const { return m_mirrorMapCombo; }       // "cb_Spiegelzuordnung"
    QPushButton *defineButton() const { return m_defineButton; }         // "Visier_Button"
    QPushButton *okButton() const { return m_okButton; }

    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // "frei" chosen or left.
    void freeCountToggled();
    // Stored list positions and switches (section "M3").
    void storeSettings();

    SeriesControls m_series;
    QSpinBox *m_spacingSpin;
    QGroupBox *m_positionGroup;
    QCheckBox *m_hitDisplayCheck;
    QPushButton *m_defineButton;
    QComboBox *m_positionCombo;
    SightControls m_sight;
    QGroupBox *m_systemGroup;
    QComboBox *m_systemCombo;
    QRadioButton *m_noSystemRadio;
    QRadioButton *m_systemFileRadio;
    QCheckBox *m_directionCheck;
    QCheckBox *m_showTargetsCheck;
    QComboBox *m_curveSetCombo;
    QComboBox *m_mirrorMapCombo;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
    QPushButton *m_infoButton;
    QPointer<SightViewDialog> m_view;
    std::function<void()> m_afterView;
    std::function<void()> m_setUpProfile;
    bool m_sightStandIn = false;   // "aus Da&tei" chosen for a shooter without profile
};

// The information text of "&Information".
QString Setup3InfoText();
