#pragma once
#include <QDate>
#include <QStringList>
#include <QTableView>
#include <QTime>

class ResultQuery;
class ResultQueryModel;

// The grid of one evaluation page (test 1, 2 or 3) over the data module's
// result query of that test: the query's rows newest first, a marker for the
// current row, the last row of each series in silver.
class ResultGrid : public QTableView
{
    Q_OBJECT
public:
    // A series of the grid: shooter, measurement (date, time), series and target.
    struct SeriesKey
    {
        QString name, vorname;
        QDate datum;
        QTime zeit;
        int serie = -1;
        int scheibe = -1;
    };

    // query may be null (no data module): the grid stays empty.
    ResultGrid(int test, ResultQuery *query, QWidget *parent = nullptr);

    int test() const { return m_test; }
    ResultQuery *query() const;

    // The selected row's series, or an empty key (serie < 0).
    SeriesKey selectedKey() const;
    // Selects the row of key (its target, else the series' first row), else the first row.
    void selectKey(const SeriesKey &key);

    // Column titles and cell texts as the CSV of the page holds them.
    QStringList titles() const;
    QList<QStringList> csvRows() const;

private:
    int m_test;
    ResultQueryModel *m_model = nullptr;
};
