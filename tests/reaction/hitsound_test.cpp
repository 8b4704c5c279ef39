#include "platform/programpaths.h"
#include "reaction/statictestwindow.h"
#include "reaction/randomtestwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "runkit/hitsound.h"
#include "runkit/hittones.h"
#include "reaction/randomrun.h"
#include "runkit/runsettings.h"
#include "core/settings.h"
#include "support/fakeclock.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>
#include <QtEndian>

#include <cmath>

namespace {
// Records what the windows ask of the sound.
class RecordingSound : public HitSound
{
public:
    RecordingSound() { HitSound::install(this); }
    ~RecordingSound() override { HitSound::install(nullptr); }
    void prepare() override { ++prepared; }
    void play(Tone tone) override { played << (tone == Hit ? QStringLiteral("hit") : QStringLiteral("miss")); }
    QStringList played;
    int prepared = 0;
};

qint32 le32(const QByteArray &b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
qint16 le16(const QByteArray &b, int at) { return qFromLittleEndian<qint16>(b.constData() + at); }
} // namespace

class HitSoundTest : public QObject
{
    Q_OBJECT
private slots:
    void reactionsAskForTheirTone_data()
    {
        QTest::addColumn<int>("test");          // 1 or 2
        QTest::addColumn<bool>("sound");        // the "Sound" setting
        QTest::addColumn<bool>("inside");       // test 2: target inside the zone
        QTest::addColumn<int>("keyAfter");      // ticks after the target was shown; -1000 = no key
        QTest::addColumn<QStringList>("tones");

        QTest::newRow("test 1, valid reaction") << 1 << true << true << 25 << QStringList{"hit"};
        QTest::newRow("test 1, too fast") << 1 << true << true << 5 << QStringList{"miss"};
        QTest::newRow("test 1, before the target") << 1 << true << true << -40 << QStringList{"miss"};
        QTest::newRow("test 1, too slow") << 1 << true << true << 95 << QStringList{"miss"};
        QTest::newRow("test 1, timed out") << 1 << true << true << -1000 << QStringList{};
        QTest::newRow("test 1, sound off") << 1 << false << true << 25 << QStringList{};
        QTest::newRow("test 2, valid reaction") << 2 << true << true << 25 << QStringList{"hit"};
        QTest::newRow("test 2, false presentation answered") << 2 << true << false << 25 << QStringList{"miss"};
        QTest::newRow("test 2, false presentation left alone") << 2 << true << false << -1000 << QStringList{};
        QTest::newRow("test 2, sound off") << 2 << false << true << 25 << QStringList{};
    }
    void reactionsAskForTheirTone()
    {
        QFETCH(int, test);
        QFETCH(bool, sound);
        QFETCH(bool, inside);
        QFETCH(int, keyAfter);
        QFETCH(QStringList, tones);

        Sandbox box;
        FakeClock clock;
        ScriptedMessages messages;  // no data module: the profile message is answered
        RecordingSound recorder;
        Settings::instance().Sound = sound;
        RunSettings::instance().SerienAnzahl = 1;
        RunSettings::instance().Scheibenabstand = 1;
        RunSettings::instance().ER2_SPos = 0;
        RunSettings::instance().ER2_SPos_ok = 0;

        StaticResultWindow era1;
        RandomResultWindow era2;
        StaticTestWindow er1(&era1);
        RandomTestWindow er2(&era2);
        ReactionTestWindow &w = test == 1 ? static_cast<ReactionTestWindow &>(er1) : er2;
        w.show();
        QCOMPARE(recorder.prepared, sound ? 1 : 0);
        if (test == 2)
            er2.randomRun().XOffset = inside ? 0 : 40;
        w.startClicked();
        clock.runSteps();   // the countdown
        const int shown = w.run().TargetDelay;
        int tick = 0;
        const int keyAt = keyAfter == -1000 ? shown + 200 : shown + keyAfter;
        while (tick < keyAt) {
            ++tick;
            w.measurementTick();
        }
        if (keyAfter != -1000) {
            if (test == 1)
                er1.reactionKey();
            else
                er2.reactionKey();
        }
        QCOMPARE(recorder.played, tones);
        // The row is there whatever the sound did.
        QCOMPARE(w.resultWindow()->rowList()->topLevelItemCount(), 1);
        w.reject();
    }

    void tonesAreShortSoftWavFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("hz");
        QTest::addColumn<int>("ms");
        QTest::newRow("hit") << QString::fromLatin1(HitTones::Treffer.fileName) << HitTones::Treffer.hz
                             << HitTones::Treffer.ms;
        QTest::newRow("miss") << QString::fromLatin1(HitTones::Fehler.fileName) << HitTones::Fehler.hz
                              << HitTones::Fehler.ms;
    }
    void tonesAreShortSoftWavFiles()
    {
        QFETCH(QString, file);
        QFETCH(double, hz);
        QFETCH(int, ms);
        Sandbox box;
        QVERIFY(HitTones::writeFiles(box.programDir()));
        QFile f(QDir(box.programDir()).filePath(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();

        QCOMPARE(b.left(4), QByteArray("RIFF"));
        QCOMPARE(le32(b, 4), qint32(b.size() - 8));
        QCOMPARE(b.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(le16(b, 20), qint16(1));   // PCM
        QCOMPARE(le16(b, 22), qint16(1));   // mono
        const int rate = le32(b, 24);
        QCOMPARE(le16(b, 34), qint16(16));
        QCOMPARE(b.mid(36, 4), QByteArray("data"));
        const int frames = le32(b, 40) / 2;
        QCOMPARE(44 + frames * 2, int(b.size()));
        QCOMPARE(qRound(frames * 1000.0 / rate), ms);

        // The pitch, from the sign changes; soft edges, no clipping.
        int crossings = 0, peak = 0;
        for (int i = 0; i < frames; ++i) {
            const int v = le16(b, 44 + 2 * i);
            peak = qMax(peak, std::abs(v));
            if (i > 0 && (le16(b, 42 + 2 * i) < 0) != (v < 0))
                ++crossings;
        }
        const double measured = crossings / 2.0 / (double(frames) / rate);
        QVERIFY2(std::abs(measured - hz) < hz * 0.03, qPrintable(QString::number(measured)));
        QVERIFY(peak > 10000 && peak < 20000);
        QVERIFY(std::abs(le16(b, 44)) < 100);
        QVERIFY(std::abs(le16(b, 44 + 2 * (frames - 1))) < 100);
        QVERIFY(HitTones::Treffer.hz > HitTones::Fehler.hz);
    }

    void toneFolderFallsBackWhenTheProgramFolderIsReadOnly()
    {
        Sandbox box;
        QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", box.path(QStringLiteral("cache")).toLocal8Bit());
        // A program folder below a plain file can never be made.
        QFile plain(box.path(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        ProgramPaths::setProgramDir(box.path(QStringLiteral("plain/bin")));
        const QString dir = HitTones::toneDir();
        QVERIFY(dir.startsWith(box.path(QStringLiteral("cache"))));
        QVERIFY(QFile::exists(QDir(dir).filePath(QLatin1String(HitTones::Fehler.fileName))));
        ProgramPaths::setProgramDir(box.programDir());
        QCOMPARE(HitTones::toneDir(), ProgramPaths::programDir());
        qputenv("XDG_CACHE_HOME", oldCache);
    }
};

VR_TEST_CLASS(HitSoundTest)
#include "hitsound_test.moc"
