#include "trainer-sim/trainercommandline.h"
#include "trainer-sim/virtualtrainer.h"
#include "support/testmain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QStringList split(const char *line) { return QString::fromLatin1(line).split(u' ', Qt::SkipEmptyParts); }

// The program's side of the line, opened directly.
int openSlave(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        struct termios tio;
        ::tcgetattr(fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

QByteArray readFor(int fd, int ms, VirtualTrainer *driven = nullptr)
{
    QByteArray all;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (driven)
            driven->poll(2);
        else
            QThread::msleep(2);
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            all.append(buffer, int(n));
    }
    return all;
}

} // namespace

class TrainerSimTest : public QObject
{
    Q_OBJECT
private slots:
    void commandLine()
    {
        TrainerOptions options;
        QString error;
        QVERIFY(ParseTrainerArguments(
            split("--model 2 --link /tmp/vantrel-com2 --serial E21005 --battery 0DC3 --sample 0100"), &options, &error));
        QCOMPARE(options.config.model, 2);
        QCOMPARE(options.link, QStringLiteral("/tmp/vantrel-com2"));
        QCOMPARE(options.config.serial, QByteArray("\xE2\x10\x05", 3));
        QCOMPARE(options.config.battery, QByteArray("\x0D\xC3", 2));
        QCOMPARE(options.config.samples, QList<quint16>({0x0100}));

        QVERIFY(ParseTrainerArguments(split("--model 1 --sample 0100,0FFF,7 --hw-revision hex:0A0B0C --fault short --cut 2 -v"),
                                      &options, &error));
        QCOMPARE(options.config.model, 1);
        QVERIFY(options.config.serial.isEmpty());
        QCOMPARE(options.config.samples, QList<quint16>({0x0100, 0x0FFF, 0x7}));
        QCOMPARE(options.config.hardwareRevision, QByteArray("\x0A\x0B\x0C"));
        QCOMPARE(options.config.fault, TrainerFault::Short);
        QCOMPARE(options.config.cutAfter, 2);
        QVERIFY(options.verbose);

        QVERIFY(ParseTrainerArguments(split("--help"), &options, &error));
        QVERIFY(options.help);
        for (const char *option : {"--model", "--link", "--serial", "--battery", "--sample", "--sample-interval",
                                   "--hw-revision", "--sw-revision", "--controller-type", "--controller-revision",
                                   "--device-type", "--manufacturer", "--fault", "--cut", "--verbose", "--help"})
            QVERIFY2(TrainerHelpText().contains(QLatin1String(option)), option);

        const char *wrong[] = {"--model 3", "--serial E2100", "--serial E2100500", "--battery 0DC3FF", "--battery 0x0D",
                               "--sample 10000", "--sample", "--fault loud", "--cut -1", "--sample-interval 0",
                               "--colour blue", "stray"};
        for (const char *line : wrong) {
            error.clear();
            QVERIFY2(!ParseTrainerArguments(split(line), &options, &error), line);
            QVERIFY2(!error.isEmpty(), line);
        }
    }

    void linkIsReplacedOnlyWhenStale()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("com2"));

        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), link));  // dangling
        {
            VirtualTrainer trainer;
            QVERIFY2(trainer.open(link), qPrintable(trainer.errorString()));
            QCOMPARE(QFileInfo(link).symLinkTarget(), trainer.devicePath());

            // A second trainer takes over a link to a pty.
            VirtualTrainer second;
            QVERIFY(second.open(link));
            QCOMPARE(QFileInfo(link).symLinkTarget(), second.devicePath());
            trainer.close();  // no longer its link: stays
            QVERIFY(QFileInfo(link).isSymLink());
        }
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());  // removed on close

        QFile plain(link);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("keep");
        plain.close();
        VirtualTrainer trainer;
        QVERIFY(!trainer.open(link));
        QVERIFY(!trainer.errorString().isEmpty());
        QVERIFY(plain.open(QIODevice::ReadOnly));
        QCOMPARE(plain.readAll(), QByteArray("keep"));
        plain.close();

        const QString other = dir.filePath(QStringLiteral("other"));
        QVERIFY(QFile::link(plain.fileName(), other));  // a link to a real file stays too
        QVERIFY(!trainer.open(other));
        QCOMPARE(QFileInfo(other).symLinkTarget(), QFileInfo(plain.fileName()).canonicalFilePath());
    }

    void answersByModelAndRecords()
    {
        VirtualTrainer trainer(TrainerConfig::defaults(2));
        QVERIFY(trainer.open());
        const int fd = openSlave(trainer.devicePath());
        QVERIFY(fd >= 0);

        QCOMPARE(::write(fd, "CGH", 3), ssize_t(3));
        QCOMPARE(readFor(fd, 40, &trainer), QByteArray("\xE2\x10\x05\x0D\xC3" "Vantrel Sim\x01"));
        QCOMPARE(::write(fd, "D\x01", 2), ssize_t(2));
        QCOMPARE(readFor(fd, 40, &trainer), QByteArray("PIC16"));  // 0x01 means nothing to Bauart2
        QCOMPARE(trainer.received(), QByteArray("CGHD\x01"));

        TrainerConfig one = TrainerConfig::defaults(1);
        trainer.setConfig(one);
        QCOMPARE(::write(fd, "C\x01", 2), ssize_t(2));
        QCOMPARE(readFor(fd, 40, &trainer), QByteArray("\x01\x02\x03") + QByteArray(9, ' '));

        // The stream: samples in turn, high byte first, until stopped.
        one.samples = {0x0102, 0x0304};
        one.sampleIntervalMs = 2;
        trainer.setConfig(one);
        QCOMPARE(::write(fd, "\x02", 1), ssize_t(1));
        const QByteArray stream = readFor(fd, 40, &trainer);
        QVERIFY(stream.size() >= 8);
        QVERIFY(stream.startsWith(QByteArray("\x01\x02\x03\x04\x01\x02")));
        QCOMPARE(::write(fd, "\x04", 1), ssize_t(1));
        readFor(fd, 10, &trainer);
        QVERIFY(!trainer.streaming());
        QVERIFY(readFor(fd, 20, &trainer).isEmpty());
        ::close(fd);
    }

    void faultModes()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.manufacturer = "AB";
        VirtualTrainer trainer(config);
        QVERIFY(trainer.open());
        const int fd = openSlave(trainer.devicePath());

        config.fault = TrainerFault::Silent;
        trainer.setConfig(config);
        QCOMPARE(::write(fd, "CGHa", 4), ssize_t(4));
        QVERIFY(readFor(fd, 40, &trainer).isEmpty());
        QCOMPARE(::write(fd, "b", 1), ssize_t(1));

        config.fault = TrainerFault::Short;
        config.cutAfter = 1;
        trainer.setConfig(config);
        QCOMPARE(::write(fd, "CH", 2), ssize_t(2));
        QCOMPARE(readFor(fd, 40, &trainer), QByteArray("\xE2" "A"));

        config.fault = TrainerFault::NoTerminator;
        trainer.setConfig(config);
        QCOMPARE(::write(fd, "H", 1), ssize_t(1));
        QCOMPARE(readFor(fd, 40, &trainer), QByteArray("AB"));

        config.fault = TrainerFault::Garbage;
        trainer.setConfig(config);
        QCOMPARE(::write(fd, "F", 1), ssize_t(1));
        const QByteArray garbage = readFor(fd, 40, &trainer);
        QCOMPARE(garbage.size(), 15);
        QVERIFY(garbage != QByteArray("Reaktion") + QByteArray(7, ' '));
        ::close(fd);
    }

    void programRunsUntilInterrupted()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/vantrel-trainer-sim");
        if (!QFileInfo::exists(program))
            QSKIP("vantrel-trainer-sim is not built");
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("vantrel-com2"));
        QProcess sim;
        sim.setProcessChannelMode(QProcess::SeparateChannels);
        sim.start(program, {QStringLiteral("--model"), QStringLiteral("2"), QStringLiteral("--link"), link,
                            QStringLiteral("--serial"), QStringLiteral("E21005")});
        QVERIFY(sim.waitForStarted(3000));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(link).isSymLink(), 3000);
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += sim.readAllStandardOutput()).contains("Strg+C"), 3000);
        QVERIFY(output.contains(QFile::encodeName(link)));

        const int fd = openSlave(link);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "C", 1), ssize_t(1));
        QCOMPARE(readFor(fd, 100), QByteArray("\xE2\x10\x05", 3));
        ::close(fd);

        ::kill(pid_t(sim.processId()), SIGINT);
        QVERIFY(sim.waitForFinished(3000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());

        QProcess help;
        help.start(program, {QStringLiteral("--help")});
        QVERIFY(help.waitForFinished(3000));
        QVERIFY(help.readAllStandardOutput().contains("--fault"));
    }
};

VR_TEST_CLASS(TrainerSimTest)

// The sensor streams of the virtual trainer: force model, raw stream with
// shot-sensor pulses, falling silent and stalling, and their options.
class TrainerStreamTest : public QObject
{
    Q_OBJECT
    static QList<int> values(const QByteArray &bytes)
    {
        QList<int> v;
        for (int i = 0; i + 1 < bytes.size(); i += 2)
            v << quint8(bytes.at(i)) * 256 + quint8(bytes.at(i + 1));
        return v;
    }

private slots:
    void options()
    {
        TrainerOptions options;
        QString error;
        QVERIFY(ParseTrainerArguments(split("--zero 256 --scale 2 --load 500 --noise 3 --seed 7 --stop-after 9"),
                                      &options, &error));
        QVERIFY(options.config.forceModel);
        QCOMPARE(VirtualTrainer::forceSample(options.config), quint16(1256));
        for (const char *wrong : {"--zero 4096", "--load -5", "--scale zwei", "--stop-after -1", "--pulse-every x"})
            QVERIFY2(!ParseTrainerArguments(split(wrong), &options, &error), wrong);
        for (const char *option : {"--zero", "--scale", "--load", "--noise", "--seed", "--raw-sample", "--pulse-every",
                                   "--stop-after", "--stall-after", "--stall-ms"})
            QVERIFY2(TrainerHelpText().contains(QLatin1String(option)), option);
    }

    void streams_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<double>("load");
        QTest::addColumn<int>("stopAfter");
        QTest::addColumn<QList<int>>("first");
        QTest::addColumn<int>("total");   // -1: keeps coming
        QTest::newRow("500 g") << 2 << QByteArray("a") << 500.0 << 0 << QList<int>{1256, 1256, 1256} << -1;
        QTest::newRow("clamped to 4095") << 2 << QByteArray("a") << 5000.0 << 0 << QList<int>{4095, 4095} << -1;
        QTest::newRow("Bauart1 stream") << 1 << QByteArray("\x02") << 10.0 << 0 << QList<int>{276, 276} << -1;
        QTest::newRow("raw stream with pulses") << 2 << QByteArray("Z") << 500.0 << 0
                                                << QList<int>{0x100, 0x100, 0xFFF, 0x100, 0x100, 0xFFF} << -1;
        QTest::newRow("silent after 4") << 2 << QByteArray("a") << 0.0 << 4 << QList<int>{256, 256, 256, 256} << 4;
        QTest::newRow("raw silent after 5") << 2 << QByteArray("Z") << 0.0 << 5
                                            << QList<int>{0x100, 0x100, 0xFFF, 0x100, 0x100} << 5;
    }

    void streams()
    {
        QFETCH(int, model);
        QFETCH(QByteArray, start);
        QFETCH(double, load);
        QFETCH(int, stopAfter);
        QFETCH(QList<int>, first);
        QFETCH(int, total);
        TrainerConfig config = TrainerConfig::defaults(model);
        config.forceModel = true;
        config.zero = 256;
        config.scale = 2.0;
        config.rawSamples = {0x100};
        config.pulseEvery = 3;
        config.stopAfter = stopAfter;
        config.sampleIntervalMs = 1;
        VirtualTrainer trainer(config);
        QVERIFY(trainer.open());
        const int fd = openSlave(trainer.devicePath());
        QVERIFY(fd >= 0);
        trainer.setLoad(load);
        QCOMPARE(::write(fd, start.constData(), size_t(start.size())), ssize_t(start.size()));
        const QByteArray stream = readFor(fd, 60, &trainer);
        const QList<int> got = values(stream);
        QVERIFY2(got.size() >= first.size(), qPrintable(QString::number(got.size())));
        QCOMPARE(got.mid(0, first.size()), first);
        if (total >= 0)
            QCOMPARE(got.size(), total);
        // Both streams run until "b" (Bauart1: 0x04).
        QVERIFY(trainer.streaming());
        QCOMPARE(trainer.rawStreaming(), start == "Z");
        const char stop = model == 1 ? '\x04' : 'b';
        QCOMPARE(::write(fd, &stop, 1), ssize_t(1));
        readFor(fd, 10, &trainer);
        QVERIFY(!trainer.streaming());
        QVERIFY(readFor(fd, 20, &trainer).isEmpty());
        ::close(fd);
    }

    void loadChangesWhileStreaming()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.sampleIntervalMs = 1;
        config.noise = 2;
        config.noiseSeed = 42;
        VirtualTrainer trainer(config);
        QVERIFY(trainer.open());
        const int fd = openSlave(trainer.devicePath());
        trainer.setLoad(0);
        QCOMPARE(::write(fd, "a", 1), ssize_t(1));
        const QList<int> unloaded = values(readFor(fd, 40, &trainer));
        trainer.setLoad(500);
        readFor(fd, 5, &trainer);
        const QList<int> loaded = values(readFor(fd, 40, &trainer));
        QVERIFY(unloaded.size() > 5 && loaded.size() > 5);
        bool varies = false;
        for (int v : unloaded) {
            QVERIFY2(v >= 254 && v <= 258, qPrintable(QString::number(v)));
            varies = varies || v != unloaded.first();
        }
        QVERIFY(varies);
        for (int v : loaded)
            QVERIFY2(v >= 1254 && v <= 1258, qPrintable(QString::number(v)));

        // The same seed gives the same noise on every stream start.
        QCOMPARE(::write(fd, "b", 1), ssize_t(1));
        while (!readFor(fd, 20, &trainer).isEmpty()) {
        }
        trainer.setLoad(0);
        QCOMPARE(::write(fd, "a", 1), ssize_t(1));
        const QList<int> again = values(readFor(fd, 40, &trainer));
        QVERIFY(again.size() >= 5);
        QCOMPARE(again.mid(0, 5), unloaded.mid(0, 5));
        ::close(fd);
    }

    void stallPausesTheStream()
    {
        TrainerConfig config = TrainerConfig::defaults(2);
        config.sampleIntervalMs = 1;
        config.stallAfter = 3;
        config.stallMs = 150;
        VirtualTrainer trainer(config);
        QVERIFY(trainer.open());
        const int fd = openSlave(trainer.devicePath());
        QCOMPARE(::write(fd, "a", 1), ssize_t(1));
        QCOMPARE(values(readFor(fd, 80, &trainer)).size(), 3);
        QVERIFY(values(readFor(fd, 200, &trainer)).size() > 10);
        ::close(fd);
    }
};

VR_TEST_CLASS(TrainerStreamTest)
#include "trainersim_test.moc"
