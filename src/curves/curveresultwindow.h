#pragma once
#include "curves/kdftools.h"
#include "runkit/resultwindow.h"

#include <QVector>

class TTimebar;
class QTreeWidgetItem;

// "Auswertung" of test 3 (code "ERA3F"): the rows of the run with their
// phase, overall and per-series figures, the time bar of a clicked row;
// "&Speichern" books the rows with "MessTyp" 3 like tests 1 and 2.
class TERA3_Form : public ReactionResultWindow
{
    Q_OBJECT
public:
    explicit TERA3_Form(QWidget *parent = nullptr);

    // What the time bar needs of the run: its curve files, mirrors and direction.
    void setRunContext(const QStringList &curveFiles, const QVector<MirrorDef> &mirrors, bool leftToRight);
    // The series the run went through: each has its line in MW_Listview, also
    // one without a reaction. Reset by setRunContext.
    void setSeriesCount(int count) { m_seriesCount = count; }

    // Showing: the figures.
    void FormShow3();
    // Draws the time bar of a row of Erg_ListView.
    void Erg_ListViewClick(QTreeWidgetItem *item);

    TTimebar *Timebar;

protected:
    void showEvent(QShowEvent *event) override;
    QString lateTargetsText(int count) const override;

private:
    QStringList m_files;
    QVector<MirrorDef> m_mirrors;
    bool m_leftToRight = true;
    int m_seriesCount = 0;
};
