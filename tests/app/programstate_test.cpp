#include "core/appstate.h"
#include "core/settings.h"
#include "curves/curverunsettings.h"
#include "device/commandset.h"
#include "device/fasttimerlibrary.h"
#include "device/serialport.h"
#include "evaluation/printservice.h"
#include "platform/clock.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "platform/safefile.h"
#include "runkit/hitsound.h"
#include "runkit/runsettings.h"
#include "shooters/activeshooter.h"
#include "support/child.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
#include "ui/hints.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

// The test sandbox: ResetProgramState puts every record and service back as at
// program start, so the tests of a program pass in any order; child<T> fails
// the test on a missing child.
namespace {
using Step = std::function<void()>;
using Check = std::function<bool()>;

struct SilentSound : HitSound
{
    void play(Tone) override {}
};
struct NoPrint : PrintService
{
    bool setupPrinter(QPrinter *, QWidget *) override { return false; }
    void print(QPrinter *, const QString &, const Render &) override {}
    void preview(QPrinter *, const QString &, const Render &, QWidget *) override {}
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
};
struct Answerer : MessageService
{
    int show(Kind, const QString &, int buttons, const QString &) override { return buttons; }
};

SilentSound g_sound;
NoPrint g_print;
Answerer g_answerer;
Clock g_otherClock;
int g_helpShown = 0;
int g_hintsSeen = 0;
int g_portsMade = 0;
} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Check)

class ProgramStateTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ResetProgramState(); }

    void everyRecordAndServiceAsAtStart_data()
    {
        QTest::addColumn<Step>("dirty");
        QTest::addColumn<Check>("asAtStart");
        QTest::newRow("settings") << Step([] { Settings::instance().Logfile = true; })
                                  << Check([] { return !Settings::instance().Logfile; });
        QTest::newRow("app state") << Step([] { AppState::instance().ActivityTitle = QStringLiteral("x"); })
                                   << Check([] { return AppState::instance().ActivityTitle.isEmpty(); });
        QTest::newRow("active shooter") << Step([] { ActiveShooter::instance().active = true; })
                                        << Check([] { return !ActiveShooter::instance().active; });
        QTest::newRow("run settings") << Step([] { RunSettings::instance().SerienAnzahl = 9; })
                                      << Check([] { return RunSettings::instance().SerienAnzahl == 5; });
        QTest::newRow("curve settings") << Step([] { CurveRunSettings::instance().CurveFiles = {QStringLiteral("a.kdf")}; })
                                        << Check([] { return CurveRunSettings::instance().CurveFiles.isEmpty(); });
        QTest::newRow("device link") << Step([] { DeviceLink().connected = true; })
                                     << Check([] { return !DeviceLink().connected; });
        QTest::newRow("port factory") << Step([] { SetBytePortFactory([]() -> std::unique_ptr<BytePort> { ++g_portsMade; return nullptr; }); })
                                      << Check([] {
                                             const int before = g_portsMade;
                                             RegistryIni(RegistryKeys::Main)
                                                 .writeString(QStringLiteral("Ports"), QStringLiteral("COM1"),
                                                              ProgramPaths::programDir() + QStringLiteral("/no-such-device"));
                                             try {
                                                 OpenPort(0, 0);
                                             } catch (...) {
                                             }
                                             ResetSerialPort();
                                             return g_portsMade == before;
                                         });
        QTest::newRow("timer library") << Step([] { FastTimerLibrary::install(nullptr); })
                                       << Check([] { return FastTimerLibrary::loaded() == &BuiltinFastTimerLibrary::instance(); });
        QTest::newRow("hit sound") << Step([] { HitSound::install(&g_sound); })
                                   << Check([] { return &HitSound::instance() != &g_sound; });
        QTest::newRow("print service") << Step([] { PrintService::install(&g_print); })
                                       << Check([] { return &PrintService::instance() != &g_print; });
        QTest::newRow("message boxes") << Step([] { MessageService::install(&g_answerer); })
                                       << Check([] { return &MessageService::instance() == &MessageService::console(); });
        QTest::newRow("default boxes") << Step([] { MessageService::setDefault(&g_answerer); })
                                       << Check([] { return &MessageService::instance() == &MessageService::console(); });
        QTest::newRow("clock") << Step([] { Clock::install(&g_otherClock); })
                               << Check([] { return &Clock::instance() != &g_otherClock; });
        QTest::newRow("help handler") << Step([] { SetHelpTopicHandler([](int) { ++g_helpShown; }); })
                                      << Check([] {
                                             const int before = g_helpShown;
                                             ShowHelpTopic(1000);
                                             return g_helpShown == before;
                                         });
        QTest::newRow("hint handler") << Step([] { InstallHintHandler([](const QString &) { ++g_hintsSeen; }); })
                                      << Check([] {
                                             const int before = g_hintsSeen;
                                             QObject target;
                                             QStatusTipEvent tip(QStringLiteral("Hinweis"));
                                             QCoreApplication::sendEvent(&target, &tip);
                                             return g_hintsSeen == before;
                                         });
        QTest::newRow("file fault hook") << Step([] { SafeFile::setFaultHook([](SafeFile::Step) { return 28; }); })
                                         << Check([] {
                                                QTemporaryDir dir;
                                                return SafeFile::write(dir.filePath(QStringLiteral("f")), "x", nullptr);
                                            });
    }
    void everyRecordAndServiceAsAtStart()
    {
        QFETCH(Step, dirty);
        QFETCH(Check, asAtStart);
        Sandbox box;
        dirty();
        ResetProgramState();
        QVERIFY(asAtStart());
        // The sandbox resets on its own as well: dirty again, end it, look.
        {
            Sandbox inner;
            dirty();
        }
        QVERIFY(asAtStart());
    }

    // Scripted boxes and a fake clock made by the test stay until they go.
    void liveTestFakesStay()
    {
        ScriptedMessages outerBoxes;
        FakeClock outerClock;
        Sandbox box;
        QCOMPARE(&MessageService::instance(), &outerBoxes);
        QCOMPARE(&Clock::instance(), &outerClock);
        {
            ScriptedMessages innerBoxes;
            FakeClock innerClock;
            ResetProgramState();
            QCOMPARE(&MessageService::instance(), &innerBoxes);
            QCOMPARE(&Clock::instance(), &innerClock);
        }
        QCOMPARE(&MessageService::instance(), &outerBoxes);
        QCOMPARE(&Clock::instance(), &outerClock);
    }

    // A missing child fails the test where it was asked for, instead of a crash on nullptr.
    void missingChildFailsTheTest()
    {
        QWidget window;
        auto *label = new QLabel(&window);
        label->setObjectName(QStringLiteral("Title_Label"));
        QCOMPARE(child<QLabel>(window, QStringLiteral("Title_Label")), label);
        QEXPECT_FAIL("", "no such child", Abort);
        VR_CHILD(missing, QPushButton, window, QStringLiteral("Title_Label"));
        missing->click();
    }
};

VR_TEST_CLASS(ProgramStateTest)
#include "programstate_test.moc"
