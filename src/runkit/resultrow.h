#pragma once
#include <QList>
#include <QString>

// One row of a result list: what the test windows append and the result
// windows score and save.
struct ResultRow
{
    int series = 0;   // "Serie"
    int target = 0;   // "Scheibe", 1 to 5 within the series
    QString time;     // "Zeit in ms": whole milliseconds, at least two digits ("00", "230", "-120")
    QString status;   // "x" valid, "o" not valid
    QString error;    // "-", or in test 2 "Ziel" / "Reaktion"

    bool operator==(const ResultRow &o) const
    {
        return series == o.series && target == o.target && time == o.time && status == o.status && error == o.error;
    }
};
using ResultRows = QList<ResultRow>;

// Time text of a reaction of the given number of 10 ms ticks ("%1.2d" of the milliseconds).
QString ReactionTimeText(int ticks);
