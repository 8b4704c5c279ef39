#include "platform/clock.h"
#include "platform/stepscheduler.h"
#include "support/testmain.h"

#include <QTest>
#include <memory>

// The real scheduler on the real clock: steps run from the event loop in
// the order of their deadlines, never before them, and a cancelled or
// replaced step never runs.
class StepSchedulerTest : public QObject
{
    Q_OBJECT
private slots:
    void stepsRunAtTheirDeadlines()
    {
        constexpr qint64 ms = 1000000;
        const qint64 start = Clock::instance().monotonicNs();
        QList<int> order;
        QList<qint64> late;
        const auto at = [&](int id, qint64 deadline) {
            return [&, id, deadline] {
                order << id;
                late << Clock::instance().monotonicNs() - deadline;
            };
        };
        StepScheduler &s = StepScheduler::instance();
        s.schedule(start + 12 * ms, at(3, start + 12 * ms));
        s.schedule(start + 3 * ms, at(1, start + 3 * ms));
        const quint64 cancelled = s.schedule(start + 6 * ms, at(9, start + 6 * ms));
        s.schedule(start - 5 * ms, at(0, start));   // already due: soon, not at once
        QVERIFY(order.isEmpty());
        s.cancel(cancelled);

        // A timer of its owner: a new start replaces the pending step; stop() and
        // the owner's end drop it.
        auto owned = std::make_unique<StepTimer>([&] { order << 7; });
        owned->startAt(start + 2 * ms);
        owned->startAt(start + 8 * ms);
        QVERIFY(owned->isActive());
        StepTimer stopped([&] { order << 8; });
        stopped.startAt(start + 4 * ms);
        stopped.stop();
        auto dropped = std::make_unique<StepTimer>([&] { order << 9; });
        dropped->startAt(start + 5 * ms);
        dropped.reset();

        QTRY_COMPARE_WITH_TIMEOUT(order, (QList<int>{0, 1, 7, 3}), 2000);
        QVERIFY(!owned->isActive());
        for (qint64 l : late)
            QVERIFY2(l >= 0, qPrintable(QString::number(l)));
        QTest::qWait(20);
        QCOMPARE(order.size(), 4);
    }
};

VR_TEST_CLASS(StepSchedulerTest)
#include "stepscheduler_test.moc"
