#pragma once
#include <QDialog>
#include <QImage>
#include <QWidget>
#include <functional>

#include "shooters/sightpreview.h"

class DataTable;
class QComboBox;
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
// scaled preview. Opened from the shooter dialogs, which set the edit mode.
class SightProfileDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int PreviewSize = 300;

    explicit SightProfileDialog(QWidget *parent = nullptr);
    ~SightProfileDialog() override;

    // true: edit the shooter's stored profile (a new one when there is none);
    // false: add a new profile.
    void setEditMode(bool edit) { m_editMode = edit; }
    bool editMode() const { return m_editMode; }
    // In edit mode: the profile record to edit ("Nummer"); 0 = the shooter's first.
    void setProfileNumber(qint64 number) { m_profileNumber = number; }
    qint64 profileNumber() const { return m_profileNumber; }

    // Runs once each time the window is shown.
    void activate();
    // Assigns and posts the profile, then closes with OK (also after a failure).
    void okClicked();
    // "Nummer" of the profile record stored by the last OK, 0 when none was stored.
    qint64 storedNummer() const { return m_storedNummer; }

    // The controls' values / setting all controls.
    SightSizes profile() const;
    void setProfile(const SightSizes &profile);
    // The preview as the paint area shows it.
    QImage previewImage() const;

    SightPreviewBox *previewBox() const { return m_previewBox; }
    QComboBox *monitorBox() const { return m_monitorBox; }
    QSpinBox *diopterSpin() const { return m_diopterSpin; }
    QSpinBox *diopterLimitSpin() const { return m_diopterLimitSpin; }
    QSpinBox *tunnelOuterSpin() const { return m_tunnelOuterSpin; }
    QSpinBox *tunnelInnerSpin() const { return m_tunnelInnerSpin; }
    QSpinBox *ringOuterSpin() const { return m_ringOuterSpin; }
    QSpinBox *ringInnerSpin() const { return m_ringInnerSpin; }
    QSpinBox *mirrorSpin() const { return m_mirrorSpin; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    void done(int r) override;
    // "&Abbruch" and the close box: the profile's changes are dropped.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    DataTable *table() const;
    bool readStoredProfile(DataTable *visier);

    SightPreviewBox *m_previewBox = nullptr;
    QComboBox *m_monitorBox = nullptr;
    QSpinBox *m_diopterSpin = nullptr;
    QSpinBox *m_diopterLimitSpin = nullptr;
    QSpinBox *m_tunnelOuterSpin = nullptr;
    QSpinBox *m_tunnelInnerSpin = nullptr;
    QSpinBox *m_ringOuterSpin = nullptr;
    QSpinBox *m_ringInnerSpin = nullptr;
    QSpinBox *m_mirrorSpin = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    bool m_editMode = false;
    qint64 m_profileNumber = 0;
    qint64 m_storedNummer = 0;
};
