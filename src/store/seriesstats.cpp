#include "store/seriesstats.h"

#include "platform/logformat.h"
#include "platform/numberformat.h"
#include "store/resultquery.h"

#include <QLocale>
#include <cmath>

void SeriesStats::resetGroup()
{
    ValidCount = 0;
    Sum = 0;
    Mean = 0;
    SumSq = 0;
    StdDev = 0;
    Values.clear();
    Slots.fill(0);
    RowsInGroup = 0;
}

void SeriesStats::beforeOpen()
{
    resetGroup();
    RowNo = 0;
    PrevSerie = -1;
    PrevDatum = QDate();
    PrevZeit = QTime();
    Busy = false;
    m_lines.clear();
    m_series.clear();
}

bool SeriesStats::sameSeries(const Row &a, const Row &b)
{
    return a.serie == b.serie && a.datum == b.datum && a.zeit == b.zeit;
}

SeriesStats::Row SeriesStats::rowOf(const ResultQuery &query, int row)
{
    Row r;
    r.datum = query.valueAt(row, QStringLiteral("DATUM")).toDate();
    r.zeit = query.valueAt(row, QStringLiteral("ZEIT")).toTime();
    r.serie = qRound(query.valueAt(row, QStringLiteral("SERIE")).toDouble());
    r.scheibe = qRound(query.valueAt(row, QStringLiteral("SCHEIBE")).toDouble());
    r.reakZeit = qRound(query.valueAt(row, QStringLiteral("ReakZeit")).toDouble());
    r.status = query.valueAt(row, QStringLiteral("STATUS")).toString().trimmed();
    return r;
}

SeriesStats::Result SeriesStats::step(int recNo, const Row &row, bool lastOfSeries)
{
    Result result;
    RowNo = recNo;
    if (RowNo == 1) {
        resetGroup();
        PrevSerie = -1;
    }
    // Each row is compared with the one before it.
    const bool newGroup = PrevSerie == -1 || row.serie != PrevSerie || row.datum != PrevDatum || row.zeit != PrevZeit;
    if (newGroup)
        resetGroup();
    PrevSerie = row.serie;
    PrevDatum = row.datum;
    PrevZeit = row.zeit;

    ++RowsInGroup;
    int v = row.reakZeit;
    const bool valid = row.status.compare(QLatin1String("o"), Qt::CaseInsensitive) != 0;
    if (!valid)
        v = 0;
    else {
        ++ValidCount;
        Values.append(v);
    }
    Sum += v;
    if (row.scheibe >= 1 && row.scheibe <= 5)
        Slots[row.scheibe - 1] = v;
    Mean = ValidCount > 0 ? double(Sum) / ValidCount : 0.0;

    if (lastOfSeries) {
        SeriesSummary s;
        s.datum = row.datum;
        s.zeit = row.zeit;
        s.serie = row.serie;
        s.slotTimes = Slots;
        s.rows = RowsInGroup;
        s.validCount = ValidCount;
        if (ValidCount >= 1) {
            SumSq = 0;
            for (int x : std::as_const(Values))
                SumSq += (x - Mean) * (x - Mean);
            StdDev = ValidCount == 1 ? 0.0 : std::sqrt(SumSq / (ValidCount - 1));
            s.mean = Mean;
            s.stdDev = StdDev;
            result.mittelwert = Mean;
            result.stdAbw = StdDev;
            result.evaluated = true;
            m_lines.append(summaryLine(s));
        }
        m_series.append(s);
    }
    return result;
}

QString SeriesStats::summaryLine(const SeriesSummary &s)
{
    const QLocale locale;
    QString line = locale.toString(s.datum, LogDateFormat(locale)) + u'|' + locale.toString(s.zeit, LogTimeFormat(locale))
                   + u'|' + QString::number(s.serie) + u'|';
    for (int slot : s.slotTimes)
        line += QString::number(slot) + u'|';
    line += NumberFormat::formatFloat("%.1f", s.mean, locale) + u'|';
    return line;
}

void SeriesStats::calcFields(ResultQuery &query)
{
    if (PassRunning || Busy)
        return;
    runStep(query);
}

void SeriesStats::runStep(ResultQuery &query)
{
    Busy = true;
    const int row = query.currentRow();
    if (row >= 0) {
        const Row current = rowOf(query, row);
        const bool last = row + 1 >= query.recordCount() || !sameSeries(current, rowOf(query, row + 1));
        const Result r = step(row + 1, current, last);
        query.setCalculated(QStringLiteral("GRIDNR"), row + 1);
        query.setCalculated(QStringLiteral("MITTELWERT"), r.mittelwert);
        query.setCalculated(QStringLiteral("STDABW"), r.stdAbw);
    }
    Busy = false;
}

void SeriesStats::calcAll(ResultQuery &query)
{
    if (!query.isOpen())
        return;
    PassRunning = true;
    query.disableControls();
    query.first();
    m_lines.clear();
    m_series.clear();
    while (!query.eof()) {
        if (!Busy)
            runStep(query);
        query.next();
    }
    query.first();
    query.enableControls();
    PassRunning = false;
}
