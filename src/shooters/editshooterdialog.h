#pragma once
#include "shooters/shooterrecorddialog.h"

// "Daten bearbeiten": the shooter table's current record. A new name takes
// the shooter's sight profile and measurements along; the training rounds
// stay as stored.
class EditShooterDialog : public ShooterRecordDialog
{
    Q_OBJECT
public:
    explicit EditShooterDialog(QWidget *parent = nullptr);
    ~EditShooterDialog() override;

    void activate() override;

protected:
    void runSightDialog(SightProfileDialog *dialog) override;
    bool storeRecord() override;
    bool resetsRounds() const override { return false; }

private:
    QString m_storedName;
    QString m_storedVorname;
};
