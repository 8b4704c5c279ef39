#pragma once
#include <QDate>
#include <QStringList>
#include <QTime>
#include <QVector>
#include <array>

class ResultQuery;

// One series as the statistics grouped it: the run of consecutive rows with
// equal "DATUM", "ZEIT" (to the millisecond) and "SERIE".
struct SeriesSummary
{
    QDate datum;
    QTime zeit;
    int serie = 0;
    bool serieKnown = true;         // false: "SERIE" is no number (shown empty)
    std::array<int, 5> slotTimes{}; // slot k = "ReakZeit" of target k, 0 when not valid or missing
    int rows = 0;
    int validCount = 0;
    double mean = 0;   // of the valid rows
    double stdDev = 0; // sample standard deviation, 0 for one valid row
};

// Mean and standard deviation per series over a result query, computed while
// the rows are visited in query order; one instance per query. The series is
// evaluated on its last row (the next row belongs to another series or there
// is none), which then carries "MITTELWERT" and "STDABW" in the query; every
// other row, and the last row of a series without a valid row, carries NULL
// there. A series with at least one valid row ("STATUS" "x") adds one
// summary line "DATUM|ZEIT|SERIE|S1|S2|S3|S4|S5|mean|". A row whose "SERIE",
// "SCHEIBE" or "ReakZeit" is no number (ResultQuery::number) is not valid.
class SeriesStats
{
public:
    // One row as the step reads it.
    struct Row
    {
        QDate datum;
        QTime zeit;
        int serie = 0;
        int scheibe = 0;
        int reakZeit = 0;
        QString status;
        bool serieKnown = true;   // "SERIE" is a number
        bool numbersKnown = true; // "SERIE", "SCHEIBE" and "ReakZeit" are numbers
    };
    struct Result
    {
        double mittelwert = 0;
        double stdAbw = 0;
        bool evaluated = false;
    };

    // Before the query opens: state and summary lines cleared.
    void beforeOpen();
    // The per-row step of the current row of query (unless a pass or a step
    // is running): sets "GRIDNR", "MITTELWERT", "STDABW" (NULL unless the row
    // ends an evaluated series).
    void calcFields(ResultQuery &query);
    // Full pass over the open query: clears the summary lines and runs the
    // step on every row with the bound controls stopped; ends on the first row.
    void calcAll(ResultQuery &query);

    // The step itself; lastOfSeries tells that the next row starts another series.
    Result step(int recNo, const Row &row, bool lastOfSeries);
    static bool sameSeries(const Row &a, const Row &b);
    static Row rowOf(const ResultQuery &query, int row);
    // Column numbers of the query as last opened (looked up on row 1).
    struct Columns
    {
        int datum = -1, zeit = -1, serie = -1, scheibe = -1, reakZeit = -1, status = -1;
        int gridNr = -1, mittelwert = -1, stdAbw = -1;
    };
    static Columns columnsOf(const ResultQuery &query);
    static Row rowOf(const ResultQuery &query, int row, const Columns &c);

    const QStringList &summaryLines() const { return m_lines; }
    QStringList &summaryLines() { return m_lines; }
    // Every series met since the last reset, valid rows or not, in query order.
    const QVector<SeriesSummary> &series() const { return m_series; }

    // The summary line of one series (date and time in the locale's log formats).
    static QString summaryLine(const SeriesSummary &s);

    bool busy() const { return Busy; }
    bool passRunning() const { return PassRunning; }

private:
    void resetGroup();
    QString lineFor(const SeriesSummary &s);
    void runStep(ResultQuery &query);

    int RowNo = 0;
    int PrevSerie = -1;
    QDate PrevDatum;
    QTime PrevZeit;
    int ValidCount = 0;
    qint64 Sum = 0;
    double Mean = 0;
    double SumSq = 0;
    double StdDev = 0;
    QVector<int> Values;          // valid times of the group
    std::array<int, 5> Slots{};   // by target number
    int RowsInGroup = 0;
    bool Busy = false;
    bool PassRunning = false;

    QStringList m_lines;
    QVector<SeriesSummary> m_series;
    Columns m_columns;
    int m_nextRow = -1; // row held in m_next
    Row m_next;
    QDate m_prefixDatum;  // "DATUM|ZEIT|" text of the last line
    QTime m_prefixZeit;
    QString m_prefix;
};
