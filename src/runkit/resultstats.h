#pragma once
#include "runkit/resultrow.h"

#include <QStringList>

// The figures of a result window, computed from its rows. Sums, means and
// sums of squares are held as 6-byte reals, rounded after every addition.
//   test 1: the sample set is every "x" row;
//   test 2: every "x" row whose time text is not "00".
class ResultStatistics
{
public:
    struct SeriesLine
    {
        QString caption;        // series number from 1
        QStringList subItems;   // mean and deviation as shown (may be empty)
    };

    ResultStatistics(const ResultRows &rows, int messTyp);

    int n() const { return m_n; }
    int valid() const { return m_v; }
    int sampleCount() const { return m_k; }
    double mean() const { return m_mean; }
    double deviation() const { return m_deviation; }

    QString anzMessText() const;   // AnzMess_Label
    QString gLabelText() const;    // GLabel: " (v gültig / n-v ungültig)"
    QString mwText() const;        // MW_Label: "250 ms"
    QString diffText() const;      // Diff_Label: "20 ms"
    QList<SeriesLine> seriesLines() const { return m_series; }

private:
    struct Group
    {
        int k = 0;
        long double sum = 0;
        long double mean = 0;
        long double deviation = 0;
    };
    Group compute(const ResultRows &rows, int from, int count) const;
    bool inSample(const ResultRow &row) const;

    int m_messTyp;
    int m_n = 0;
    int m_v = 0;
    int m_k = 0;
    double m_mean = 0;
    double m_deviation = 0;
    QList<SeriesLine> m_series;
};
