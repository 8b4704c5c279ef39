#pragma once
#include <QDialog>

class QLabel;
class QModelIndex;
class QPushButton;
class ShooterList;

// "Schütze auswählen": chooses the shooter to whom measurements are booked.
class ShooterSelectDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ShooterSelectDialog(QWidget *parent = nullptr);
    ~ShooterSelectDialog() override;

    // Runs once each time the window is shown: "Üb&ernehmen" only with shooters.
    void activate();
    // "Üb&ernehmen": the current record becomes the active shooter; closes with OK.
    void okClicked();

    ShooterList *shooterList() const { return m_list; }
    QLabel *userImage() const { return m_userImage; }
    // The two explaining texts beside the list.
    QLabel *infoLabel(int i) const { return m_info[i]; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Double click on an entry: the same as "Üb&ernehmen".
    void listDoubleClicked(const QModelIndex &index);

    ShooterList *m_list = nullptr;
    QLabel *m_userImage = nullptr;
    QLabel *m_info[2] = {nullptr, nullptr};
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
