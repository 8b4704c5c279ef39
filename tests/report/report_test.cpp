#include "report/efrfreport.h"
#include "report/efrreport.h"
#include "report/ikreport.h"
#include "support/pdftext.h"
#include "support/testmain.h"

#include <QFileInfo>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {
QString seriesLine(int serie, int base)
{
    return QStringLiteral("01.02.2003|10:15:00|%1|%2|%3|%4|%5|%6|%7,0|")
        .arg(serie)
        .arg(base)
        .arg(base + 10)
        .arg(base + 20)
        .arg(base + 30)
        .arg(base + 40)
        .arg(base + 20);
}

// The report as a PDF file, laid out as the print service writes it.
bool writePdf(const QString &file, const QString &title, const std::function<void(QPagedPaintDevice *)> &render)
{
    {
        QPdfWriter writer(file);
        writer.setTitle(title);
        writer.setResolution(300);
        MeasurementReport::preparePage(&writer);
        render(&writer);
    }
    return QFileInfo(file).size() > 0;
}
} // namespace

class ReportTest : public QObject
{
    Q_OBJECT
private slots:
    void needDataFillsTheLabelsRowByRow_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("numbers"); // "Nr" of each printed line
        QTest::addColumn<QStringList>("lastLabels");
        QTest::newRow("none") << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("three") << QStringList{seriesLine(1, 250), seriesLine(2, 300), "x|y|3|1|2|3|4|5|3,0|rest"}
                               << QStringList{"1", "2", "3"}
                               << QStringList{"3", "x", "y", "3", "1", "2", "3", "4", "5", "3,0"};
        QTest::newRow("example") << QStringList{"01.02.2003|10:15:00|1|250|260|270|280|290|270,0|"} << QStringList{"1"}
                                 << QStringList{"1", "01.02.2003", "10:15:00", "1", "250", "260", "270", "280", "290",
                                                "270,0"};
    }

    void needDataFillsTheLabelsRowByRow()
    {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, numbers);
        QFETCH(QStringList, lastLabels);
        TEFRReport report;
        report.setRows(rows);
        QCOMPARE(report.BeforePrint(), !rows.isEmpty());
        QStringList printed, labels;
        for (int guard = 0; guard < 10; ++guard) {
            bool more = false;
            report.OnNeedData(more);
            if (!more)
                break;
            printed << report.label(MeasurementReport::Nr);
            labels.clear();
            for (int l = 0; l < MeasurementReport::LabelCount; ++l)
                labels << report.label(MeasurementReport::Label(l));
        }
        QCOMPARE(printed, numbers);
        QCOMPARE(labels, lastLabels);
        // A second run starts again at row 1.
        if (!rows.isEmpty()) {
            QVERIFY(report.BeforePrint());
            bool more = false;
            report.OnNeedData(more);
            QVERIFY(more);
            QCOMPARE(report.label(MeasurementReport::Nr), QStringLiteral("1"));
        }
    }

    void titlesPerTest()
    {
        QCOMPARE(TEFRReport().title(), QStringLiteral("Einfachreaktionstest"));
        QCOMPARE(TEFRFReport().title(), QStringLiteral("Einfachreaktionstest mit Fehlern"));
        QCOMPARE(TIKReport().title(), QStringLiteral("Individualkurventest"));
    }

    void emptyReportPrintsNothing()
    {
        QTemporaryDir dir;
        TEFRReport report;
        QPdfWriter writer(dir.filePath("leer.pdf"));
        QCOMPARE(report.print(&writer), 0);
    }

    void pdfOfThreeSeriesIsOnePage()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("drei.pdf");
        TEFRReport report;
        report.setRows({"01.02.2003|10:15:00|1|250|260|270|280|290|270,0|", seriesLine(2, 300), seriesLine(3, 310)});
        report.measurementLine = "Einfachreaktionstest";
        report.personLine = "Müller Jürgen";
        report.dateLine = "07.12.2026";
        report.userLine = "Anna Trainer";
        int pages = 0;
        QVERIFY(writePdf(file, report.title(), [&](QPagedPaintDevice *d) { pages = report.print(d); }));
        QCOMPARE(pages, 1);
        bool ok = false;
        QCOMPARE(pdfPages(file, &ok), 1);
        QVERIFY2(ok, "pdfinfo (poppler-utils) is needed");
        QCOMPARE(pdfTitle(file, &ok), QStringLiteral("Einfachreaktionstest"));
        const QString text = pdfText(file, 0, &ok);
        QVERIFY2(ok, "pdftotext (poppler-utils) is needed");
        for (const char *expected : {"Messprotokoll", "Einfachreaktionstest", "Müller Jürgen", "07.12.2026", "Benutzer: Anna Trainer",
                                     "Nr Datum Zeit Serie S1 S2 S3 S4 S5 Mittelwert",
                                     "1 01.02.2003 10:15:00 1 250 260 270 280 290 270,0",
                                     "3 01.02.2003 10:15:00 3 310 320 330 340 350 330,0", "Seite 1 von 1"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    }

    void pdfOfHundredSeriesBreaksPages()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("hundert.pdf");
        TIKReport report;
        QStringList rows;
        for (int i = 1; i <= 100; ++i)
            rows << seriesLine(i, 200 + i);
        report.setRows(rows);
        report.measurementLine = "Individualkurventest";
        report.personLine = "Meier Hans";
        int pages = 0, expected = 0;
        QVERIFY(writePdf(file, report.title(), [&](QPagedPaintDevice *d) {
            expected = MeasurementReport::pageCount(d, 100);
            pages = report.print(d);
        }));
        QVERIFY(expected > 1);
        QCOMPARE(pages, expected);
        bool ok = false;
        QCOMPARE(pdfPages(file, &ok), expected);
        QVERIFY(ok);
        int lastNumber = 0;
        for (int page = 1; page <= expected; ++page) {
            const QString text = pdfText(file, page, &ok);
            QVERIFY(ok);
            QVERIFY2(text.contains("Messprotokoll"), qPrintable(QString::number(page)));
            QVERIFY(text.contains(QStringLiteral("Seite %1 von %2").arg(page).arg(expected)));
            QCOMPARE(text.contains("Individualkurventest"), page == 1);
            QCOMPARE(text.contains("Meier Hans"), page == 1);
            QVERIFY(text.contains("Nr Datum Zeit Serie S1 S2 S3 S4 S5 Mittelwert"));
            // Detail lines continue where the page before stopped.
            const QRegularExpression detail(QStringLiteral("(?m)^ ?(\\d+) 01\\.02\\.2003 10:15:00 (\\d+) "));
            auto it = detail.globalMatch(text);
            while (it.hasNext()) {
                const auto m = it.next();
                QCOMPARE(m.captured(1).toInt(), lastNumber + 1);
                QCOMPARE(m.captured(2).toInt(), lastNumber + 1);
                ++lastNumber;
            }
        }
        QCOMPARE(lastNumber, 100);
    }
};

VR_TEST_CLASS(ReportTest)
#include "report_test.moc"
