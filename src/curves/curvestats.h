#pragma once
#include "runkit/resultrow.h"

#include <QList>
#include <QString>
#include <QStringList>

// The figures of the test-3 result window. Overall, valid rows are those
// with status exactly "x"; a row's value is its time text as a number. The
// series lines are figured by the store's series statistics, as the saved
// rows will be in "Auswertung". Texts use "%1.1f" with the decimal separator
// of the default locale.
class CurveStatistics
{
public:
    struct GroupLine
    {
        QString caption;        // series number
        QStringList subItems;   // mean and deviation, or empty without a valid row
    };

    // seriesCount: the series the run went through (each gets its line, with
    // or without rows); 0 for the series of the rows only.
    explicit CurveStatistics(const ResultRows &rows, int seriesCount = 0);

    int rowCount() const { return m_rows; }
    int validCount() const { return m_valid; }
    double mean() const { return m_mean; }

    QString anzMessText() const { return QString::number(m_rows); }
    QString gLabelText() const;   // " (n gültig / m ungültig)"
    QString mwText() const;       // "300,0 ms"
    QString diffText() const;     // "16,3 ms"; "0 ms" for one valid row, "0,0 ms" for none
    // One line per series in series order, grouped by the rows' series numbers.
    const QList<GroupLine> &groupLines() const { return m_groups; }

    static QString oneDecimal(double value);

private:
    int m_rows = 0;
    int m_valid = 0;
    double m_mean = 0;
    double m_ss = 0;
    QList<GroupLine> m_groups;
};
