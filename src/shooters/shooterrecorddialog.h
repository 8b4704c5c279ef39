#pragma once
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

// Whether another shooter than the table's current record (while it is being
// edited) already has this "Name" and "Vorname".
bool ShooterPairTaken(const DataTable *pers, const QString &name, const QString &vorname);

// What the new and the edit shooter dialogs share: the fields bound to the
// shooter table's record, the club box, "&OK", "&Abbruch" and
// "Visier konfigurieren".
class ShooterRecordDialog : public QDialog
{
    Q_OBJECT
public:
    // The sight profile dialog opened by "Visier konfigurieren" (not owned).
    SightProfileDialog *PersVis = nullptr;
    // Shows the sight profile dialog modally (exec() unless a test replaces it).
    std::function<int(SightProfileDialog *)> runModal;

    // Runs once each time the window is shown.
    virtual void FormActivate() = 0;
    // Club remembered, required fields, name pair and birth date checked (the
    // dialog stays open on a failure), fields assigned and the record stored;
    // closes with OK.
    void OK_ButtonClick();
    // Drops the record's changes and closes with Cancel.
    void reject() override;
    // Opens the sight profile dialog for this shooter.
    void Visier_ButtonClick();
    void done(int r) override;

    QLabel *Name_Label;
    QLineEdit *Name_Edit;
    QLabel *Vorname_Label;
    QLineEdit *Vorname_Edit;
    QLabel *Geburtsdatum_Label;
    BirthDateEdit *Geburtsdatum_Picker;
    QLabel *Sportverein_Label;
    QComboBox *Sportverein_ComboBox;
    QLabel *ObereSchranke_Label;
    QSpinBox *ObereSchranke_Edit;
    QLabel *UntereSchranke_Label;
    QSpinBox *UntereSchranke_Edit;
    QLabel *Anzeige_Label;
    QLineEdit *Anzeige_Edit;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;
    QPushButton *Visier_Button;

protected:
    ShooterRecordDialog(const QString &code, QWidget *parent);
    void showEvent(QShowEvent *event) override;

    static DataTable *table();
    // Shows the record's "Name", "Vorname" and "Anzeigewert" in the bound fields.
    void showBoundFields();
    // The sight profile dialog for the record: adding or editing.
    virtual void runSightDialog(SightProfileDialog *dialog) = 0;
    // Stores the assigned record (with what belongs to it); false on failure.
    virtual bool storeRecord() = 0;
    // After a cancelled or failed record.
    virtual void dropRecord() {}
    // The new dialog starts every shooter with 0 training rounds.
    virtual bool resetsRounds() const = 0;

    QString m_code;
    bool m_inOk = false;

private:
    bool checkNames(bool requireClub);
    void bind(QLineEdit *edit, const QString &field);
};
