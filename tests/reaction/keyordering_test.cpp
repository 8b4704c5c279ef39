#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "device/inputsequencer.h"
#include "reaction/staticrun.h"
#include "runkit/validitybounds.h"
#include "recordingdisplay.h"
#include "support/fakeclock.h"
#include "support/testmain.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>

namespace {
// The window system's clock runs this far ahead of the monotonic clock.
constexpr qint64 kStampOffsetMs = 7000123;

// A run of test 1 on the real timer, the built-in library and a fake clock;
// keys reach it as posted QKeyEvents through the input sequencer.
struct Bench : public QObject, public RecordingDisplay
{
    FakeClock clock;
    BuiltinFastTimerLibrary lib;
    struct Installed
    {
        explicit Installed(FastTimerLibrary *l) { FastTimerLibrary::install(l); }
        ~Installed() { FastTimerLibrary::installBuiltin(); }
    } installed{&lib};
    TFastTimer timer;
    InputSequencer input{&timer};
    StaticRun run{this};
    QStringList order;  // "t<n>" per tick, "k" per key

    Bench()
    {
        timer.setInterval(10);
        timer.setResolution(10);
        timer.OnTimer = [this](TFastTimer *) {
            tickNo = int(timer.ticksDelivered());
            order << QStringLiteral("t%1").arg(tickNo);
            run.tick();
        };
        run.activate(1, 1, ValidityBounds(), 10);
        run.start();
        clock.runSteps();   // the countdown on the fake clock
        run.TargetDelay = 20;
        // A first event calibrates the window system's clock.
        input.mapper().observe(quint64(clock.monotonicMs() + kStampOffsetMs), clock.monotonicNs());
    }
    ~Bench() override
    {
        timer.setEnabled(false);
    }
    void setTickEnabled(bool on) override
    {
        RecordingDisplay::setTickEnabled(on);
        timer.setEnabled(on);
    }
    // The clock runs on by ms while the UI thread is busy.
    void stall(qint64 ms) { clock.advanceMs(ms); }
    // The UI thread gets to its events: the timer's and whatever was posted.
    void runEvents()
    {
        lib.deliverDueTicks();
        QCoreApplication::sendPostedEvents();
    }
    void runUntil(qint64 ms)
    {
        while (clock.monotonicMs() < ms) {
            clock.advanceMs(1);
            runEvents();
        }
    }
    qint64 dueMs(int n) const { return timer.dueNs(n) / 1000000; }
    // A key the window system stamped at monotonic time ms.
    void postKey(qint64 ms) { postStamped(quint64(ms + kStampOffsetMs)); }
    void postStamped(quint64 stamp)
    {
        auto *key = new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        key->setTimestamp(stamp);
        QCoreApplication::postEvent(this, key);
    }
    // "&Abbruch" clicked: the run stops.
    static QEvent::Type cancelType()
    {
        static const int t = QEvent::registerEventType();
        return QEvent::Type(t);
    }
    bool event(QEvent *e) override
    {
        if (e->type() == cancelType()) {
            order << QStringLiteral("cancel");
            run.stop();
            return true;
        }
        if (e->type() != QEvent::KeyPress)
            return QObject::event(e);
        input.submit(static_cast<QKeyEvent *>(e), [this] {
            order << QStringLiteral("k");
            run.keyPressed();
        });
        return true;
    }
};
} // namespace

class KeyOrderingTest : public QObject
{
    Q_OBJECT
private slots:
    void keyTakesItsPlaceAmongTheTicks_data()
    {
        QTest::addColumn<int>("stallMs");
        QTest::addColumn<int>("ticksIntoStall");  // the key comes after tick n, this many ticks into the stall
        QTest::addColumn<bool>("ticksQueuedFirst");
        QTest::addColumn<bool>("atDueTime");      // key stamped exactly when tick n was due

        QTest::newRow("no stall") << 0 << 0 << false << false;
        QTest::newRow("no stall, key at the tick") << 0 << 0 << false << true;
        for (int stall : {35, 120}) {
            for (int into : {0, 1, stall / 10 - 1}) {
                for (bool ticksFirst : {false, true}) {
                    const QByteArray name = QByteArray::number(stall) + " ms stall, key after tick +" +
                                            QByteArray::number(into) + (ticksFirst ? ", ticks queued first" : ", key queued first");
                    QTest::newRow(name.constData()) << stall << into << ticksFirst << false;
                }
            }
            QTest::newRow((QByteArray::number(stall) + " ms stall, key at a tick's due time").constData())
                << stall << 1 << true << true;
        }
    }
    void keyTakesItsPlaceAmongTheTicks()
    {
        QFETCH(int, stallMs);
        QFETCH(int, ticksIntoStall);
        QFETCH(bool, ticksQueuedFirst);
        QFETCH(bool, atDueTime);

        Bench b;
        // Target shown at tick 20, then 12 more ticks on time.
        b.runUntil(b.dueMs(32));
        QCOMPARE(b.shownAt(), QList<int>{20});
        QCOMPARE(b.timer.ticksDelivered(), 32);

        // The UI thread stalls from here; the key is pressed between ticks n and n + 1.
        const int n = 32 + ticksIntoStall;
        const qint64 keyMs = b.dueMs(n) + (atDueTime ? 0 : 4);
        b.stall(stallMs);
        if (stallMs == 0)
            b.runUntil(keyMs);
        if (ticksQueuedFirst) {
            b.lib.deliverDueTicks();
            b.postKey(keyMs);
        } else {
            b.postKey(keyMs);
            b.lib.deliverDueTicks();
        }
        QCoreApplication::sendPostedEvents();

        QCOMPARE(b.rows.size(), 1);
        QCOMPARE(b.rows.first().time, ReactionTimeText(n - 20));
        // Every tick due at or before the key came first, none after it.
        const int k = int(b.order.indexOf(QStringLiteral("k")));
        QCOMPARE(b.order.at(k - 1), QStringLiteral("t%1").arg(n));
        QCOMPARE(b.input.mapper().fallbacks(), 0);
        QCOMPARE(b.input.misplaced(), 0);

        // The ticks after the key still come one by one, none lost or merged.
        b.runUntil(b.dueMs(60) + 3);
        QStringList expected;
        for (int i = 1; i <= 60; ++i) {
            expected << QStringLiteral("t%1").arg(i);
            if (i == n)
                expected << QStringLiteral("k");
        }
        QCOMPARE(b.order, expected);
    }

    void implausibleStampFallsBackToArrival_data()
    {
        QTest::addColumn<int>("stampFromKeyMs");  // stamp = true key time + this; 0 stamp when INT_MIN
        QTest::newRow("no stamp") << INT_MIN;
        QTest::newRow("in the future") << 500;
        QTest::newRow("older than the last tick minus 1 s") << -1500;
    }
    void implausibleStampFallsBackToArrival()
    {
        QFETCH(int, stampFromKeyMs);
        Bench b;
        b.runUntil(b.dueMs(32));
        const qint64 keyMs = b.dueMs(33) + 4;
        b.stall(120);  // arrives after tick 44 was due
        if (stampFromKeyMs == INT_MIN)
            b.postStamped(0);
        else
            b.postKey(keyMs + stampFromKeyMs);
        b.lib.deliverDueTicks();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(b.input.mapper().fallbacks(), 1);
        // Taken at its arrival: after every tick due by then.
        QCOMPARE(b.rows.size(), 1);
        QCOMPARE(b.rows.first().time, ReactionTimeText(44 - 20));
        // The calibration is not spoilt: a good stamp maps to its time again.
        const qint64 nowMs = b.clock.monotonicMs();
        const InputTimeMapper::Mapped m =
            b.input.mapper().map(quint64(nowMs - 3 + kStampOffsetMs), b.clock.monotonicNs());
        QVERIFY(!m.fallback);
        QCOMPARE(m.ns, (nowMs - 3) * 1000000);
    }

    void abortWhileInputRunsStopsTheTicks()
    {
        // The user aborts during a stall: once the abort has run, the ticks
        // that were due meanwhile are not delivered after it.
        Bench b;
        b.runUntil(b.dueMs(32));
        b.stall(120);
        b.lib.deliverDueTicks();
        QCoreApplication::postEvent(&b, new QEvent(Bench::cancelType()));
        QCoreApplication::sendPostedEvents();
        b.runUntil(b.dueMs(60));
        QCOMPARE(b.order.mid(b.order.size() - 2), (QStringList{"t32", "cancel"}));
        QVERIFY(!b.run.tickOn());
        QVERIFY(!b.timer.Enabled());
        QVERIFY(b.rows.isEmpty());
    }

    void keySeenInsideATickWaitsForItsEnd()
    {
        // A key the run's own message processing lets in during tick n is
        // applied after tick n when it happened after n was due, at once otherwise.
        Bench b;
        b.runUntil(b.dueMs(25));
        int applied = 0;
        QStringList seen;
        b.timer.OnTimer = [&](TFastTimer *t) {
            seen << QStringLiteral("t%1").arg(t->ticksDelivered());
            if (t->ticksDelivered() == 27) {
                b.input.submitAt(t->dueNs(27) + 1000000, [&] { seen << QStringLiteral("after"); ++applied; });
                b.input.submitAt(t->dueNs(27) - 1000000, [&] { seen << QStringLiteral("before"); ++applied; });
                QCOMPARE(b.input.waiting(), 1);
            }
        };
        b.runUntil(b.dueMs(28) + 1);
        QCOMPARE(applied, 2);
        QCOMPARE(seen, (QStringList{"t26", "t27", "before", "after", "t28"}));
    }
};

VR_TEST_CLASS(KeyOrderingTest)
#include "keyordering_test.moc"
