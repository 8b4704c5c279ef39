// Tests 1 and 2 on a real X server: keys with Alt or Ctrl, sent by xdotool
// during a run, are never reactions; plain and shifted keys are. The access
// key of "&Abbruch" still ends the run.
#include "device/inputsequencer.h"
#include "reaction/statictestwindow.h"
#include "reaction/randomtestwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "runkit/reactionrun.h"
#include "runkit/runsettings.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

namespace {
// Counts the key releases the X server delivered to the window: once the
// release of the last key sent is seen, its press has been handled.
class ReleaseCount : public QObject
{
public:
    int releases = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyRelease && event->spontaneous()
            && !static_cast<QKeyEvent *>(event)->isAutoRepeat())
            ++releases;
        return false;
    }
};

bool sendKeys(const QStringList &keys)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")}
                                           + keys);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

using WindowMaker = std::function<ReactionTestWindow *(ReactionResultWindow *)>;
using ResultMaker = std::function<ReactionResultWindow *()>;
} // namespace

Q_DECLARE_METATYPE(WindowMaker)
Q_DECLARE_METATYPE(ResultMaker)

class ModifierKeysTest : public QObject
{
    Q_OBJECT
private slots:
    void altAndCtrlAreNoReaction_data()
    {
        QTest::addColumn<ResultMaker>("makeResult");
        QTest::addColumn<WindowMaker>("makeWindow");
        QTest::addRow("test 1") << ResultMaker([] { return new StaticResultWindow; })
                                << WindowMaker([](ReactionResultWindow *r) {
                                       return new StaticTestWindow(static_cast<StaticResultWindow *>(r));
                                   });
        QTest::addRow("test 2") << ResultMaker([] { return new RandomResultWindow; })
                                << WindowMaker([](ReactionResultWindow *r) {
                                       return new RandomTestWindow(static_cast<RandomResultWindow *>(r));
                                   });
    }

    void altAndCtrlAreNoReaction()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server");
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is missing");
        QFETCH(ResultMaker, makeResult);
        QFETCH(WindowMaker, makeWindow);

        Sandbox box;
        ScriptedMessages messages;   // no data module: the profile message is answered
        RunSettings::instance().SerienAnzahl = 1;
        RunSettings::instance().Scheibenabstand = 1;
        std::unique_ptr<ReactionResultWindow> result(makeResult());
        std::unique_ptr<ReactionTestWindow> er(makeWindow(result.get()));
        er->setResultShower([](ReactionResultWindow *) {});
        er->show();
        er->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(er.get(), 5000));
        ReleaseCount released;
        qApp->installEventFilter(&released);

        er->startClicked();   // countdown of 3 s, then the first cycle
        QTRY_VERIFY_WITH_TIMEOUT(er->run().CycleRunning, 6000);
        QVERIFY(er->run().Armed);
        QTreeWidget *rows = result->rowList();

        // Keys with Alt or Ctrl while the cycle waits for its target: no reaction.
        const QStringList combined{QStringLiteral("alt+f"), QStringLiteral("ctrl+x"), QStringLiteral("ctrl+shift+y"),
                                   QStringLiteral("alt+shift+z"), QStringLiteral("ctrl+alt+w")};
        released.releases = 0;
        QVERIFY(sendKeys(combined));
        // Two releases per combination at least (the letter and one modifier).
        QTRY_VERIFY_WITH_TIMEOUT(released.releases >= 2 * int(combined.size()), 5000);
        QTest::qWait(50);
        QCOMPARE(rows->topLevelItemCount(), 0);
        QVERIFY(er->run().Armed);
        QVERIFY(er->isVisible());

        // A shifted character key is a reaction (before the target: negative time).
        QVERIFY(sendKeys({QStringLiteral("shift+r")}));
        QTRY_COMPARE_WITH_TIMEOUT(rows->topLevelItemCount(), 1, 5000);
        QVERIFY(rows->topLevelItem(0)->text(2).startsWith(u'-'));
        QVERIFY(!er->run().Armed);

        // Alt+A is the access key of "&Abbruch": the run ends, no row is added.
        QVERIFY(sendKeys({QStringLiteral("alt+a")}));
        QTRY_VERIFY_WITH_TIMEOUT(!er->isVisible(), 5000);
        QCOMPARE(rows->topLevelItemCount(), 1);
        QVERIFY(!er->run().tickOn());
        qApp->removeEventFilter(&released);
    }
};

VR_TEST_CLASS(ModifierKeysTest)
#include "modifierkeys_test.moc"
