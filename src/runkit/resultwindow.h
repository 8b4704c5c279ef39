#pragma once
#include "runkit/resultrow.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

// "Auswertung Einfachreaktion": the result window of tests 1 and 2
// (TERA1_Form, TERA2_Form). The test window clears its lists when it opens
// and appends one row per presentation; showing the window computes the
// figures, "&Speichern" books every row to the active shooter.
class ReactionResultWindow : public QDialog
{
    Q_OBJECT
public:
    int messTyp() const { return m_messTyp; }

    // Both lists emptied (the test window's activation).
    void clearLists();
    void appendRow(const ResultRow &row);
    ResultRows rows() const;
    // The status line: how many targets of the run reached the screen late;
    // hidden when none did. Cleared with the lists.
    void setLateTargets(int count);
    int lateTargets() const { return m_lateTargets; }

    // Showing: counts, means and deviations into the labels and MW_Listview.
    void FormShow();
    // "&Speichern": all rows in one transaction with the raised training
    // count of the active shooter; closes the window with OK on success.
    bool Save_ButtonClick();

    QTreeWidget *Erg_ListView;
    QTreeWidget *MW_Listview;
    QLabel *AnzMess_Label;
    QLabel *GLabel;
    QLabel *MW_Label;
    QLabel *Diff_Label;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;
    QPushButton *Save_Button;
    QLabel *StatusLine_Label;

    // Closing with unsaved rows (by a button, Esc or the title bar) asks
    // first: "Ja" saves and closes on success, "Nein" drops, "Abbrechen" stays.
    void done(int r) override;

protected:
    ReactionResultWindow(int messTyp, const QString &code, const QString &name, QWidget *parent);
    void showEvent(QShowEvent *event) override;
    // The status line's text for count late targets.
    virtual QString lateTargetsText(int count) const;

private:
    bool saveRows();

    int m_messTyp;
    bool m_saving = false;
    bool m_unsaved = false;   // rows appended since the lists were cleared, not saved or dropped
    bool m_asking = false;
    int m_lateTargets = 0;
    QString m_code;
};
