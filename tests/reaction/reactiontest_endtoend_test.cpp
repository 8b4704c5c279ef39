#include "device/fasttimer.h"
#include "device/fasttimerlibrary.h"
#include "reaction/statictestwindow.h"
#include "reaction/randomtestwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "reaction/randomrun.h"
#include "runkit/runsettings.h"
#include "runkit/sightbox.h"
#include "reaction/staticrun.h"
#include "core/appstate.h"
#include "shooters/activeshooter.h"
#include "core/settings.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/savewait.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {
const QString kNotFound = QStringLiteral("\r\nDer aktive Schütze ist nicht in der Schützendatenbank vorhanden.\r\n"
                                         "Die Ergebnisse wurden nicht gespeichert.");

// Sandbox, data module, two shooters with sight profiles; "Meyer, Anna"
// (4 training rounds) is the active one. QVERIFY(w.ok) before using it.
struct World
{
    StoreFixture fx;
    FakeClock clock;
    ScriptedMessages messages;
    bool ok = false;

    World()
    {
        fx.box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        ok = fx.open() && addShooter("Meyer", "Anna", 4) && addShooter("Zander", "Tom", 9)
             && fx.selectShooter("Meyer", "Anna");
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        clock.setWallClock(QDateTime(QDate(2024, 6, 1), QTime(14, 30, 5, 250)));
        RunSettings &rs = RunSettings::instance();
        rs.SerienAnzahl = 1;
        rs.Scheibenabstand = 1;
    }
    [[nodiscard]] bool addShooter(const QString &name, const QString &vorname, int rounds)
    {
        DataTable *p = fx.data->persTable();
        if (!(p->append() && p->setFieldValue("Name", name) && p->setFieldValue("Vorname", vorname)
              && p->setFieldValue("Trainingsrunden", double(rounds)) && p->post()))
            return false;
        DataTable *v = fx.data->visierTable();
        bool ok = v->append();
        const QList<QPair<const char *, double>> sizes{{"Diopter_Size", 33},   {"DiopVis_Size", 80}, {"A_Korntunnel", 50},
                                                       {"I_Korntunnel", 40},   {"A_Ringkorn", 20},   {"I_Ringkorn", 12},
                                                       {"Spiegel_Size", 10}};
        for (const auto &s : sizes)
            ok = ok && v->setFieldValue(QString::fromLatin1(s.first), s.second);
        return ok && v->post();
    }
    QStringList reak(const QString &columns, const QString &where = QStringLiteral("1"))
    {
        return sqlOnFile(fx.reakFile(), "SELECT " + columns + " FROM ReakData WHERE " + where + " ORDER BY Nummer");
    }
    double rounds(const QString &name)
    {
        const QStringList r = sqlOnFile(fx.persFile(), "SELECT Trainingsrunden FROM PersData WHERE Name = ?", {name});
        return r.isEmpty() ? -1 : r.first().toDouble();
    }
};

// Ticks of the window's timer, 10 ms of the fake clock each: reaction times
// count from the moment the target was painted, on that clock.
void tickTo(ReactionTestWindow &w, int &tick, int upTo)
{
    while (tick < upTo && w.run().tickOn()) {
        ++tick;
        static_cast<FakeClock &>(Clock::instance()).advanceMs(10);
        BuiltinFastTimerLibrary::instance().deliverDueTicks();
        QCoreApplication::sendPostedEvents(w.measurementTimer(), TickMessage);
    }
}

QStringList column(QTreeWidget *list, int col)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(col);
    return out;
}

QRgb pixel(const QImage &img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }
} // namespace

class ER1EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void testOneThroughTheWindowsIntoTheTable()
    {
        World w;
        QVERIFY(w.ok);
        StaticResultWindow era;
        StaticTestWindow er(&era);
        bool resultShown = false;
        er.setResultShower([&](ReactionResultWindow *result) {
            resultShown = true;
            QTimer::singleShot(0, result, [result] { QTest::mouseClick(result->saveButton(), Qt::LeftButton); });
            QCOMPARE(result->exec(), int(QDialog::Accepted));
        });
        era.appendRow(ResultRow{9, 9, "999", "x", "-"}); // from an earlier run: cleared at activation

        er.show();
        QVERIFY(QTest::qWaitForWindowExposed(&er));
        QCOMPARE(era.rowList()->topLevelItemCount(), 0);
        QCOMPARE(er.startButton()->text(), QStringLiteral("&Start"));
        QCOMPARE(er.profile().Spiegel_Size, 10);
        QVERIFY(!er.trafficLight(0)->isVisible());
        const QImage sight = er.sightBox()->sight();
        QCOMPARE(pixel(sight, 0, 0), qRgb(255, 255, 255));     // outside the rim
        QCOMPARE(pixel(sight, 15, 150), qRgb(0, 0, 0));      // the diopter ring
        QCOMPARE(pixel(sight, 50, 150), qRgb(255, 255, 255)); // its opening

        QTest::mouseClick(er.startButton(), Qt::LeftButton);
        w.clock.runSteps();   // the countdown
        QCOMPARE(w.clock.sleeps, (QList<int>{1000, 1000, 1000}));
        QVERIFY(!er.startButton()->isEnabled());
        QCOMPARE(er.focusWidget(), static_cast<QWidget *>(&er));
        QCOMPARE(AppState::instance().ActivityTitle, QStringLiteral("Messwerterfassung"));
        QVERIFY(er.run().tickOn());

        int tick = 0;
        tickTo(er, tick, 500);
        QCOMPARE(er.statusLabel()->text(), QStringLiteral("Serie 1"));
        // Target shown: a black disc of 30 pixels in the centre, which a repaint keeps.
        QCOMPARE(pixel(er.sightBox()->frame(), 150, 150), qRgb(0, 0, 0));
        QCOMPARE(pixel(er.sightBox()->frame(), 150, 136), qRgb(0, 0, 0));
        er.sightBox()->repaint();
        QCOMPARE(pixel(er.sightBox()->grab().toImage(), 150, 140), qRgb(0, 0, 0));
        tickTo(er, tick, 523);
        QTest::keyClick(&er, Qt::Key_A);                  // 230 ms
        QCOMPARE(pixel(er.sightBox()->frame(), 150, 140), qRgb(255, 255, 255));
        tickTo(er, tick, 760);
        // A key while the cancel button has the focus is not the window's.
        er.cancelButton()->setFocus();
        QTest::keyClick(er.cancelButton(), Qt::Key_B);
        QCOMPARE(era.rowList()->topLevelItemCount(), 1);
        er.setFocus();
        tickTo(er, tick, 1025);                           // target 2 timed out at 900
        QTest::keyClick(&er, Qt::Key_C);                  // 250 ms
        tickTo(er, tick, 1245);
        QTest::keyClick(&er, Qt::Key_D);                  // before target 4: -50 ms
        tickTo(er, tick, 1527);
        QTest::keyClick(&er, Qt::Key_E);                  // 270 ms
        QVERIFY(er.run().tickOn());
        tickTo(er, tick, 1528);
        QVERIFY(!er.run().tickOn());
        QCOMPARE(er.statusLabel()->text(), QStringLiteral("Messung beendet."));
        QCOMPARE(er.cancelButton()->text(), QStringLiteral("&Fertig"));
        QCOMPARE(column(era.rowList(), 2), (QStringList{"230", "00", "250", "-50", "270"}));
        QCOMPARE(column(era.rowList(), 3), (QStringList{"x", "o", "x", "o", "x"}));

        // The overview shows another shooter now; the results still go to the active one.
        QVERIFY(w.fx.selectShooter("Zander", "Tom"));
        QTest::mouseClick(er.cancelButton(), Qt::LeftButton);
        QVERIFY(resultShown);
        QVERIFY(!er.isVisible());
        QCOMPARE(w.messages.count(), 0);
        QCOMPARE(era.countLabel()->text(), QStringLiteral("5"));
        QCOMPARE(era.validityLabel()->text(), QStringLiteral(" (3 gültig / 2 ungültig)"));
        QCOMPARE(era.meanLabel()->text(), QStringLiteral("250 ms"));
        QCOMPARE(era.deviationLabel()->text(), QStringLiteral("20 ms"));
        QCOMPARE(column(era.seriesList(), 1), QStringList{"250"});

        QCOMPARE(w.reak("Name || ',' || Vorname || ',' || MessTyp || ',' || Serie || ',' || Scheibe || ',' || "
                        "CAST(ReakZeit AS INTEGER) || ',' || Status || ',' || Fehler"),
                 (QStringList{"Meyer,Anna,1.0,1.0,1.0,230,x,-", "Meyer,Anna,1.0,1.0,2.0,0,o,-",
                              "Meyer,Anna,1.0,1.0,3.0,250,x,-", "Meyer,Anna,1.0,1.0,4.0,-50,o,-",
                              "Meyer,Anna,1.0,1.0,5.0,270,x,-"}));
        // The countdown moved the fake clock on by 3 s, the 1528 ticks by 15.28 s.
        QCOMPARE(w.reak("DISTINCT Datum || ' ' || Zeit"), QStringList{"2024-06-01 14:30:23.530"});
        QCOMPARE(w.rounds("Meyer"), 5.0);
        QCOMPARE(w.rounds("Zander"), 9.0);
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 5);
        QCOMPARE(w.fx.data->persTable()->fieldValue("Trainingsrunden").toInt(), 5);
    }

    void abortClosesWithoutResultWindow()
    {
        World w;
        QVERIFY(w.ok);
        StaticResultWindow era;
        StaticTestWindow er(&era);
        bool resultShown = false;
        er.setResultShower([&](ReactionResultWindow *) { resultShown = true; });
        er.show();
        er.startClicked();
        w.clock.runSteps();
        int tick = 0;
        tickTo(er, tick, 530);
        QTest::keyClick(&er, Qt::Key_A);
        QTest::mouseClick(er.cancelButton(), Qt::LeftButton);
        QVERIFY(!resultShown);
        QVERIFY(!er.run().tickOn());
        QCOMPARE(era.rowList()->topLevelItemCount(), 1); // stays until the next activation
        // Showing again starts afresh.
        er.show();
        QCOMPARE(era.rowList()->topLevelItemCount(), 0);
        QVERIFY(er.startButton()->isEnabled());
        QCOMPARE(er.run().SeriesNo, 1);
        // Escape mid-run closes the window and stops the tick too.
        er.startClicked();
        w.clock.runSteps();
        QVERIFY(er.run().tickOn());
        er.reject();
        QVERIFY(!er.run().tickOn());
    }

    void failedSaveStoresNothing_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("reaction rows refused") << "reak";
        QTest::newRow("shooter record refused") << "pers";
        // Refused before any writing: the other rows were once stored without it.
        QTest::newRow("one row too long for its field") << "long";
    }
    void failedSaveStoresNothing()
    {
        QFETCH(QString, fault);
        World w;
        QVERIFY(w.ok);
        bool ok = true;
        if (fault=="reak")
            sqlOnFile(w.fx.reakFile(),
                      "CREATE TRIGGER full BEFORE INSERT ON ReakData WHEN NEW.Scheibe = 4 "
                      "BEGIN SELECT RAISE(ABORT, 'Datenträger voll'); END", {}, &ok);
        else if (fault == "pers")
            sqlOnFile(w.fx.persFile(),
                      "CREATE TRIGGER locked BEFORE UPDATE ON PersData "
                      "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END", {}, &ok);
        QVERIFY(ok);
        StaticResultWindow era;
        for (int k = 1; k <= 5; ++k)
            era.appendRow(ResultRow{1, k, "230", k == 3 && fault == "long" ? QString(20, u'x') : "x", "-"});
        era.show();
        QVERIFY(!SaveAndWait(era));
        QVERIFY(era.isVisible()); // the rows stay for another try
        QCOMPARE(w.messages.count(), 1);
        QVERIFY(w.messages.lastText().startsWith("\r\nFehler beim Schreiben der Daten !"));
        QCOMPARE(w.reak("COUNT(*)"), QStringList{"0"});
        QCOMPARE(w.rounds("Meyer"), 4.0);
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 4);
        QVERIFY(!w.fx.data->reakTable()->hasPendingUpdates());
        // Closing the data module later writes nothing either.
        w.fx.data->closeTables();
        QCOMPARE(w.reak("COUNT(*)"), QStringList{"0"});
    }

    // Another program holds the reaction table: its own message, nothing stored, another try works.
    void lockedDatabaseAtSaveSaysSo()
    {
        World w;
        QVERIFY(w.ok);
        StaticResultWindow era;
        for (int k = 1; k <= 5; ++k)
            era.appendRow(ResultRow{1, k, "230", "x", "-"});
        era.show();
        const QString foreign = QStringLiteral("foreign-lock");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), foreign);
            db.setDatabaseName(w.fx.reakFile());
            QVERIFY(db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
            QVERIFY(!SaveAndWait(era));
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(foreign);
        QCOMPARE(w.messages.count(), 1);
        QVERIFY2(w.messages.lastText().startsWith(QStringLiteral("\r\nDie Datenbank ist gesperrt")), qPrintable(w.messages.lastText()));
        QVERIFY(era.saveButton()->isEnabled());
        QVERIFY(SaveAndWait(era));
        QCOMPARE(w.reak("COUNT(*)"), QStringList{"5"});
    }

    void refusedWhenTheActiveShootersRecordIsGone()
    {
        World w;
        QVERIFY(w.ok);
        StaticResultWindow era;
        era.appendRow(ResultRow{1, 1, "230", "x", "-"});
        QVERIFY(LocateActiveShooter());
        QVERIFY(w.fx.data->persTable()->deleteCurrent());
        QVERIFY(!SaveAndWait(era));
        QCOMPARE(w.messages.lastText(), kNotFound);
        QCOMPARE(w.reak("COUNT(*)"), QStringList{"0"});
    }

    void threeSeriesOfTestTwoAreSavedTogether()
    {
        World w;
        QVERIFY(w.ok);
        RandomResultWindow era;
        for (int s = 1; s <= 3; ++s)
            for (int k = 1; k <= 5; ++k)
                era.appendRow(k == 2 ? ResultRow{s, k, "00", "o", "Ziel"} : ResultRow{s, k, "240", "x", "-"});
        era.show();
        QCOMPARE(era.rowList()->isColumnHidden(4), false);
        QCOMPARE(column(era.seriesList(), 0), (QStringList{"1", "2", "3"}));
        QVERIFY(SaveAndWait(era));
        QVERIFY(!era.isVisible());
        QCOMPARE(w.reak("COUNT(*)", "MessTyp = 2"), QStringList{"15"});
        QCOMPARE(w.reak("COUNT(DISTINCT Datum || Zeit)"), QStringList{"1"});
        QCOMPARE(w.reak("CAST(Serie AS INTEGER) || '/' || CAST(Scheibe AS INTEGER)", "Fehler = 'Ziel'"),
                 (QStringList{"1/2", "2/2", "3/2"}));
        QCOMPARE(w.reak("DISTINCT CAST(ReakZeit AS INTEGER)", "Fehler = 'Ziel'"), QStringList{"0"});
        QCOMPARE(w.rounds("Meyer"), 5.0);
        // A second save of another run (the window shown again) adds to it.
        era.show();
        QVERIFY(SaveAndWait(era));
        QCOMPARE(w.reak("COUNT(*)"), QStringList{"30"});
        QCOMPARE(w.rounds("Meyer"), 6.0);
    }

    // The save's log writes run no events, so no click on "&Speichern" is
    // handled while the first save stores; clicked again, it stores nothing more.
    void saveClickedAgainWhileSavingStoresOnce()
    {
        World w;
        QVERIFY(w.ok);
        Settings::instance().Logfile = true;
        StaticResultWindow era;
        for (int k = 1; k <= 5; ++k)
            era.appendRow(ResultRow{1, k, "230", "x", "-"});
        era.show();
        struct ClickingClock : FakeClock
        {
            StaticResultWindow *window = nullptr;
            int clicks = 0;
            void processEvents() override
            {
                FakeClock::processEvents();
                if (window && clicks++ < 3) {
                    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
                    window->saveClicked();
                }
            }
        } clock;
        clock.window = &era;
        const bool first = SaveAndWait(era);
        QVERIFY(first);
        QCOMPARE(clock.clicks, 0);
        QVERIFY(!era.saveClicked());
        QCOMPARE(w.reak("COUNT(*)"), QStringList{"5"});
        QCOMPARE(w.rounds("Meyer"), 5.0);
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 5);
    }

    void escapeActsAsTheCancelButton_data()
    {
        QTest::addColumn<int>("test");
        QTest::addColumn<QString>("phase");
        QTest::addColumn<int>("rowsAfter");
        QTest::addColumn<bool>("resultShown");
        for (int test : {1, 2}) {
            QTest::addRow("test %d before start", test) << test << "idle" << 0 << false;
            QTest::addRow("test %d mid-run", test) << test << "running" << 1 << false;
            QTest::addRow("test %d finished", test) << test << "finished" << 5 << true;
        }
    }

    // Esc in a test window never counts as a reaction: mid-run it aborts like
    // "&Abbruch", after the last series it finishes like "&Fertig" (result
    // window shown, so the run can be saved).
    void escapeActsAsTheCancelButton()
    {
        QFETCH(int, test);
        QFETCH(QString, phase);
        QFETCH(int, rowsAfter);
        QFETCH(bool, resultShown);
        World w;
        QVERIFY(w.ok);
        StaticResultWindow era1;
        RandomResultWindow era2;
        StaticTestWindow er1(&era1);
        RandomTestWindow er2(&era2);
        ReactionTestWindow &er = test == 1 ? static_cast<ReactionTestWindow &>(er1) : er2;
        ReactionResultWindow &era = test == 1 ? static_cast<ReactionResultWindow &>(era1) : era2;
        bool shown = false;
        er.setResultShower([&](ReactionResultWindow *) { shown = true; });
        er.show();
        QApplication::setActiveWindow(&er);
        int tick = 0;
        if (phase != QLatin1String("idle")) {
            er.startClicked();
            w.clock.runSteps();
            QVERIFY(er.run().tickOn());
            if (phase == QLatin1String("running")) {
                tickTo(er, tick, 500);
                er.run().keyPressed();   // one answered target
                QCOMPARE(era.rowList()->topLevelItemCount(), 1);
            } else {
                tickTo(er, tick, 100000);
                QVERIFY(er.run().isComplete());
            }
        }
        const int before = era.rowList()->topLevelItemCount();
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget *>(&er);
        QTest::keyClick(target, Qt::Key_Escape);
        QCOMPARE(era.rowList()->topLevelItemCount(), before);   // not a reaction
        QCOMPARE(era.rowList()->topLevelItemCount(), rowsAfter);
        QCOMPARE(shown, resultShown);
        QVERIFY(!er.isVisible());
        QCOMPARE(er.result(), int(QDialog::Rejected));
        QVERIFY(!er.run().tickOn());
    }

    void testTwoWindowSwallowsKeysAndShowsRims()
    {
        World w;
        QVERIFY(w.ok);
        RunSettings::instance().Trefferanzeige = true;
        RandomResultWindow era;
        RandomTestWindow er(&era);
        er.setResultShower([](ReactionResultWindow *) {});
        er.show();
        QVERIFY(QTest::qWaitForWindowExposed(&er));
        QCOMPARE(er.randomRun().HalfOk, 7);
        er.startClicked();
        w.clock.runSteps();
        QVERIFY(!er.startButton()->isEnabled());
        er.randomRun().XOffset = 0;
        int tick = 0;
        tickTo(er, tick, 500);
        // Inside the zone: black disc with a green rim of two pixels.
        const QImage inside = er.sightBox()->frame();
        QCOMPARE(pixel(inside, 150, 150), qRgb(0, 0, 0));
        QCOMPARE(pixel(inside, 135, 150), qRgb(0, 255, 0));
        // Space on the focused cancel button neither clicks it nor gets lost: it is the reaction.
        er.cancelButton()->setFocus();
        tickTo(er, tick, 523);
        QTest::keyClick(er.cancelButton(), Qt::Key_Space);
        QVERIFY(er.isVisible());
        QCOMPARE(column(era.rowList(), 2), QStringList{"230"});
        QCOMPARE(column(era.rowList(), 4), QStringList{"-"});
        QCOMPARE(er.sightBox()->frame(), er.sightBox()->sight()); // erased by showing the sight
        // Keys outside a cycle are swallowed too (Esc cancels: see escapeActsAsTheCancelButton).
        QTest::keyClick(er.cancelButton(), Qt::Key_X);
        QVERIFY(er.isVisible());
        QCOMPARE(era.rowList()->topLevelItemCount(), 1);
        // A false presentation gets a red rim.
        tickTo(er, tick, 673);
        er.randomRun().XOffset = 12;
        er.randomRun().TargetDelay = 60;
        tickTo(er, tick, 733);
        const QImage outside = er.sightBox()->frame();
        const int dy = er.randomRun().lastVerticalSign() * 12;
        QCOMPARE(pixel(outside, 162, 150 + dy), qRgb(0, 0, 0));
        QCOMPARE(pixel(outside, 147, 150 + dy), qRgb(255, 0, 0));
        tickTo(er, tick, 900);
        QCOMPARE(column(era.rowList(), 4), (QStringList{"-", "Ziel"}));
        QCOMPARE(column(era.rowList(), 2), (QStringList{"230", "00"}));
        er.cancelClicked();
        QVERIFY(!er.isVisible());
    }
};

VR_TEST_CLASS(ER1EndToEndTest)
#include "reactiontest_endtoend_test.moc"
