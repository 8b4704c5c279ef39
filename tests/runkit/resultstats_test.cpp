#include "platform/real48.h"
#include "runkit/resultstats.h"
#include "support/testmain.h"

#include <QTest>

namespace {
ResultRow r(int series, int target, const char *time, const char *status, const char *error = "-")
{
    return ResultRow{series, target, QString::fromLatin1(time), QString::fromLatin1(status), QString::fromLatin1(error)};
}
using Lines = QList<ResultStatistics::SeriesLine>;
} // namespace

class ResultStatsTest : public QObject
{
    Q_OBJECT
private slots:
    void threeValidOfFive()
    {
        const ResultRows rows{r(1, 1, "230", "x"), r(1, 2, "00", "o"), r(1, 3, "250", "x"), r(1, 4, "-120", "o"),
                              r(1, 5, "270", "x")};
        const ResultStatistics s(rows, 1);
        QCOMPARE(s.anzMessText(), QStringLiteral("5"));
        QCOMPARE(s.gLabelText(), QStringLiteral(" (3 gültig / 2 ungültig)"));
        QCOMPARE(s.mwText(), QStringLiteral("250 ms"));
        QCOMPARE(s.diffText(), QStringLiteral("20 ms"));
        const Lines lines = s.seriesLines();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().caption, QStringLiteral("1"));
        QCOMPARE(lines.first().subItems, (QStringList{"250", "20"}));
    }

    void oneValidRowInTestOne()
    {
        const ResultRows rows{r(1, 1, "310", "x"), r(1, 2, "00", "o"), r(1, 3, "00", "o"), r(1, 4, "00", "o"),
                              r(1, 5, "900", "o")};
        const ResultStatistics s(rows, 1);
        QCOMPARE(s.mwText(), QStringLiteral("310 ms"));
        QCOMPARE(s.diffText(), QStringLiteral("0 ms"));
        QCOMPARE(s.seriesLines().first().subItems, QStringList()); // only the series number
    }

    void noValidRow()
    {
        const ResultRows rows{r(1, 1, "00", "o"), r(1, 2, "00", "o"), r(1, 3, "00", "o"), r(1, 4, "00", "o"),
                              r(1, 5, "00", "o")};
        for (int typ : {1, 2}) {
            const ResultStatistics s(rows, typ);
            QCOMPARE(s.gLabelText(), QStringLiteral(" (0 gültig / 5 ungültig)"));
            QCOMPARE(s.mwText(), QStringLiteral("0 ms"));
            QCOMPARE(s.diffText(), QStringLiteral("0 ms"));
        }
    }

    void testTwoSeriesWithOneValidRowShowsItsMean()
    {
        const ResultRows rows{r(1, 1, "00", "o", "Ziel"), r(1, 2, "240", "x"), r(1, 3, "00", "o", "Reaktion"),
                              r(1, 4, "230", "o", "Ziel"), r(1, 5, "50", "o", "Reaktion"),
                              r(2, 1, "200", "x"), r(2, 2, "300", "x"), r(2, 3, "250", "x"),
                              r(2, 4, "00", "o", "Ziel"), r(2, 5, "00", "o", "Reaktion")};
        const ResultStatistics s(rows, 2);
        const Lines lines = s.seriesLines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0).caption, QStringLiteral("1"));
        QCOMPARE(lines.at(0).subItems, QStringList{"240"});
        QCOMPARE(lines.at(1).caption, QStringLiteral("2"));
        QCOMPARE(lines.at(1).subItems, (QStringList{"250", "50"}));
        QCOMPARE(s.gLabelText(), QStringLiteral(" (4 gültig / 6 ungültig)"));
        QCOMPARE(s.mwText(), QStringLiteral("248 ms")); // 990 / 4 = 247,5 rounds up
        QCOMPARE(s.diffText(), QStringLiteral("41 ms"));
    }

    void testTwoLeavesValidZeroTimesOutOfTheMeans()
    {
        // With min_Zeit 0 a timed-out row inside the zone is valid.
        const ResultRows rows{r(1, 1, "00", "x"), r(1, 2, "200", "x"), r(1, 3, "300", "x"), r(1, 4, "00", "x"),
                              r(1, 5, "00", "o", "Ziel")};
        const ResultStatistics two(rows, 2);
        QCOMPARE(two.gLabelText(), QStringLiteral(" (4 gültig / 1 ungültig)"));
        QCOMPARE(two.mwText(), QStringLiteral("250 ms"));
        QCOMPARE(two.diffText(), QStringLiteral("71 ms"));
        QCOMPARE(two.seriesLines().first().subItems, (QStringList{"250", "71"}));
        // Test 1 counts them.
        const ResultStatistics one(rows, 1);
        QCOMPARE(one.gLabelText(), QStringLiteral(" (4 gültig / 1 ungültig)"));
        QCOMPARE(one.mwText(), QStringLiteral("125 ms"));
    }

    void sumsAreSixByteReals()
    {
        // Ten series of alternating 110 and 800: the sum is exact, the mean 455.
        ResultRows rows;
        for (int i = 0; i < 50; ++i)
            rows << r(i / 5 + 1, i % 5 + 1, i % 2 ? "800" : "110", "x");
        const ResultStatistics s(rows, 1);
        QCOMPARE(s.seriesLines().size(), 10);
        QCOMPARE(s.mean(), 455.0);
        QCOMPARE(s.mwText(), QStringLiteral("455 ms"));
        QCOMPARE(s.diffText(), QStringLiteral("349 ms")); // sqrt(50 * 345^2 / 49) = 348,50...
        // A mean of 1/3 ms steps is held to 40 bits, not to double precision.
        const ResultRows thirds{r(1, 1, "100", "x"), r(1, 2, "100", "x"), r(1, 3, "101", "x"), r(1, 4, "00", "o"),
                                r(1, 5, "00", "o")};
        const ResultStatistics t(thirds, 1);
        QCOMPARE(t.mean(), Real48(301.0L / 3).toDouble());
        QVERIFY(t.mean() != 301.0 / 3);
    }

    void incompleteSeriesHasNoLine()
    {
        const ResultRows rows{r(1, 1, "230", "x"), r(1, 2, "250", "x"), r(1, 3, "270", "x")};
        const ResultStatistics s(rows, 1);
        QCOMPARE(s.seriesLines().size(), 0);
        QCOMPARE(s.anzMessText(), QStringLiteral("3"));
    }
};

VR_TEST_CLASS(ResultStatsTest)
#include "resultstats_test.moc"
