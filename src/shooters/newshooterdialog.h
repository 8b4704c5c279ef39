#pragma once
#include "shooters/shooterrecorddialog.h"

// "Daten hinzufügen": a new shooter record (with 80 / 20 limits and no
// training rounds). A sight profile made meanwhile goes with it, or is
// removed again when the new shooter is not stored.
class NewShooterDialog : public ShooterRecordDialog
{
    Q_OBJECT
public:
    explicit NewShooterDialog(QWidget *parent = nullptr);
    ~NewShooterDialog() override;

    void activate() override;
    // Sight profile records made for this shooter while the dialog is open.
    const QList<qint64> &newProfiles() const { return m_profiles; }

protected:
    void runSightDialog(SightProfileDialog *dialog) override;
    bool storeRecord(const Shooter &entered) override;
    void dropRecord() override;

private:
    QList<qint64> m_profiles;
};
