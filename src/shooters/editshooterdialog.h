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
    bool storeRecord(const Shooter &entered) override;
    qint64 ownNummer() const override { return m_read.nummer; }

private:
    Shooter m_read;   // the record as shown when the dialog opened
};
