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
// target spacing and sight source. The main window calls prepareForShow() and
// then exec(); QDialog::Accepted means the test is to be run.
class SetupDialogBase : public QDialog
{
    Q_OBJECT
public:
    ~SetupDialogBase() override;

    // Before showing: "Anz_Edit" is disabled unless "frei" is chosen.
    void prepareForShow();
    // Opens the sight-profile dialog for the active shooter (offered at
    // "&OK" when he has no profile and "aus &Datenbank" is chosen).
    void setSightProfileSetup(std::function<void()> setUp) { m_setUpProfile = std::move(setUp); }

    // Runs once each time the window is shown.
    void activate();
    // "&OK": takes the settings; closes with OK unless the free series count
    // is not usable.
    void okClicked();
    // "&Information".
    void infoClicked();
    // A picture chosen in the list: "aus Da&tei".
    void sightPictureChosen();

    QLabel *infoLabel() const { return m_infoLabel; }
    const SeriesControls &seriesControls() const { return m_series; }
    // "Zeit_SpinEdit": the target spacing in seconds.
    QSpinBox *spacingSpin() const { return m_times.spin; }
    const SightControls &sightControls() const { return m_sight; }
    QPushButton *okButton() const { return m_buttons.ok; }
    QPushButton *cancelButton() const { return m_buttons.cancel; }

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
    // "frei" chosen or left.
    void freeCountToggled();

    QString m_code;
    QVBoxLayout *m_groups = nullptr;
    QLabel *m_infoLabel;
    SeriesControls m_series;
    TimesControls m_times;
    SightControls m_sight;
    SetupButtons m_buttons;
    std::function<void()> m_setUpProfile;
    bool m_sightStandIn = false;   // "aus Da&tei" chosen for a shooter without profile
};

// Lines of the information texts of tests 1 and 2 that both share.
QStringList SetupInfoCommonLines();
