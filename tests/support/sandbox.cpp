#include "support/sandbox.h"

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
#include "platform/safefile.h"
#include "runkit/hitsound.h"
#include "runkit/runsettings.h"
#include "shooters/activeshooter.h"
#include "store/tdata.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "ui/hints.h"

#include <QDir>
#include <QTest>

void ResetProgramState()
{
    // The device first: closing the port may still talk through the factory's port.
    ResetSerialPort();
    SetBytePortFactory(BytePortFactory());
    ResetDeviceLink();
    FastTimerLibrary::installBuiltin();
    HitSound::install(nullptr);
    PrintService::install(nullptr);
    // The records, from the top down: nothing reads a lower one while it is reset.
    ActiveShooter::instance() = ActiveShooter();
    CurveRunSettings::instance() = CurveRunSettings();
    RunSettings::instance() = RunSettings();
    AppState::instance() = AppState();
    Settings::instance() = Settings();
    SetHelpTopicHandler(nullptr);
    InstallHintHandler(nullptr);
    SafeFile::setFaultHook(SafeFile::FaultHook());
    // The start-up installs the message boxes as default; a test answers them itself.
    MessageService::setDefault(nullptr);
    MessageService::install(ScriptedMessages::live());
    Clock::install(FakeClock::live());
    if (TData::instance() && QTest::currentTestFunction())
        QTest::qFail("a data module outlived the test that made it", __FILE__, __LINE__);
}

Sandbox::Sandbox()
    : m_oldXdg(qgetenv("XDG_CONFIG_HOME"))
    , m_hadXdg(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    ResetProgramState();
    QDir(root()).mkpath(QStringLiteral("prog/bin"));
    QDir(root()).mkpath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    ProgramPaths::setProgramDir(programDir());
}

Sandbox::~Sandbox()
{
    ResetProgramState();
    ProgramPaths::setProgramDir(QString());
    if (m_hadXdg)
        qputenv("XDG_CONFIG_HOME", m_oldXdg);
    else
        qunsetenv("XDG_CONFIG_HOME");
    QLocale::setDefault(m_oldLocale);
}

QString Sandbox::programDir() const { return root() + QStringLiteral("/prog/bin"); }

QString Sandbox::configHome() const { return root() + QStringLiteral("/config"); }

QString Sandbox::path(const QString &relative) const { return QDir(root()).filePath(relative); }

void Sandbox::setLocale(const QLocale &locale) { QLocale::setDefault(locale); }
