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
    m_nextRow = -1;
    m_prefix.clear();
}

bool SeriesStats::sameSeries(const Row &a, const Row &b)
{
    return a.serie == b.serie && a.datum == b.datum && a.zeit == b.zeit;
}

SeriesStats::Columns SeriesStats::columnsOf(const ResultQuery &query)
{
    Columns c;
    c.datum = query.columnNumber(QStringLiteral("DATUM"));
    c.zeit = query.columnNumber(QStringLiteral("ZEIT"));
    c.serie = query.columnNumber(QStringLiteral("SERIE"));
    c.scheibe = query.columnNumber(QStringLiteral("SCHEIBE"));
    c.reakZeit = query.columnNumber(QStringLiteral("ReakZeit"));
    c.status = query.columnNumber(QStringLiteral("STATUS"));
    c.gridNr = query.columnNumber(QStringLiteral("GRIDNR"));
    c.mittelwert = query.columnNumber(QStringLiteral("MITTELWERT"));
    c.stdAbw = query.columnNumber(QStringLiteral("STDABW"));
    return c;
}

SeriesStats::Row SeriesStats::rowOf(const ResultQuery &query, int row, const Columns &c)
{
    Row r;
    r.datum = query.cell(row, c.datum).toDate();
    r.zeit = query.cell(row, c.zeit).toTime();
    r.serieKnown = ResultQuery::wholeNumber(query.cell(row, c.serie), &r.serie);
    r.numbersKnown = r.serieKnown && ResultQuery::wholeNumber(query.cell(row, c.scheibe), &r.scheibe)
                     && ResultQuery::wholeNumber(query.cell(row, c.reakZeit), &r.reakZeit);
    const QVariant &status = query.cell(row, c.status);
    r.status = status.typeId() == QMetaType::QString ? status.toString().trimmed() : status.toString();
    return r;
}

SeriesStats::Row SeriesStats::rowOf(const ResultQuery &query, int row)
{
    Row r;
    r.datum = query.valueAt(row, QStringLiteral("DATUM")).toDate();
    r.zeit = query.valueAt(row, QStringLiteral("ZEIT")).toTime();
    r.serieKnown = ResultQuery::wholeNumber(query.valueAt(row, QStringLiteral("SERIE")), &r.serie);
    r.numbersKnown = r.serieKnown && ResultQuery::wholeNumber(query.valueAt(row, QStringLiteral("SCHEIBE")), &r.scheibe)
                     && ResultQuery::wholeNumber(query.valueAt(row, QStringLiteral("ReakZeit")), &r.reakZeit);
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
    const bool valid = row.numbersKnown && row.status.compare(QLatin1String("o"), Qt::CaseInsensitive) != 0;
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
        s.serieKnown = row.serieKnown;
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
            m_lines.append(lineFor(s));
        }
        m_series.append(s);
    }
    return result;
}

QString SeriesStats::lineFor(const SeriesSummary &s)
{
    // The series of one measurement share date and time: their text is made once.
    if (s.datum != m_prefixDatum || s.zeit != m_prefixZeit || m_prefix.isEmpty()) {
        m_prefixDatum = s.datum;
        m_prefixZeit = s.zeit;
        const QString line = summaryLine(s);
        m_prefix = line.section(u'|', 0, 1) + u'|';
        return line;
    }
    QString line = m_prefix + QString::number(s.serie) + u'|';
    for (int slot : s.slotTimes)
        line += QString::number(slot) + u'|';
    line += NumberFormat::formatFloat("%.1f", s.mean) + u'|';
    return line;
}

QString SeriesStats::summaryLine(const SeriesSummary &s)
{
    const QLocale locale;
    // The formats are worked out once per locale, not once per line.
    static QLocale cachedFor(QLocale::C);
    static QString dateFormat = LogDateFormat(cachedFor), timeFormat = LogTimeFormat(cachedFor);
    if (!(cachedFor == locale)) {
        cachedFor = locale;
        dateFormat = LogDateFormat(locale);
        timeFormat = LogTimeFormat(locale);
    }
    QString line = locale.toString(s.datum, dateFormat) + u'|' + locale.toString(s.zeit, timeFormat) + u'|'
                   + QString::number(s.serie) + u'|';
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
        if (row == 0)
            m_columns = columnsOf(query);
        // The row looked ahead at last time is this one.
        const Row current = m_nextRow == row ? m_next : rowOf(query, row, m_columns);
        bool last = true;
        if (row + 1 < query.recordCount()) {
            m_next = rowOf(query, row + 1, m_columns);
            m_nextRow = row + 1;
            last = !sameSeries(current, m_next);
        } else {
            m_nextRow = -1;
        }
        const Result r = step(row + 1, current, last);
        query.setCalculatedAt(m_columns.gridNr, row + 1);
        // Only the row that ends an evaluated series carries a value; a 0 on
        // the others would read as a mean of 0 ms.
        query.setCalculatedAt(m_columns.mittelwert, r.evaluated ? QVariant(r.mittelwert) : QVariant());
        query.setCalculatedAt(m_columns.stdAbw, r.evaluated ? QVariant(r.stdAbw) : QVariant());
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
    m_nextRow = -1;
    m_prefix.clear();
    while (!query.eof()) {
        if (!Busy)
            runStep(query);
        query.next();
    }
    query.first();
    query.enableControls();
    PassRunning = false;
}
