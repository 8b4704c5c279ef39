#pragma once
#include <QString>
#include <QStringList>
#include <array>

class QPagedPaintDevice;
class QPainter;

// A printed measurement record ("Messprotokoll"): one detail line per summary
// line of the series statistics, laid out in bands on any paged device
// (printer, PDF writer): title band on the first page; page header, column
// header and footer (rule, footer text, "Seite n von m") on every page.
// A4 portrait, margins 15/15/20/20 mm (top, bottom, left, right), base font
// 9.75 pt (13 px at 96 dpi). The rows are copied when set, so a refresh of
// the query behind them never changes a report that is being shown.
class MeasurementReport
{
public:
    enum Label { Nr, Datum, Zeit, Serie, S1, S2, S3, S4, S5, Mittelwert, LabelCount };

    explicit MeasurementReport(const QString &title);
    virtual ~MeasurementReport() = default;

    // The report title, also the name of the print job.
    QString title() const { return m_title; }

    void setRows(const QStringList &rows) { m_rows = rows; }
    const QStringList &rows() const { return m_rows; }

    // Title band texts (set by the evaluation window).
    QString measurementLine;
    QString personLine;
    QString dateLine;
    // "Benutzer" of the settings: printed as "Benutzer: …" under the person
    // line when not empty.
    QString userLine;

    // Before the run: row counter 0; false (nothing printed) for no rows.
    bool BeforePrint();
    // Next detail line into the labels; moreData tells whether to print it.
    void OnNeedData(bool &moreData);
    QString label(Label which) const { return m_labels[which]; }

    // Page size and margins of the record on a device.
    static void preparePage(QPagedPaintDevice *device);
    // Pages the layout needs for rowCount rows on the device (as prepared),
    // with or without the user's line in the title band.
    static int pageCount(QPagedPaintDevice *device, int rowCount, bool withUser = false);
    // Prints the whole report; the number of pages, 0 when nothing was printed.
    // Run in a BackgroundJob, it reports each page and stops (0) when cancelled.
    int print(QPagedPaintDevice *device);

    static QString footerText();
    static QStringList columnTitles();

private:
    struct Metrics;
    static Metrics metrics(QPagedPaintDevice *device, bool withUser);

    QString m_title;
    QStringList m_rows;
    int m_rowCounter = 0;
    std::array<QString, LabelCount> m_labels;
};
