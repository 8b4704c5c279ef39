// Test 1 on a real X server: five keys sent by xdotool at known distances,
// one per presentation, while the UI thread is stalled 35 ms every 200 ms
// and 120 ms every second. Each stored time is the key's distance (as the X
// server stamped it) from the moment its target was painted, within one tick.
#include "stampwatch.h"
#include "device/inputsequencer.h"
#include "platform/clock.h"
#include "reaction/statictestwindow.h"
#include "reaction/staticresultwindow.h"
#include "runkit/runsettings.h"
#include "reaction/staticrun.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QKeyEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

namespace {
// Notes when each target was painted (the run's onset).
class OnsetER1 : public StaticTestWindow
{
public:
    using StaticTestWindow::StaticTestWindow;
    QList<qint64> onsets;
    void drawTarget(int dx, int dy, const QColor &fill, const QColor &pen, int penWidth) override
    {
        StaticTestWindow::drawTarget(dx, dy, fill, pen, penWidth);
        if (fill == QColor(Qt::black))
            onsets << targetShownNs();
    }
};
} // namespace

class ER1KeyTimingTest : public QObject
{
    Q_OBJECT
private slots:
    void keysKeepTheirDistancesUnderLoad()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (xdotool.isEmpty())
            QSKIP("xdotool is missing");

        Sandbox box;
        ScriptedMessages messages;  // no data module: the profile message is answered
        RunSettings::instance().SerienAnzahl = 1;
        RunSettings::instance().Scheibenabstand = 1;

        StaticResultWindow era;
        OnsetER1 er(&era);
        er.show();
        er.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&er, 5000));

        StampWatch watch(&er);
        qApp->installEventFilter(&watch);

        // The UI thread is busy now and then, as on a loaded machine.
        int beats = 0;
        QTimer stall;
        stall.setTimerType(Qt::PreciseTimer);
        stall.setInterval(200);
        connect(&stall, &QTimer::timeout, [&] { QThread::msleep(++beats % 5 == 0 ? 120 : 35); });
        stall.start();

        er.startClicked();  // countdown of 3 s, then the tick runs
        // First target at tick 500; the later ones every 250 ticks.
        QTRY_VERIFY_WITH_TIMEOUT(er.run().CycleRunning && er.run().CycleTicks >= er.run().TargetDelay, 8000);

        // Keys 2500 ms apart plus these shifts: the stored times must differ by the same.
        const QList<int> shifts{60, -40, 110, -20};
        QStringList args{QStringLiteral("sleep"), QStringLiteral("0.3"), QStringLiteral("key"),
                         QStringLiteral("--delay"), QStringLiteral("0"), QStringLiteral("x")};
        for (int shift : shifts)
            args << QStringLiteral("sleep") << QString::number((2500 + shift) / 1000.0, 'f', 3) << QStringLiteral("key")
                 << QStringLiteral("--delay") << QStringLiteral("0") << QStringLiteral("x");
        QProcess keys;
        keys.start(xdotool, args);
        QVERIFY(keys.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(er.run().isComplete(), 20000);
        stall.stop();
        if (keys.state() != QProcess::NotRunning)
            QVERIFY(keys.waitForFinished(5000));
        QCOMPARE(keys.exitCode(), 0);

        QTreeWidget *list = era.rowList();
        QCOMPARE(list->topLevelItemCount(), 5);
        QList<int> stored;
        for (int i = 0; i < 5; ++i)
            stored << list->topLevelItem(i)->text(2).toInt();
        qApp->removeEventFilter(&watch);
        qInfo() << "stored times" << stored << "stamps" << watch.stamps << "beats" << beats << "misplaced"
                << er.inputSequencer().misplaced() << "fallbacks" << er.inputSequencer().mapper().fallbacks();
        QVERIFY2(stored.first() > 0, "the first key came before its target");
        QCOMPARE(watch.stamps.size(), 5);
        QCOMPARE(er.onsets.size(), 5);
        // The X server stamps with the system's monotonic clock (ms).
        const Clock &clock = Clock::instance();
        const qint64 systemOffsetNs = clock.systemMonotonicNs() - clock.monotonicNs();
        int planned = 0;
        for (int i = 0; i < 5; ++i) {
            if (i > 0) {
                planned += shifts.at(i - 1);
                const int sent = int(watch.stamps.at(i) - watch.stamps.first()) - 2500 * i;
                QVERIFY2(std::abs(sent - planned) < 30, "xdotool did not keep its pauses");
            }
            const double afterOnset = double(watch.stamps.at(i)) - (er.onsets.at(i) + systemOffsetNs) / 1e6;
            QVERIFY2(std::abs(stored.at(i) - afterOnset) <= 10,
                     qPrintable(QStringLiteral("key %1: %2 ms after its target was painted, stored %3 ms")
                                    .arg(i + 1).arg(afterOnset, 0, 'f', 1).arg(stored.at(i))));
        }
        QCOMPARE(er.inputSequencer().mapper().fallbacks(), 0);
        er.reject();
    }
};

VR_TEST_CLASS(ER1KeyTimingTest)
#include "er1_keytiming_test.moc"
