#pragma once
#include "runkit/resultrow.h"

#include <QDialog>

class QLabel;
class QLayout;
class QVBoxLayout;
class QPushButton;
class QTreeWidget;
class StoreWorker;
struct SeriesSaveResult;

// "Auswertung Einfachreaktion": the result window of tests 1 and 2
// (StaticResultWindow, RandomResultWindow), base of test 3's window. The
// test window clears its lists when it opens and appends one row per
// presentation; showing the window computes the figures, "&Speichern" books
// every row to the active shooter.
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

    // Showing: counts, means and deviations into the labels and the series list.
    virtual void showFigures();
    // "&Speichern": all rows in one transaction with the raised training
    // count of the active shooter, or none; closes the window with OK on
    // success. The save runs on a thread of its own while the window shows
    // that it is saving (buttons disabled, closing refused); saveFinished()
    // tells the outcome. False when no save was started: one runs already,
    // or it was refused at once (message shown, saveFinished(false) sent).
    bool saveClicked();
    bool isSaving() const { return m_saving; }

    // The rows of the run ("Erg_ListView") and the per-series figures ("MW_Listview").
    QTreeWidget *rowList() const { return m_rowList; }
    QTreeWidget *seriesList() const { return m_seriesList; }
    QLabel *countLabel() const { return m_countLabel; }
    QLabel *validityLabel() const { return m_validityLabel; }
    QLabel *meanLabel() const { return m_meanLabel; }
    QLabel *deviationLabel() const { return m_deviationLabel; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QPushButton *saveButton() const { return m_saveButton; }
    QLabel *statusLabel() const { return m_statusLabel; }

    // Closing with unsaved rows (by a button, Esc or the title bar) asks
    // first: "Ja" saves and closes on success, "Nein" drops, "Abbrechen" stays.
    void done(int r) override;

signals:
    void saveFinished(bool saved);

protected:
    ReactionResultWindow(int messTyp, const QString &code, const QString &name, QWidget *parent);
    void showEvent(QShowEvent *event) override;
    // A further row below the figures (test 3's time bar).
    void addToFigures(QLayout *row);
    // The status line's text for count late targets.
    virtual QString lateTargetsText(int count) const;

private:
    bool saveRows();
    void saveDone(const SeriesSaveResult &result);
    void showSaving(bool saving);

    QTreeWidget *m_rowList;
    QTreeWidget *m_seriesList;
    QLabel *m_countLabel;
    QLabel *m_validityLabel;
    QLabel *m_meanLabel;
    QLabel *m_deviationLabel;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
    QPushButton *m_saveButton;
    QLabel *m_statusLabel;
    QVBoxLayout *m_figuresLayout;
    StoreWorker *m_worker = nullptr;

    int m_messTyp;
    bool m_saving = false;
    bool m_unsaved = false;   // rows appended since the lists were cleared, not saved or dropped
    bool m_asking = false;
    int m_lateTargets = 0;
    QString m_code;
};
