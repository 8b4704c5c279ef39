#pragma once
#include <QString>
#include <functional>

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QWidget;

// Controls the setup dialogs ("Vorgaben") of all three tests share. Each
// builder makes its widgets when called, so the tab order follows the calls.

// "Info_Label1": how to go on.
QLabel *MakeSetupInfoLabel(QWidget *dialog);

// "&Serien": 5, 10, 15 or a free number.
struct SeriesControls
{
    QGroupBox *group = nullptr;
    QRadioButton *anz5 = nullptr;
    QRadioButton *anz10 = nullptr;
    QRadioButton *anz15 = nullptr;
    QRadioButton *frei = nullptr;
    QLineEdit *edit = nullptr;
};
SeriesControls MakeSeriesGroup(QWidget *dialog);
// "frei" chosen: the count field takes the focus. Chosen by an arrow key,
// the radio button takes the focus after its click; the field takes it back
// once that key is handled.
void FocusSeriesCount(const SeriesControls &series);
// The number of series chosen, 0 when the free number is not usable
// (also one beyond the integer range).
int ChosenSeriesCount(const SeriesControls &series);

// "&Zeiten": the target spacing in seconds (1 ... 10, arrows only).
struct TimesControls
{
    QGroupBox *group = nullptr;
    QLabel *label = nullptr;
    QSpinBox *spin = nullptr;
};
TimesControls MakeTimesGroup(QWidget *dialog);

// "&Visier": a sight picture from a file or the profile of the database.
struct SightControls
{
    QGroupBox *group = nullptr;
    QComboBox *list = nullptr;
    QRadioButton *database = nullptr;
    QRadioButton *file = nullptr;
};
SightControls MakeSightGroup(QWidget *dialog);
// The sight file chosen, empty for the database profile; a file chosen
// without any picture to choose says so and falls back to the profile.
QString ChosenSightFile(const SightControls &sight);

// Activation: for a shooter without a sight profile "aus Da&tei" with the
// first picture instead of "aus &Datenbank"; for a shooter with one, a choice
// made that way goes back to "aus &Datenbank". Returns whether the choice
// shown is such a stand-in (pass it in again at the next activation).
bool PreselectSightSource(const SightControls &sight, bool standIn);
// Confirming: "aus &Datenbank" for a shooter without a sight profile offers
// to set one up now (setUpProfile opens the sight-profile dialog). True when
// the chosen source can be drawn.
bool SightSourceReady(const SightControls &sight, const std::function<void()> &setUpProfile);

// "&OK", "&Abbruch", "&Information" in one row.
struct SetupButtons
{
    QPushButton *ok = nullptr;
    QPushButton *cancel = nullptr;
    QPushButton *info = nullptr;
    QHBoxLayout *row = nullptr;
};
SetupButtons MakeSetupButtons(QWidget *dialog);
