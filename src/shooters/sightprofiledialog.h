#pragma once
#include <QDialog>
#include <QImage>
#include <QWidget>
#include <functional>

#include "shooters/sightpreview.h"

class DataTable;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

// The 300 x 300 preview area; draws what `source` returns on every paint.
class SightPreviewBox : public QWidget
{
public:
    explicit SightPreviewBox(QWidget *parent = nullptr);
    std::function<QImage()> source;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// "Visierdaten": the sight profile of the shooter table's current record
// (the profile table follows it through "Name" and "Vorname"), with a
// scaled preview. Opened from the shooter dialogs, which set EditMode.
class SightProfileDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int PreviewSize = 300;

    explicit SightProfileDialog(QWidget *parent = nullptr);
    ~SightProfileDialog() override;

    // true: edit the shooter's stored profile (a new one when there is none);
    // false: add a new profile.
    bool EditMode = false;
    // In edit mode: the profile record to edit ("Nummer"); 0 = the shooter's first.
    qint64 ProfileNummer = 0;

    // Runs once each time the window is shown.
    void FormActivate();
    // Assigns and posts the profile, then closes with OK (also after a failure).
    void OK_ButtonClick();
    // "Nummer" of the profile record stored by the last OK, 0 when none was stored.
    qint64 storedNummer() const { return m_storedNummer; }

    // The controls' values / setting all controls.
    SightSizes profile() const;
    void setProfile(const SightSizes &profile);
    // The preview as the paint area shows it.
    QImage previewImage() const;

    QGroupBox *Vorschau_GroupBox;
    QLabel *Vorschau_Label;
    SightPreviewBox *Vorschau_PaintBox;
    QGroupBox *Daten_GroupBox;
    QLabel *Hinweis_Label;
    QComboBox *Monitor_ComboBox;
    QSpinBox *Diopter_SpinEdit;
    QSpinBox *DiopVis_SpinEdit;
    QSpinBox *AKorntunnel_SpinEdit;
    QSpinBox *IKorntunnel_SpinEdit;
    QSpinBox *ARingkorn_SpinEdit;
    QSpinBox *IRingkorn_SpinEdit;
    QSpinBox *Spiegel_SpinEdit;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;

    void done(int r) override;
    // "&Abbruch" and the close box: the profile's changes are dropped.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    DataTable *table() const;
    bool readStoredProfile(DataTable *visier);

    qint64 m_storedNummer = 0;
    bool m_inOk = false;
};
