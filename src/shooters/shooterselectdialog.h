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
    void FormActivate();
    // "Üb&ernehmen": the current record becomes the active shooter; closes with OK.
    void OK_ButtonClick();
    // Double click on an entry: the same as "Üb&ernehmen".
    void Pers_ListDblClick(const QModelIndex &index);

    QLabel *Schuetzen_Label;
    ShooterList *Pers_List;
    QLabel *User_Image;
    QLabel *Info1_Label;
    QLabel *Info2_Label;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;

    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;
};
