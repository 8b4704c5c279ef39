#pragma once
#include "device/commandset.h"
#include "device/serialport.h"
#include "platform/registryini.h"
#include "core/settings.h"
#include "support/sandbox.h"
#include "trainer-sim/virtualtrainer.h"

#include <QTest>

// The virtual trainer on a real pseudo-terminal, on its own thread, named
// as "COM2" in a fresh settings store ("COM1" names a file that does not
// exist). The sandbox starts and ends the program state as at start; the port
// closes before the trainer goes.
class TrainerOnCom2
{
public:
    explicit TrainerOnCom2(const TrainerConfig &config = TrainerConfig::defaults(2))
        : trainer(config)
    {
        ok = trainer.open(box.path(QStringLiteral("com2"))) && trainer.startThread();
        RegistryIni reg(RegistryKeys::Main);
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), trainer.portPath());
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM1"), box.path(QStringLiteral("no-such-device")));
    }
    ~TrainerOnCom2()
    {
        ResetProgramState();
        trainer.close();
    }

    // What the trainer received, once `count` bytes are there (or after timeoutMs).
    QByteArray receivedAfter(int count, int timeoutMs = 1000)
    {
        trainer.waitForReceived(count, timeoutMs);
        return trainer.received();
    }
    // True when nothing more reaches the trainer within quietMs.
    bool staysQuiet(int quietMs = 80)
    {
        return !trainer.waitForReceived(int(trainer.received().size()) + 1, quietMs);
    }

    Sandbox box;
    VirtualTrainer trainer;
    bool ok = false;
};

// Two virtual trainers at once, named "COM1" and "COM2" in a fresh settings
// store, each on its own thread.
class TrainersOnCom1AndCom2
{
public:
    TrainersOnCom1AndCom2(const TrainerConfig &com1, const TrainerConfig &com2)
        : first(com1), second(com2)
    {
        ok = first.open(box.path(QStringLiteral("com1"))) && first.startThread()
             && second.open(box.path(QStringLiteral("com2"))) && second.startThread();
        RegistryIni reg(RegistryKeys::Main);
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM1"), first.portPath());
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), second.portPath());
    }
    ~TrainersOnCom1AndCom2()
    {
        ResetProgramState();
        first.close();
        second.close();
    }
    VirtualTrainer &on(int portIndex) { return portIndex == 0 ? first : second; }

    Sandbox box;
    VirtualTrainer first;
    VirtualTrainer second;
    bool ok = false;
};

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}
