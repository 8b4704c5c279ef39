#pragma once
#include "runkit/setupcontrols.h"

#include <QDialog>
#include <QString>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QVBoxLayout;

// "Vorgaben": what the setup dialogs of tests 1 and 2 share: number of series,
// target spacing and sight source. The main window calls PrepareForShow() and
// then exec(); QDialog::Accepted means the test is to be run.
class SetupDialogBase : public QDialog
{
    Q_OBJECT
public:
    ~SetupDialogBase() override;

    // Before showing: "Anz_Edit" is disabled unless "frei" is chosen.
    void PrepareForShow();
    // Opens the sight-profile dialog for the active shooter (offered at
    // "&OK" when he has no profile and "aus &Datenbank" is chosen).
    void setSightProfileSetup(std::function<void()> setUp) { m_setUpProfile = std::move(setUp); }

    // Runs once each time the window is shown.
    void FormActivate();
    // Takes the settings; closes with OK unless the free series count is not usable.
    void OK_ButtonClick();
    void Info_ButtonClick();
    void frei_RadioButtonClick();
    void cb_VisierClick();

    QLabel *Info_Label1;
    QGroupBox *Serien_GroupBox;
    QRadioButton *Anz5_RadioButton;
    QRadioButton *Anz10_RadioButton;
    QRadioButton *Anz15_RadioButton;
    QRadioButton *frei_RadioButton;
    QLineEdit *Anz_Edit;
    QGroupBox *Zeiten_GroupBox;
    QLabel *Zeit_Label;
    QSpinBox *Zeit_SpinEdit;
    QGroupBox *Visier_GroupBox;
    QComboBox *cb_Visier;
    QRadioButton *rb_PersVisier;
    QRadioButton *rb_PresVisier;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;
    QPushButton *Info_Button;

    void done(int r) override;

protected:
    // Logs the start of the creation and builds the common controls; the
    // subclass adds its own group with addGroup() and then calls finishCreation().
    SetupDialogBase(const QString &code, QWidget *parent);
    void addGroup(QWidget *group);
    void finishCreation();

    // Hooks of the subclasses.
    virtual void activateOwnControls() {}        // first step of the activation
    virtual void takePositionSettings() {}       // after the sight source
    virtual void takeHitDisplay() {}             // after the target spacing
    virtual QString infoText() const = 0;
    virtual QString seriesErrorText() const = 0;

    void showEvent(QShowEvent *event) override;

private:
    void fillPictureList();

    QString m_code;
    QVBoxLayout *m_groups = nullptr;
    SeriesControls m_series;
    SightControls m_sight;
    std::function<void()> m_setUpProfile;
    bool m_sightStandIn = false;   // "aus Da&tei" chosen for a shooter without profile
};

// Lines of the information texts of tests 1 and 2 that both share.
QStringList SetupInfoCommonLines();
