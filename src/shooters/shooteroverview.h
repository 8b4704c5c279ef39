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
    void activate();
    // Enables "&Bearbeiten", "&Löschen" and "&Auswählen" only while there are
    // shooters (on activation and whenever the shooter table changes).
    void updateDataMenu();

    void newClicked();
    void editClicked();
    // Deletes the marked shooter after asking; the active shooter is left alone.
    void deleteClicked();
    // Makes the current record the active shooter.
    void selectClicked();

    // Help page of a focused widget or highlighted menu item: its own number,
    // else that of the nearest parent with one, else the window's.
    int helpNumberFor(const QObject *item) const;
    // F1: shows the help page of the focused item (of the highlighted menu
    // item while the menu is open).
    void showFocusedHelp();

    ShooterList *shooterList() const { return m_list; }
    QFrame *detailsPanel() const { return m_detailsPanel; }
    QPushButton *dataButton() const { return m_dataButton; }
    QMenu *dataMenu() const { return m_dataMenu; }
    QAction *newAction() const { return m_newAction; }
    QAction *editAction() const { return m_editAction; }
    QAction *deleteAction() const { return m_deleteAction; }
    QAction *selectAction() const { return m_selectAction; }
    QAction *printAction() const { return m_printAction; }
    QPushButton *okButton() const { return m_okButton; }
    // The marked shooter's details as shown.
    QLabel *clubText() const { return m_clubText; }
    QLabel *birthDateText() const { return m_birthDateText; }
    QLabel *displayValueText() const { return m_displayValueText; }
    QLabel *upperBoundText() const { return m_upperBoundText; }
    QLabel *lowerBoundText() const { return m_lowerBoundText; }
    QLabel *roundsText() const { return m_roundsText; }

    // Closing in any way keeps the window's position.
    void done(int r) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindTable();
    void showDetails();

    ShooterList *m_list = nullptr;
    QFrame *m_detailsPanel = nullptr;
    QLabel *m_clubText = nullptr;
    QLabel *m_birthDateText = nullptr;
    QLabel *m_displayValueText = nullptr;
    QLabel *m_upperBoundText = nullptr;
    QLabel *m_lowerBoundText = nullptr;
    QLabel *m_roundsText = nullptr;
    QPushButton *m_dataButton = nullptr;
    QMenu *m_dataMenu = nullptr;
    QAction *m_newAction = nullptr;
    QAction *m_editAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_selectAction = nullptr;
    QAction *m_printAction = nullptr;
    QPushButton *m_okButton = nullptr;
    QPointer<DataTable> m_table;
};
