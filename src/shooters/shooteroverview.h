#pragma once
#include <QDialog>
#include <QPointer>
#include <functional>

#include "store/datatable.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class ShooterList;

// "Schützenverwaltung": the shooter overview. Lists the shooters with the
// details of the marked one; its "&Datenverwaltung  " menu adds, edits,
// deletes and chooses shooters.
class ShooterOverview : public QDialog
{
    Q_OBJECT
public:
    static constexpr int HelpNumber = 1200;

    explicit ShooterOverview(QWidget *parent = nullptr);
    ~ShooterOverview() override;

    // The record dialogs ("&Neu...", "&Bearbeiten" for the current record).
    // While one is unset its menu item stays disabled.
    std::function<void()> newShooter;
    std::function<void()> editShooter;

    // Runs once each time the window is shown.
    void FormActivate();
    // Enables "&Bearbeiten", "&Löschen" and "&Auswählen" only while there are
    // shooters (the main window's idle refresh calls this, as does activation).
    void UpdateDataMenu();

    void Neu_ItemClick();
    void Bearbeiten_ItemClick();
    // Deletes the marked shooter after asking; the active shooter is left alone.
    void Loeschen_ItemClick();
    // Makes the current record the active shooter.
    void Auswaehlen_ItemClick();

    // Help page of a focused widget or highlighted menu item: its own number,
    // else that of the nearest parent with one, else the window's.
    int helpNumberFor(const QObject *item) const;
    // F1: shows the help page of the focused item (of the highlighted menu
    // item while the menu is open).
    void ShowFocusedHelp();

    QLabel *Schuetzen_Label;
    ShooterList *Pers_List;
    QFrame *Data_Panel;
    QLabel *Daten_Label;
    QLabel *Sportverein_Label;
    QLabel *Geburtsdatum_Label;
    QLabel *Anzeigewert_Label;
    QLabel *ObereSchranke_Label;
    QLabel *UntereSchranke_Label;
    QLabel *Trainingsrunden_Label;
    QLabel *Sportverein_Text;
    QLabel *Geburtsdatum_Text;
    QLabel *Anzeigewert_Text;
    QLabel *ObereSchranke_Text;
    QLabel *UntereSchranke_Text;
    QLabel *Trainingsrunden_Text;
    QPushButton *Daten_Button;
    QMenu *Daten_Menu;
    QAction *Neu_Item;
    QAction *Bearbeiten_Item;
    QAction *Loeschen_Item;
    QAction *Auswaehlen_Item;
    QAction *Drucken_Item;
    QPushButton *OK_Button;

    // Closing in any way keeps the window's position.
    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindTable();
    void showDetails();

    QPointer<DataTable> m_table;
};
