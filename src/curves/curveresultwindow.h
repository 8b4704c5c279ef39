#pragma once
#include "curves/kdftools.h"
#include "runkit/resultwindow.h"

#include <QVector>

class TTimebar;
class QTreeWidgetItem;

// "Auswertung" of test 3 (code "ERA3F"): the rows of the run with their
// phase, overall and per-series figures, the time bar of a clicked row;
// "&Speichern" books the rows with "MessTyp" 3 like tests 1 and 2.
class CurveResultWindow : public ReactionResultWindow
{
    Q_OBJECT
public:
    explicit CurveResultWindow(QWidget *parent = nullptr);

    // What the time bar needs of the run: its curve files, mirrors and direction.
    void setRunContext(const QStringList &curveFiles, const QVector<MirrorDef> &mirrors, bool leftToRight);
    // The series the run went through: each has its line in the series list, also
    // one without a reaction. Reset by setRunContext.
    void setSeriesCount(int count) { m_seriesCount = count; }

    // Showing: the figures of test 3, not those of tests 1 and 2.
    void showFigures() override;
    // Draws the time bar of a row of the row list.
    void rowClicked(QTreeWidgetItem *item);

    TTimebar *timeBar() const { return m_timeBar; }

protected:
    QString lateTargetsText(int count) const override;

private:
    TTimebar *m_timeBar;
    QStringList m_files;
    QVector<MirrorDef> m_mirrors;
    bool m_leftToRight = true;
    int m_seriesCount = 0;
};
