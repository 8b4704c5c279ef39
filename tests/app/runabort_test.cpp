#include "core/settings.h"
#include "curves/curveresultwindow.h"
#include "curves/curverunsettings.h"
#include "curves/curvetestwindow.h"
#include "curves/curvefiles.h"
#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "platform/programpaths.h"
#include "reaction/randomresultwindow.h"
#include "reaction/randomtestwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/statictestwindow.h"
#include "runkit/runsettings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <memory>

namespace {
// A shooting system with all five mirrors at its centre (no slides) and
// curves of three points on the mirror, 20 ms each.
bool writeCurveFolder()
{
    const QString p = ProgramPaths::programDir();
    QDir().mkpath(p + "/sdata");
    QImage system(600, 200, QImage::Format_RGB32);
    system.fill(qRgb(0x30, 0xF0, 0x60));
    QByteArray kdf;
    for (int t = 1; t <= 5; ++t)
        kdf += KdfSection(t, SamePoints(3, 150, 150, 20));
    CurveRunSettings &c = CurveRunSettings::instance();
    c.ShootingSystemName = "anlage.bmp";
    c.CurveSetDirectory = p + "/kdata/A";
    c.CurveFiles = {p + "/kdata/A/a.kdf"};
    c.ShowTargets = true;
    return system.save(p + "/sdata/anlage.bmp", "BMP")
           && WriteFile(p + "/sdata/anlage.def",
                        DefFile({"300:100|40", "300:100|40", "300:100|40", "300:100|40", "300:100|40"}))
           && WriteFile(p + "/kdata/A/a.kdf", kdf);
}
} // namespace

// "&Abbruch", Esc and closing end a run of tests 1, 2 and 3 at once, at any
// light of the countdown and between targets: the window closes before the
// clock moves on, no timer step is left, no tick runs, no row comes after.
class RunAbortTest : public QObject
{
    Q_OBJECT
private slots:
    void abortEndsTheRunAtOnce_data()
    {
        QTest::addColumn<int>("test");
        QTest::addColumn<int>("light");   // 0 red, 1 yellow, 2 green; 3: between targets 1 and 2
        QTest::addColumn<QString>("how");
        const char *hows[] = {"button", "esc", "close"};
        for (int test = 1; test <= 3; ++test)
            for (int light = 0; light <= 3; ++light)
                QTest::addRow("test %d, %s", test, light < 3 ? QByteArray::number(light).prepend("light ").constData()
                                                             : "between targets")
                    << test << light << QString::fromLatin1(hows[(test + light) % 3]);
    }

    void abortEndsTheRunAtOnce()
    {
        QFETCH(int, test);
        QFETCH(int, light);
        QFETCH(QString, how);
        Sandbox box;
        ScriptedMessages messages;   // no data module: the profile message is answered
        FakeClock clock;
        Settings::instance().Logfile = true;
        RunSettings::instance().SerienAnzahl = 2;   // test 3 pauses between targets
        RunSettings::instance().Scheibenabstand = 1;
        QVERIFY(writeCurveFolder());

        std::unique_ptr<ReactionResultWindow> result;
        std::unique_ptr<RunWindowBase> window;
        ReactionTestWindow *reaction = nullptr;
        CurveTestWindow *curve = nullptr;
        if (test == 1) {
            auto *r = new StaticResultWindow;
            result.reset(r);
            window.reset(reaction = new StaticTestWindow(r));
        } else if (test == 2) {
            auto *r = new RandomResultWindow;
            result.reset(r);
            window.reset(reaction = new RandomTestWindow(r));
        } else {
            auto *r = new CurveResultWindow;
            result.reset(r);
            window.reset(curve = new CurveTestWindow(r));
        }
        bool resultShown = false;
        window->setResultShower([&](ReactionResultWindow *) { resultShown = true; });
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->startButton()->isEnabled());

        const auto rows = [&] { return result->rowList()->topLevelItemCount(); };
        const auto tick = [&] {
            clock.advanceMs(10);
            BuiltinFastTimerLibrary::instance().deliverDueTicks();
            if (reaction)
                QCoreApplication::sendPostedEvents(reaction->measurementTimer(), TickMessage);
        };
        const auto react = [&] {
            if (reaction)
                QTest::keyClick(window.get(), Qt::Key_X);
            else
                curve->run().reaction();
        };

        window->startClicked();
        if (light < 3) {
            for (int n = 0; n < light; ++n)
                QVERIFY(clock.fireNext());
            react();   // keys and clicks in the countdown are no reactions
            QVERIFY(window->trafficLight(light)->isVisible());
        } else if (reaction) {
            clock.runSteps();
            // Target 1 answered; its cycle ends, target 2 not yet shown.
            while (reaction->run().TargetsDone == 0 && reaction->run().tickOn()) {
                if (reaction->run().CycleRunning && reaction->run().CycleTicks == reaction->run().TargetDelay + 20)
                    react();
                tick();
            }
            while (reaction->run().CycleRunning && reaction->run().tickOn())
                tick();
            QCOMPARE(reaction->run().TargetsDone, 1);
        } else {
            // Lights, the two holds of target 1 (answered in the second): the pause after it.
            clock.runSteps(4);
            react();
            clock.runSteps(1);
            QCOMPARE(curve->run().CurrentTarget, 1);
        }
        const int rowsBefore = rows();
        QCOMPARE(rowsBefore, light < 3 ? 0 : 1);

        const qint64 before = clock.monotonicNs();
        if (how == "button")
            QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
        else if (how == "esc")
            QTest::keyClick(window.get(), Qt::Key_Escape);
        else
            window->close();
        QCOMPARE(clock.monotonicNs(), before);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Rejected));
        QVERIFY(!resultShown);
        QCOMPARE(clock.pendingSteps(), 0);
        if (reaction) {
            QVERIFY(!reaction->run().tickOn());
            QVERIFY(!reaction->run().countingDown());
            QVERIFY(!reaction->measurementTimer()->Enabled());
        } else {
            QVERIFY(!curve->run().running());
            QVERIFY(!curve->run().isComplete());
        }
        // Nothing runs on: no step, no tick, no row.
        for (int i = 0; i < 1000; ++i)
            tick();
        QCOMPARE(clock.runSteps(), 0);
        QCOMPARE(rows(), rowsBefore);

        // Opened again, the window starts afresh.
        window->show();
        QVERIFY(window->startButton()->isEnabled());
        QCOMPARE(rows(), 0);
        window->startClicked();
        QVERIFY(clock.pendingSteps() > 0);
        window->cancelClicked();
        QCOMPARE(clock.pendingSteps(), 0);
    }
};

VR_TEST_CLASS(RunAbortTest)
#include "runabort_test.moc"
