#pragma once
#include "store/shooterstore.h"
#include "shooters/birthdateedit.h"

#include <QDialog>
#include <QList>
#include <functional>

class DataTable;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class SightProfileDialog;

// Whether a shooter other than the record ownNummer (0: none) already has
// this "Name" and "Vorname".
bool ShooterPairTaken(const QString &name, const QString &vorname, qint64 ownNummer);

// What the new and the edit shooter dialogs share: the fields bound to the
// shooter table's record, the club box, "&OK", "&Abbruch" and
// "Visier konfigurieren".
class ShooterRecordDialog : public QDialog
{
    Q_OBJECT
public:
    // The sight profile dialog opened by "Visier konfigurieren" (not owned).
    void setSightDialog(SightProfileDialog *dialog) { m_sightDialog = dialog; }
    SightProfileDialog *sightDialog() const { return m_sightDialog; }
    // Shows the sight profile dialog modally (exec() unless a test replaces it).
    std::function<int(SightProfileDialog *)> runModal;

    // Runs once each time the window is shown.
    virtual void activate() = 0;
    // Club remembered, required fields, name pair and birth date checked (the
    // dialog stays open on a failure), fields assigned and the record stored;
    // closes with OK.
    void okClicked();
    // Drops the record's changes and closes with Cancel.
    void reject() override;
    // "Visier konfigurieren": the sight profile dialog for this shooter.
    void sightClicked();
    void done(int r) override;

    QLineEdit *nameEdit() const { return m_nameEdit; }
    QLineEdit *firstNameEdit() const { return m_firstNameEdit; }
    BirthDateEdit *birthDatePicker() const { return m_birthDatePicker; }
    QComboBox *clubBox() const { return m_clubBox; }
    // Hidden fields of the record: the bounds and the display value.
    QSpinBox *upperBoundEdit() const { return m_upperBoundEdit; }
    QSpinBox *lowerBoundEdit() const { return m_lowerBoundEdit; }
    QLineEdit *displayValueEdit() const { return m_displayValueEdit; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QPushButton *sightButton() const { return m_sightButton; }

protected:
    ShooterRecordDialog(const QString &code, QWidget *parent);
    void showEvent(QShowEvent *event) override;

    static DataTable *table();
    // Shows the record's "Name", "Vorname" and "Anzeigewert" in the bound fields.
    void showBoundFields();
    // The sight profile dialog for the record: adding or editing.
    virtual void runSightDialog(SightProfileDialog *dialog) = 0;
    // What the fields hold now.
    Shooter entered() const;
    // Stores the entered shooter (with what belongs to it); false on failure
    // with the reason in TData's errorText().
    virtual bool storeRecord(const Shooter &entered) = 0;
    // The record being edited ("Nummer"); 0 for a new one.
    virtual qint64 ownNummer() const { return 0; }
    // After a cancelled or failed record.
    virtual void dropRecord() {}

    QLineEdit *m_nameEdit = nullptr;
    QLineEdit *m_firstNameEdit = nullptr;
    BirthDateEdit *m_birthDatePicker = nullptr;
    QComboBox *m_clubBox = nullptr;
    QSpinBox *m_upperBoundEdit = nullptr;
    QSpinBox *m_lowerBoundEdit = nullptr;
    QLineEdit *m_displayValueEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_sightButton = nullptr;
    QString m_code;

private:
    SightProfileDialog *m_sightDialog = nullptr;
    bool checkNames(bool requireClub);
    void bind(QLineEdit *edit, const QString &field);
};
