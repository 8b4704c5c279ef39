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
#include "trainersim_test.moc"
