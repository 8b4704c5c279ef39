#include "curves/curverunsettings.h"
#include "curves/curvetestwindow.h"
#include "curves/curveresultwindow.h"
#include "curves/timebar.h"
#include "platform/programpaths.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "runkit/runsettings.h"
#include "shooters/activeshooter.h"
#include "store/storefixture.h"
#include "support/badbitmaps.h"
#include "support/fakeclock.h"
#include "support/savewait.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
#include "curvefiles.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

namespace {
struct HookClock : FakeClock
{
    std::function<void()> onInput;
    HookClock()
    {
        betweenSteps = [this] {
            if (onInput)
                onInput();
        };
    }
};

// Program folder with a shooting system "anlage.bmp" (600 x 200) and one curve file.
// QVERIFY(f.ok) before using it.
struct Folder
{
    Sandbox box;
    HookClock clock;
    ScriptedMessages messages;
    bool ok = false;

    // `picture`: the bytes of "anlage.bmp"; null for a sound one.
    Folder(const QByteArray &def, const QByteArray &picture = QByteArray())
    {
        const QString p = ProgramPaths::programDir();
        QDir().mkpath(p + "/sdata");
        if (picture.isNull()) {
            QImage system(600, 200, QImage::Format_RGB32);
            system.fill(qRgb(0x30, 0xF0, 0x60));
            ok = system.save(p + "/sdata/anlage.bmp", "BMP");
        } else {
            ok = WriteFile(p + "/sdata/anlage.bmp", picture);
        }
        if (!def.isEmpty())
            ok = ok && WriteFile(p + "/sdata/anlage.def", def);
        QByteArray kdf;
        for (int t = 1; t <= 5; ++t)
            kdf += KdfSection(t, SamePoints(4, 170, 150, 20));
        ok = ok && WriteFile(p + "/kdata/A/a.kdf", kdf);
        RunSettings::instance().SerienAnzahl = 1;
        CurveRunSettings &c = CurveRunSettings::instance();
        c.ShootingSystemName = "anlage.bmp";
        c.CurveSetDirectory = p + "/kdata/A";
        c.CurveFiles = {p + "/kdata/A/a.kdf"};
        c.ShowTargets = true;
    }
};

const QByteArray kGoodDef = DefFile({"60:100|40", "180:100|40", "300:100|40", "420:100|40", "540:100|40"});
constexpr int kNoStamp = -1000000;
const QString kNoSight = QStringLiteral("\r\nFehler beim Lesen der Daten !");   // no shooter in this sandbox
} // namespace

class ER3FormTest : public QObject
{
    Q_OBJECT
private slots:
    void opening_data();
    void opening();
    void runInTheWindow();
    void reactionCarriesItsInputTime_data();
    void reactionCarriesItsInputTime();
    void inputOfTheShownWindowCalibrates();
    void cancelDuringTheRun_data();
    void cancelDuringTheRun();
    void laterSeriesStartOnTheirFirstMirror_data();
    void laterSeriesStartOnTheirFirstMirror();
    void timebarOfARow();
    void savesTwelveRows();
    void everyRunCanBeSaved_data();
    void everyRunCanBeSaved();
};

void ER3FormTest::opening_data()
{
    QTest::addColumn<QByteArray>("def");
    QTest::addColumn<QByteArray>("picture");           // null: a sound one
    QTest::addColumn<QString>("system");
    QTest::addColumn<bool>("files");
    QTest::addColumn<QList<QStringList>>("errors");   // per message what it says; "{sdata}" is that folder
    QTest::addColumn<bool>("start");

    const QString systemError = QStringLiteral("Fehler beim Laden der Schussanlage !\r\n");
    const QString picture = QStringLiteral("Datei „{sdata}/anlage.bmp“:\r\n");
    const QString definition = QStringLiteral("Die Definitionsdatei „{sdata}/anlage.def“ der Schussanlage ist fehlerhaft:");
    QTest::newRow("sound") << kGoodDef << QByteArray() << "anlage.bmp" << true << QList<QStringList>() << true;
    QByteArray noFour = kGoodDef;
    noFour.replace("4=420:100|40\r\n", "");
    QTest::newRow("missing key 4")
        << noFour << QByteArray() << "anlage.bmp" << true
        << QList<QStringList>{{definition, "Defintionsdaten Spiegel 4 der Schussanlage fehlerhaft. Im Abschnitt [Spiegel] fehlt "
                                           "der Schlüssel „4“."}}
        << false;
    // All faulty mirrors in one message, each with its value.
    QByteArray wide = kGoodDef;
    wide.replace("2=180:100|40", "2=99999999999:100|40").replace("3=300:100|40", "3=leer").replace("5=540", "5=600");
    QTest::newRow("three faulty mirrors")
        << wide << QByteArray() << "anlage.bmp" << true
        << QList<QStringList>{{definition, "Spiegel 2 der Schussanlage fehlerhaft. Wert „99999999999:100|40“: eine Zahl ist zu groß.",
                               "Spiegel 3 der Schussanlage fehlerhaft. Wert „leer“",
                               "Spiegel 5 der Schussanlage fehlerhaft. Wert „600:100|40“: X = 600 liegt außerhalb des Bildes "
                               "(600 Pixel breit)."}}
        << false;
    QTest::newRow("unreadable picture") << kGoodDef << QByteArray("BM kaputt") << "anlage.bmp" << true
                                        << QList<QStringList>{{systemError, picture + "Die Datei endet im Dateikopf"}} << false;
    for (const BadBitmap &bad : BadBitmaps(600, 200))
        QTest::newRow(bad.name.constData()) << kGoodDef << bad.bytes << "anlage.bmp" << true
                                            << QList<QStringList>{{systemError, picture + bad.reason}} << false;
    QTest::newRow("missing picture")
        << kGoodDef << QByteArray() << "fehlt.bmp" << true
        << QList<QStringList>{{systemError, "Datei „{sdata}/fehlt.bmp“:\r\nDie Datei ist nicht vorhanden."}} << false;
    QTest::newRow("no shooting system") << kGoodDef << QByteArray() << "" << true
                                        << QList<QStringList>{{systemError, "Es ist keine Schussanlage gewählt."}} << false;
    QTest::newRow("no curve files") << kGoodDef << QByteArray() << "anlage.bmp" << false
                                    << QList<QStringList>{{"Das gewählte Kurvenset enthält keine Definitionsdateien."}}
                                    << false;
}

void ER3FormTest::opening()
{
    QFETCH(QByteArray, def);
    QFETCH(QByteArray, picture);
    QFETCH(QString, system);
    QFETCH(bool, files);
    QFETCH(QList<QStringList>, errors);
    QFETCH(bool, start);
    Folder f(def, picture);
    QVERIFY(f.ok);
    CurveRunSettings::instance().ShootingSystemName = system;
    if (!files)
        CurveRunSettings::instance().CurveFiles.clear();
    const QString sdata = ProgramPaths::programDir() + "/sdata";
    const QByteArray pictureBefore = ReadFile(sdata + "/anlage.bmp");
    CurveResultWindow era;
    era.appendRow(ResultRow{9, 9, " 999", "x", " 1"});   // from an earlier run
    CurveTestWindow er(&era);
    er.show();
    QVERIFY(QTest::qWaitForWindowExposed(&er));
    QStringList shown;
    for (const ScriptedMessages::Shown &m : f.messages.shown())
        if (m.text != kNoSight)
            shown << m.text;
    QCOMPARE(shown.size(), errors.size());
    for (int i = 0; i < shown.size(); ++i) {
        QStringList says = errors.at(i);
        says.replaceInStrings("{sdata}", QDir::toNativeSeparators(sdata));
        QVERIFY2(shown.at(i).startsWith(says.first()), qPrintable(shown.at(i)));
        for (const QString &fragment : says)
            QVERIFY2(shown.at(i).contains(fragment), qPrintable(shown.at(i)));
    }
    QCOMPARE(er.startButton()->isEnabled(), start);
    QCOMPARE(er.windowTitle(), QStringLiteral("Einfachreaktionstest (Individualkurven)"));
    QCOMPARE(era.rowList()->topLevelItemCount(), 0);
    QVERIFY(er.mirrorSymbol(1)->isVisible() && er.targetStrip()->isVisible());
    // Repaints show the loaded picture again, without loading it anew.
    f.messages.clear();
    er.view()->repaint();
    QCOMPARE(f.messages.count(), 0);
    if (start)
        QCOMPARE(er.view()->grab().toImage().pixel(150, 150), qRgb(0x30, 0xF0, 0x60));
    // Without a start nothing runs, also when "&Start" is activated anyway; the files stay as they were.
    if (!start) {
        QTest::mouseClick(er.startButton(), Qt::LeftButton);
        er.startClicked();
        QCOMPARE(er.cancelButton()->text(), QStringLiteral("&Abbruch"));   // "&Fertig" after a run
        QCOMPARE(era.rowList()->topLevelItemCount(), 0);
    }
    QCOMPARE(ReadFile(sdata + "/anlage.bmp"), pictureBefore);
    QCOMPARE(ReadFile(sdata + "/anlage.def"), def);
}

void ER3FormTest::runInTheWindow()
{
    Folder f(kGoodDef);
    QVERIFY(f.ok);
    CurveResultWindow era;
    CurveTestWindow er(&era);
    er.show();
    QVERIFY(QTest::qWaitForWindowExposed(&er));
    bool checked = false;
    f.clock.onInput = [&] {
        QVERIFY(!er.startButton()->isEnabled());   // no second run from inside this one
        if (er.run().CurrentTarget == 2 && er.run().OnRun == 40 && !checked) {
            QCOMPARE(er.focusWidget(), static_cast<QWidget *>(er.reactionButton()));
            // The view shows the scene as it is now (the sight over the picture).
            const QImage shown = er.view()->grab().toImage();
            QCOMPARE(shown.convertToFormat(QImage::Format_RGB32), er.scene().display());
            QTest::mouseClick(er.reactionButton(), Qt::LeftButton);
            QCOMPARE(era.rowList()->topLevelItemCount(), 1);
            QVERIFY(er.mirrorSymbol(2)->hit());
            checked = true;
        }
    };
    QTest::mouseClick(er.startButton(), Qt::LeftButton);
    f.clock.runSteps();
    QVERIFY(checked);
    QCOMPARE(era.rowList()->topLevelItem(0)->text(2), QStringLiteral("  40"));
    QCOMPARE(er.cancelButton()->text(), QStringLiteral("&Fertig"));
    QVERIFY(!er.startButton()->isEnabled());
    bool shown = false;
    er.setResultShower([&](CurveResultWindow *) { shown = true; });
    QTest::keyClick(&er, Qt::Key_Escape);   // Esc acts as "&Fertig"
    QVERIFY(shown);
    QVERIFY(!er.isVisible());
}

void ER3FormTest::reactionCarriesItsInputTime_data()
{
    // Curves of 4 points on the mirror, 20 ms each: after hold k the time is 20 k.
    // The press reaches the window in hold 2, 15 ms after hold 1 ended.
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("stamp");        // ms after hold 1 ended; kNoStamp: none
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("fallbacks");

    QTest::newRow("click pressed in hold 1") << "mouse" << -5 << "  20" << 0;
    QTest::newRow("space pressed in hold 1") << "space" << -5 << "  20" << 0;
    QTest::newRow("Enter pressed at the end of hold 1") << "enter" << 0 << "  20" << 0;
    QTest::newRow("click pressed in hold 2") << "mouse" << 15 << "  40" << 0;
    // Implausible stamps: booked as handled, on hold 2, and counted.
    QTest::newRow("stamp in the future") << "mouse" << 500 << "  40" << 1;
    QTest::newRow("stamp a second before the last step") << "mouse" << -1100 << "  40" << 1;
    QTest::newRow("no stamp") << "mouse" << kNoStamp << "  40" << 1;
}

void ER3FormTest::reactionCarriesItsInputTime()
{
    QFETCH(QString, device);
    QFETCH(int, stamp);
    QFETCH(QString, time);
    QFETCH(int, fallbacks);
    Folder f(kGoodDef);
    QVERIFY(f.ok);
    CurveResultWindow era;
    CurveTestWindow er(&era);
    er.show();
    QVERIFY(QTest::qWaitForWindowExposed(&er));
    // The window system's clock runs 5 s ahead; one event calibrates it.
    constexpr qint64 ahead = 5000;
    er.inputTime().observe(quint64(f.clock.monotonicMs() + ahead), f.clock.monotonicNs());
    qint64 hold1End = -1;
    bool sent = false;
    f.clock.onInput = [&] {
        const CurveRun &run = er.run();
        if (run.CurrentTarget != 1)
            return;
        if (run.OnRun != 20 || sent)
            return;
        sent = true;
        hold1End = f.clock.monotonicMs();
        f.clock.advanceMs(15);
        const quint64 s = stamp == kNoStamp ? 0 : quint64(hold1End + stamp + ahead);
        const QPoint at = er.reactionButton()->rect().center();
        if (device == "mouse") {
            QMouseEvent press(QEvent::MouseButtonPress, at, er.reactionButton()->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            press.setTimestamp(s);
            QMouseEvent release(QEvent::MouseButtonRelease, at, er.reactionButton()->mapToGlobal(at), Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            release.setTimestamp(s + 80);   // released in a later hold
            QCoreApplication::sendEvent(er.reactionButton(), &press);
            QCoreApplication::sendEvent(er.reactionButton(), &release);
        } else {
            const int key = device == "space" ? Qt::Key_Space : Qt::Key_Return;
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            press.setTimestamp(s);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            release.setTimestamp(s + 80);
            QCoreApplication::sendEvent(er.reactionButton(), &press);
            QCoreApplication::sendEvent(er.reactionButton(), &release);
        }
    };
    er.startClicked();
    f.clock.runSteps();
    QVERIFY(sent);
    QCOMPARE(era.rowList()->topLevelItemCount(), 1);
    QCOMPARE(era.rowList()->topLevelItem(0)->text(1), QStringLiteral("1"));
    QCOMPARE(era.rowList()->topLevelItem(0)->text(2), time);
    QCOMPARE(er.inputTime().fallbacks(), fallbacks);
}

void ER3FormTest::inputOfTheShownWindowCalibrates()
{
    Folder f(kGoodDef);
    QVERIFY(f.ok);
    CurveResultWindow era;
    CurveTestWindow er(&era);
    QWidget other;
    other.show();
    QTest::mouseClick(er.statusLabel(), Qt::LeftButton);   // not shown yet
    QVERIFY(!er.inputTime().calibrated());
    er.show();
    QVERIFY(QTest::qWaitForWindowExposed(&er));
    QTest::mouseClick(&other, Qt::LeftButton);                // another window's input
    QVERIFY(!er.inputTime().calibrated());
    QTest::mouseClick(er.statusLabel(), Qt::LeftButton);
    QVERIFY(er.inputTime().calibrated());
    er.hide();
    er.inputTime().reset();
    QTest::mouseClick(er.statusLabel(), Qt::LeftButton);
    QVERIFY(!er.inputTime().calibrated());
}

void ER3FormTest::cancelDuringTheRun_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Abbruch") << "button";
    QTest::newRow("Esc") << "esc";
    QTest::newRow("title bar") << "close";
}

void ER3FormTest::cancelDuringTheRun()
{
    QFETCH(QString, how);
    Folder f(kGoodDef);
    QVERIFY(f.ok);
    CurveResultWindow era;
    CurveTestWindow er(&era);
    er.show();
    QVERIFY(QTest::qWaitForWindowExposed(&er));
    bool shown = false;
    er.setResultShower([&](CurveResultWindow *) { shown = true; });
    int gaps = 0;
    int cancelledAt = -1;
    f.clock.onInput = [&] {
        ++gaps;
        if (er.run().CurrentTarget == 3 && cancelledAt < 0) {
            if (how == "button")
                er.cancelClicked();
            else if (how == "esc")
                QTest::keyClick(&er, Qt::Key_Escape);
            else
                er.close();
            // The run and the window end at once.
            QVERIFY(!er.run().running());
            QVERIFY(!er.isVisible());
            cancelledAt = gaps;
        }
    };
    QTest::mouseClick(er.startButton(), Qt::LeftButton);
    f.clock.runSteps();
    QCOMPARE(gaps, cancelledAt);   // no step ran after the cancel
    QCOMPARE(f.clock.pendingSteps(), 0);
    QVERIFY(!er.isVisible());
    QVERIFY(!shown);
    QCOMPARE(er.cancelButton()->text(), QStringLiteral("&Abbruch"));
    QVERIFY(er.startButton()->isEnabled());
}

void ER3FormTest::laterSeriesStartOnTheirFirstMirror_data()
{
    QTest::addColumn<QList<int>>("xs");   // mirrors 1 ... 5
    QTest::addColumn<bool>("leftToRight");
    QTest::addColumn<int>("first");       // the mirror of target 1

    QTest::newRow("mirror 1 at the centre") << QList<int>{300, 360, 420, 480, 540} << true << 1;
    QTest::newRow("right to left, mirror 5 at the centre") << QList<int>{60, 120, 180, 240, 300} << false << 5;
    QTest::newRow("mirror 1 off the centre") << QList<int>{60, 180, 300, 420, 540} << true << 1;
}

void ER3FormTest::laterSeriesStartOnTheirFirstMirror()
{
    // Every mirror a band of its own colour: the display's middle column
    // tells which mirror stands there.
    QFETCH(QList<int>, xs);
    QFETCH(bool, leftToRight);
    QFETCH(int, first);
    QStringList def;
    for (int x : xs)
        def << QStringLiteral("%1:100|40").arg(x);
    Folder f(DefFile(def));
    QVERIFY(f.ok);
    const auto colour = [](int mirror) { return qRgb(40 * mirror, 255 - 40 * mirror, 100); };
    QImage system(600, 200, QImage::Format_RGB32);
    system.fill(qRgb(128, 128, 128));
    for (int m = 0; m < 5; ++m)
        for (int x = xs.at(m) - 10; x < xs.at(m) + 10; ++x)
            for (int y = 0; y < 200; ++y)
                system.setPixel(x, y, colour(m + 1));
    QVERIFY(system.save(ProgramPaths::programDir() + "/sdata/anlage.bmp", "BMP"));
    RunSettings::instance().SerienAnzahl = 2;
    CurveRunSettings::instance().LeftToRight = leftToRight;
    CurveResultWindow era;
    CurveTestWindow er(&era);
    er.show();
    QVERIFY(QTest::qWaitForWindowExposed(&er));
    // The lights of each series come after its slide to target 1, before its curve draws anything.
    QList<QImage> atTarget1;
    int lastSeries = 0;
    f.clock.onInput = [&] {
        const CurveRun &run = er.run();
        if (run.running() && er.trafficLight(0)->isVisible() && run.SeriesNo != lastSeries) {
            lastSeries = run.SeriesNo;
            atTarget1 << er.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        }
    };
    QTest::mouseClick(er.startButton(), Qt::LeftButton);
    f.clock.runSteps();
    QCOMPARE(er.cancelButton()->text(), QStringLiteral("&Fertig"));
    QCOMPARE(atTarget1.size(), 2);
    QCOMPARE(atTarget1.at(0).pixel(150, 150), colour(first));
    QCOMPARE(atTarget1.at(1).pixel(150, 150), colour(first));
    QCOMPARE(atTarget1.at(1), atTarget1.at(0));
}

void ER3FormTest::timebarOfARow()
{
    // Two files: series 4 of a run uses file 2. Right to left, target 1 is judged on mirror 5.
    Sandbox box;
    QTemporaryDir dir;
    const QString f1 = dir.filePath("1.kdf"), f2 = dir.filePath("2.kdf");
    WriteFile(f1, KdfSection(1, SamePoints(4, 160, 150, 100)));
    WriteFile(f2, KdfSection(1, {"150:150|100", "150:150|100", "300:300|200"}));
    CurveResultWindow era;
    QVector<MirrorDef> mirrors{{60, 0, 40}, {180, 0, 40}, {300, 0, 40}, {420, 0, 40}, {540, 0, 2}};
    era.setRunContext({f1, f2}, mirrors, true);
    era.appendRow(ResultRow{4, 1, " 200", "x", " 1"});
    era.appendRow(ResultRow{3, 1, " 200", "x", " 1"});
    era.show();
    era.rowClicked(era.rowList()->topLevelItem(0));
    const QImage bar = era.timeBar()->bar();
    QCOMPARE(bar.pixel(400, 5), qRgb(255, 0, 0));      // file 2: the last 200 of 400 ms off the mirror
    QCOMPARE(bar.pixel(140, 5), qRgb(255, 255, 0));    // the mark at 100 ms (onRun 200 at point 1)
    era.rowClicked(era.rowList()->topLevelItem(1));
    QCOMPARE(era.timeBar()->bar().pixel(400, 5), qRgb(0, 128, 0));   // series 3: file 1, 10 px off is on mirror 1
    era.setRunContext({f1, f2}, mirrors, false);
    era.rowClicked(era.rowList()->topLevelItem(1));
    QCOMPARE(era.timeBar()->bar().pixel(400, 5), qRgb(255, 0, 0));   // mirror 5 (half 1): 10 px off is off
}

void ER3FormTest::savesTwelveRows()
{
    StoreFixture fx;
    FakeClock clock;
    ScriptedMessages messages;
    clock.setWallClock(QDateTime(QDate(2026, 12, 7), QTime(20, 15, 30, 125)));
    QVERIFY(fx.open());
    DataTable *p = fx.data->persTable();
    QVERIFY(p->append() && p->setFieldValue("Name", "Meyer") && p->setFieldValue("Vorname", "Anna")
            && p->setFieldValue("Trainingsrunden", 7.0) && p->post());
    QVERIFY(fx.selectShooter("Meyer", "Anna"));
    ActiveShooter::instance().active = true;
    MakeActiveShooter();
    CurveResultWindow era;
    for (int i = 0; i < 12; ++i)
        era.appendRow(ResultRow{i / 5 + 1, i % 5 + 1, QString::asprintf("%4d", 100 + i), i % 3 ? "x" : "o", " 2"});
    QVERIFY(SaveAndWait(era));
    QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT COUNT(*) || '/' || COUNT(DISTINCT Datum || Zeit) || '/' || MIN(MessTyp) || '/'"
                                      " || MAX(MessTyp) || '/' || MIN(Fehler) FROM ReakData"),
             QStringList{"12/1/3.0/3.0/ 2"});
    QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT DISTINCT Datum || ' ' || Zeit FROM ReakData"), QStringList{"2026-12-07 20:15:30.125"});
    QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT CAST(ReakZeit AS INTEGER) FROM ReakData ORDER BY Nummer LIMIT 2"),
             (QStringList{"100", "101"}));
    QCOMPARE(sqlOnFile(fx.persFile(), "SELECT CAST(Trainingsrunden AS INTEGER) FROM PersData"), QStringList{"8"});
}

Q_DECLARE_METATYPE(std::function<ReactionResultWindow *()>)

void ER3FormTest::everyRunCanBeSaved_data()
{
    QTest::addColumn<std::function<ReactionResultWindow *()>>("make");
    QTest::addColumn<QString>("messTyp");
    QTest::addRow("test 1") << std::function<ReactionResultWindow *()>([] { return new StaticResultWindow; }) << "1.0";
    QTest::addRow("test 2") << std::function<ReactionResultWindow *()>([] { return new RandomResultWindow; }) << "2.0";
    QTest::addRow("test 3") << std::function<ReactionResultWindow *()>([] { return new CurveResultWindow; }) << "3.0";
}

void ER3FormTest::everyRunCanBeSaved()
{
    // The result window is made once and shown after every run: a save of one
    // run must leave "&Speichern" usable for the next.
    QFETCH(std::function<ReactionResultWindow *()>, make);
    QFETCH(QString, messTyp);
    StoreFixture fx;
    FakeClock clock;
    ScriptedMessages messages;
    clock.setWallClock(QDateTime(QDate(2026, 12, 7), QTime(20, 15, 30)));
    QVERIFY(fx.open());
    DataTable *p = fx.data->persTable();
    QVERIFY(p->append() && p->setFieldValue("Name", "Meyer") && p->setFieldValue("Vorname", "Anna")
            && p->setFieldValue("Trainingsrunden", 7.0) && p->post());
    QVERIFY(fx.selectShooter("Meyer", "Anna"));
    ActiveShooter::instance().active = true;
    MakeActiveShooter();
    std::unique_ptr<ReactionResultWindow> w(make());
    QList<bool> offered;
    for (int run = 0; run < 2; ++run) {
        w->clearLists();
        for (int t = 1; t <= 5; ++t)
            w->appendRow(ResultRow{1, t, QString::asprintf("%4d", 200 + 10 * run + t), "x", " 1"});
        QTimer::singleShot(0, w.get(), [&] {
            offered << w->saveButton()->isEnabled();
            if (offered.last())
                QTest::mouseClick(w->saveButton(), Qt::LeftButton);
            else
                w->reject();
        });
        w->exec();
        clock.setWallClock(QDateTime(QDate(2026, 12, 7), QTime(20, 20, 0)));
    }
    QCOMPARE(offered, (QList<bool>{true, true}));
    QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT COUNT(*) || '/' || COUNT(DISTINCT Zeit) || '/' || MIN(MessTyp) || '/' || MAX(MessTyp)"
                                      " || '/' || CAST(MAX(ReakZeit) AS INTEGER) FROM ReakData"),
             QStringList{"10/2/" + messTyp + "/" + messTyp + "/215"});
    QCOMPARE(sqlOnFile(fx.persFile(), "SELECT CAST(Trainingsrunden AS INTEGER) FROM PersData"), QStringList{"9"});
}

VR_TEST_CLASS(ER3FormTest)
#include "curvetestwindow_test.moc"
