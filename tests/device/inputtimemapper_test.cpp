#include "device/inputtimemapper.h"
#include "support/testmain.h"

#include <QTest>

namespace {
constexpr qint64 ms = 1000000;

// One input event: its stamp on the window system's clock and when the
// program got it (monotonic ms).
struct Ev
{
    quint64 stamp;
    qint64 arrivalMs;
};
} // namespace
Q_DECLARE_METATYPE(QList<Ev>)

class InputTimeMapperTest : public QObject
{
    Q_OBJECT
private slots:
    void offsetFollowsTheQuickestEvents_data()
    {
        QTest::addColumn<QList<Ev>>("events");
        QTest::addColumn<qint64>("offsetMs");   // monotonic = stamp + offset
        QTest::addColumn<int>("recalibrations");
        QTest::addColumn<qint64>("systemAheadMs");   // system clock - ours, -1: not known

        // Server clock 5000 ms ahead of ours, events arriving 1 to 3 ms late.
        QTest::newRow("steady") << QList<Ev>{{6000, 1002}, {6100, 1101}, {6200, 1203}} << qint64(-4999) << 0 << qint64(-1);
        // The first event waited 120 ms behind a busy thread; three quick ones agree and correct it.
        QTest::newRow("first event delayed") << QList<Ev>{{6000, 1120}, {6100, 1101}, {6200, 1201}, {6300, 1301}}
                                              << qint64(-4999) << 1 << qint64(-1);
        // One event that waited 40 ms does not move the estimate.
        QTest::newRow("one late event") << QList<Ev>{{6000, 1001}, {6100, 1140}, {6200, 1201}} << qint64(-4999) << 0 << qint64(-1);
        // Events that waited in the queue through a 3 s countdown do not either.
        QTest::newRow("queued through a countdown")
            << QList<Ev>{{6000, 1001}, {6100, 4100}, {7000, 4101}, {8000, 4102}, {9000, 4103}} << qint64(-4999) << 0 << qint64(-1);
        // The server's 32-bit clock wraps: times keep running on.
        QTest::newRow("32-bit wrap") << QList<Ev>{{0xFFFFFF00ULL, 1001}, {0x10ULL, 1273}, {0x20ULL, 1289}}
                                      << qint64(1001 - 0xFFFFFF00LL) << 0 << qint64(-1);
        // The window system's clock jumped by 10 s: three events agree, a new calibration starts.
        QTest::newRow("clock jumped") << QList<Ev>{{6000, 1001}, {6100, 11101}, {6200, 11201}, {6300, 11302}}
                                       << qint64(10000 - 4999) << 1 << qint64(-1);
        // A slowly drifting clock: the estimate follows within the window.
        QList<Ev> drift;
        for (int i = 0; i < 3 * InputTimeMapper::Window; ++i)
            drift << Ev{quint64(6000 + 100 * i), 1001 + 100 * i + i / 10};
        QTest::newRow("drift") << drift << qint64(-4999 + (3 * InputTimeMapper::Window - InputTimeMapper::Window) / 10)
                               << 0 << qint64(-1);
        // Stamped on the system clock (a local X server): the first event is
        // mapped exactly even though it waited 30 ms, also across a wrap.
        QTest::newRow("system clock, first event delayed")
            << QList<Ev>{{6000, 1030}} << qint64(-5000) << 0 << qint64(5000);
        QTest::newRow("system clock past a wrap")
            << QList<Ev>{{6000, 1030}, {6100, 1101}} << qint64(-5000) << 0 << qint64((1LL << 32) + 5000);
        // A clock of its own (a remote server): the estimate as before.
        QTest::newRow("other clock") << QList<Ev>{{6000, 1002}, {6100, 1101}, {6200, 1203}} << qint64(-4999) << 0
                                     << qint64(123456);
    }
    void offsetFollowsTheQuickestEvents()
    {
        QFETCH(QList<Ev>, events);
        QFETCH(qint64, offsetMs);
        QFETCH(int, recalibrations);
        QFETCH(qint64, systemAheadMs);
        InputTimeMapper m;
        if (systemAheadMs >= 0)
            m.setSystemClock(systemAheadMs * ms);
        for (const Ev &e : events)
            m.observe(e.stamp, e.arrivalMs * ms);
        QCOMPARE(m.offsetNs() / ms, offsetMs);
        QCOMPARE(m.recalibrations(), recalibrations);
    }

    void implausibleStampsFallBack_data()
    {
        QTest::addColumn<quint64>("stamp");
        QTest::addColumn<qint64>("arrivalMs");
        QTest::addColumn<qint64>("floorMs");
        QTest::addColumn<qint64>("expectMs");
        QTest::addColumn<bool>("fallback");

        // Calibrated: stamp 6000 = 1000 ms.
        QTest::newRow("plausible") << quint64(6500) << qint64(1530) << qint64(400) << qint64(1500) << false;
        QTest::newRow("no stamp") << quint64(0) << qint64(1530) << qint64(400) << qint64(1530) << true;
        QTest::newRow("in the future") << quint64(6900) << qint64(1530) << qint64(400) << qint64(1530) << true;
        QTest::newRow("older than the floor") << quint64(6350) << qint64(1530) << qint64(1400) << qint64(1530) << true;
        QTest::newRow("at the floor") << quint64(6400) << qint64(1530) << qint64(1400) << qint64(1400) << false;
    }
    void implausibleStampsFallBack()
    {
        QFETCH(quint64, stamp);
        QFETCH(qint64, arrivalMs);
        QFETCH(qint64, floorMs);
        QFETCH(qint64, expectMs);
        QFETCH(bool, fallback);
        InputTimeMapper m;
        m.observe(6000, 1000 * ms);
        const InputTimeMapper::Mapped out = m.map(stamp, arrivalMs * ms, floorMs * ms);
        QCOMPARE(out.ns, expectMs * ms);
        QCOMPARE(out.fallback, fallback);
        QCOMPARE(m.fallbacks(), fallback ? 1 : 0);
        // A bogus stamp leaves the calibration as it was.
        QCOMPARE(m.offsetNs(), -5000 * ms);
    }
};

VR_TEST_CLASS(InputTimeMapperTest)
#include "inputtimemapper_test.moc"
