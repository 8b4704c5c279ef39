#include "runkit/resultwindow.h"
#include "runkit/runwindowbase.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

namespace {
class ProbeResult : public ReactionResultWindow
{
public:
    ProbeResult() : ReactionResultWindow(1, QStringLiteral("ERA1F"), QStringLiteral("ERA1_Form"), nullptr) {}
};

// A window on the shared frame whose run is a few flags.
class ProbeWindow : public RunWindowBase
{
public:
    explicit ProbeWindow(ReactionResultWindow *result)
        : RunWindowBase(QStringLiteral("ER1F"), QStringLiteral("ER1_Form"), QStringLiteral("Probe"), result, nullptr)
    {
        auto *layout = new QVBoxLayout(this);
        buildFrame();
        layout->addWidget(statusLabel());
        layout->addWidget(controlPanel());
        constructed();
    }
    void activate() override
    {
        ++activations;
        resetFrame();
    }

    bool complete = false;
    bool running = false;
    int activations = 0;
    int starts = 0;
    int prepared = 0;

protected:
    void startRun() override
    {
        ++starts;
        startButton()->setEnabled(false);
    }
    bool stopRun() override { return !running; }
    bool runComplete() const override { return complete; }
    void prepareResult() override { ++prepared; }
};
} // namespace

// How a run ends in the test windows of all three tests: the window asks its
// run whether it is complete, whatever the cancel button says.
class RunWindowBaseTest : public QObject
{
    Q_OBJECT
private slots:
    void cancelEndsTheRun_data()
    {
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("resultShown");
        QTest::addColumn<bool>("closes");
        QTest::newRow("complete") << true << false << QStringLiteral("&Fertig") << true << true;
        QTest::newRow("complete, caption not updated") << true << false << QStringLiteral("&Abbruch") << true << true;
        QTest::newRow("cancelled, caption left at &Fertig") << false << false << QStringLiteral("&Fertig") << false << true;
        QTest::newRow("cancelled") << false << false << QStringLiteral("&Abbruch") << false << true;
        QTest::newRow("run still going: only asked to stop") << false << true << QStringLiteral("&Abbruch") << false << false;
    }

    void cancelEndsTheRun()
    {
        QFETCH(bool, complete);
        QFETCH(bool, running);
        QFETCH(QString, caption);
        QFETCH(bool, resultShown);
        QFETCH(bool, closes);
        Sandbox box;
        ProbeResult result;
        ProbeWindow window(&result);
        int shown = 0;
        window.setResultShower([&](ReactionResultWindow *w) {
            QCOMPARE(w, &result);
            ++shown;
            window.cancelClicked();   // a second click while the result window is up
        });
        window.show();
        QCOMPARE(window.activations, 1);
        QVERIFY(window.startButton()->isEnabled());
        QTest::mouseClick(window.startButton(), Qt::LeftButton);
        QTest::mouseClick(window.startButton(), Qt::LeftButton);   // disabled while the run is on
        QCOMPARE(window.starts, 1);

        window.complete = complete;
        window.running = running;
        window.setCancelCaption(caption);
        QTest::mouseClick(window.cancelButton(), Qt::LeftButton);

        QCOMPARE(shown, resultShown ? 1 : 0);
        QCOMPARE(window.prepared, shown);
        QCOMPARE(window.isVisible(), !closes);
        QCOMPARE(window.startButton()->isEnabled(), closes);
        if (closes) {
            QCOMPARE(window.result(), int(QDialog::Rejected));
            window.show();   // the next showing starts afresh
            QCOMPARE(window.activations, 2);
            QCOMPARE(window.cancelButton()->text(), QStringLiteral("&Abbruch"));
        }
    }
};

VR_TEST_CLASS(RunWindowBaseTest)
#include "runwindowbase_test.moc"
