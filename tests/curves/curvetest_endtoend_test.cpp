#include "curves/curverunsettings.h"
#include "curves/curvetestwindow.h"
#include "curves/curveresultwindow.h"
#include "curves/curvesetupdialog.h"
#include "curves/timebar.h"
#include "platform/numberformat.h"
#include "platform/programpaths.h"
#include "runkit/runsettings.h"
#include "core/appstate.h"
#include "app/mainwindow.h"
#include "support/findaction.h"
#include "core/settings.h"
#include "app/startup.h"
#include "shooters/activeshooter.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"
#include "curvefiles.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <functional>

namespace {
// A fake clock that lets the test act between the run's timer steps, where input runs.
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

QStringList column(QTreeWidget *list, int col)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(col);
    return out;
}

// The program folder: a 600 px shooting system with mirrors at 60 ... 540
// (S 40) and one curve set with one file. A failure fails the test; the caller returns then.
void writeProgramFolder()
{
    const QString p = ProgramPaths::programDir();
    QImage system(600, 200, QImage::Format_RGB32);
    system.fill(qRgb(200, 210, 200));
    for (int x : {60, 180, 300, 420, 540})
        for (int y = 80; y < 120; ++y)
            for (int dx = -20; dx < 20; ++dx)
                system.setPixel(x + dx, y, qRgb(0, 0, 0));
    QDir().mkpath(p + "/sdata");
    QVERIFY(system.save(p + "/sdata/anlage.bmp", "BMP"));
    QVERIFY(WriteFile(p + "/sdata/anlage.def", DefFile({"60:100|40", "180:100|40", "300:100|40", "420:100|40", "540:100|40"})));
    QByteArray kdf;
    for (int t = 1; t <= 5; ++t)
        kdf += KdfSection(t, t == 4 ? SamePoints(6, 200, 150, 20) : SamePoints(6, 150, 150, 20));
    QVERIFY(WriteFile(p + "/kdata/Set/serie.kdf", kdf));
}
} // namespace

class ER3EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void menuToSavedRowsAndRepeat();
    void seriesFiguresAgreeWithTheStore_data();
    void seriesFiguresAgreeWithTheStore();
};

void ER3EndToEndTest::menuToSavedRowsAndRepeat()
{
    StoreFixture fx;
    fx.box.setLocale(QLocale(QLocale::German, QLocale::Germany));
    HookClock clock;
    ScriptedMessages messages;
    writeProgramFolder();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(fx.open());
    DataTable *p = fx.data->persTable();
    QVERIFY(p->append() && p->setFieldValue("Name", "Meyer") && p->setFieldValue("Vorname", "Anna")
            && p->setFieldValue("Trainingsrunden", 4.0) && p->post());
    DataTable *v = fx.data->visierTable();
    QVERIFY(v->append());
    for (const char *field : {"Diopter_Size", "DiopVis_Size", "A_Korntunnel", "I_Korntunnel", "A_Ringkorn", "I_Ringkorn",
                              "Spiegel_Size"})
        QVERIFY(v->setFieldValue(QString::fromLatin1(field), 20.0));
    QVERIFY(v->post());
    QVERIFY(fx.selectShooter("Meyer", "Anna"));
    ActiveShooter::instance().active = true;
    MakeActiveShooter();

    MainWindow form;
    auto *setup = new CurveSetupDialog(&form);
    auto *result = new CurveResultWindow(&form);
    auto *window = new CurveTestWindow(result, &form);
    RegisterCurveTest(form, setup, window);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // Reactions by the state of the run: target 1 after three holds, none to
    // target 2, target 3 after the last hold (the slide to target 4 has begun),
    // target 4 (off the mirror), target 5 twice.
    clock.onInput = [&] {
        CurveRun &run = window->run();
        if (!run.running())
            return;
        const int t = run.CurrentTarget;
        if ((t == 1 && run.OnRun == 60) || (t == 4 && run.OnRun == 100) || (t == 4 && run.SinceOn == 40)
            || (t == 5 && run.OnRun >= 20)) {
            QTest::mouseClick(window->reactionButton(), Qt::LeftButton);
        }
    };

    bool runChecked = false, barChecked = false;
    window->setResultShower([&](CurveResultWindow *w) {
        QTimer::singleShot(0, w, [&, w] {
            QCOMPARE(w->windowTitle(), QStringLiteral("Auswertung"));
            QCOMPARE(w->validityLabel()->text(), QStringLiteral(" (3 gültig / 1 ungültig)"));
            QCOMPARE(w->meanLabel()->text(), QStringLiteral("60,0 ms"));
            QCOMPARE(w->deviationLabel()->text(), QStringLiteral("40,0 ms"));
            // Row 2 (target 3, 100 ms after five holds): five green stretches, the mark on the last.
            QTreeWidgetItem *item = w->rowList()->topLevelItem(1);
            const QRect r = w->rowList()->visualItemRect(item);
            QTest::mouseClick(w->rowList()->viewport(), Qt::LeftButton, {}, r.center());
            const QImage bar = w->timeBar()->grab().toImage();
            QCOMPARE(bar.pixel(10, 5), qRgb(0, 128, 0));
            QCOMPARE(bar.pixel(int(513.0 * 80 / 120) + 5, 5), qRgb(255, 255, 0));   // the bar counts point 0 too
            w->timeBar()->repaint();   // kept: a repaint shows it again
            QCOMPARE(w->timeBar()->grab().toImage().pixel(10, 5), qRgb(0, 128, 0));
            barChecked = true;
            QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        });
        QCOMPARE(w->exec(), int(QDialog::Accepted));
    });

    QTimer::singleShot(0, setup, [&] {
        QVERIFY(setup->isVisible());
        QCOMPARE(setup->curveSetCombo()->currentText(), QStringLiteral("Set"));
        setup->seriesControls().frei->click();
        QTest::keyClicks(setup->seriesControls().edit, "1");
        QTest::mouseClick(setup->okButton(), Qt::LeftButton);
        QTimer::singleShot(0, window, [&] {
            QVERIFY(window->isVisible());
            QVERIFY(window->startButton()->isEnabled());
            QCOMPARE(messages.count(), 0);
            QTest::mouseClick(window->startButton(), Qt::LeftButton);
            clock.runSteps();   // the whole run
            QCOMPARE(window->cancelButton()->text(), QStringLiteral("&Fertig"));
            QCOMPARE(column(result->rowList(), 1), (QStringList{"1", "3", "4", "5"}));
            QCOMPARE(column(result->rowList(), 2), (QStringList{"  60", " 100", "  40", "  20"}));
            QCOMPARE(column(result->rowList(), 3), (QStringList{"x", "x", "o", "x"}));
            QCOMPARE(column(result->rowList(), 4), (QStringList{" 1", " 1", " 0", " 1"}));
            QCOMPARE(AppState::instance().ActivityTitle, QStringLiteral("Messwerterfassung"));
            runChecked = true;
            QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
        });
    });
    findAction(form, QStringLiteral("Test3_Item"))->trigger();
    QVERIFY(runChecked);
    QVERIFY(barChecked);
    QVERIFY(!window->isVisible());
    QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT MessTyp || '/' || CAST(Serie AS INTEGER) || '/' || CAST(Scheibe AS INTEGER)"
                                      " || '/' || CAST(ReakZeit AS INTEGER) || '/' || Status || '/' || Fehler FROM ReakData"
                                      " WHERE Name = 'Meyer' ORDER BY Nummer"),
             (QStringList{"3.0/1/1/60/x/ 1", "3.0/1/3/100/x/ 1", "3.0/1/4/40/o/ 0", "3.0/1/5/20/x/ 1"}));
    QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT COUNT(DISTINCT Datum || Zeit) FROM ReakData"), QStringList{"1"});
    QCOMPARE(sqlOnFile(fx.persFile(), "SELECT CAST(Trainingsrunden AS INTEGER) FROM PersData"), QStringList{"5"});

    // Ctrl+F3 opens the test window directly, with the set listed anew.
    clock.onInput = nullptr;
    bool repeated = false;
    // Offscreen, a closed dialog stays the active window until another one asks.
    form.windowHandle()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(form.windowHandle()));
    QVERIFY(findAction(form, QStringLiteral("Wiederholen_Item"))->isEnabled());
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, window, [&] {
        if (QApplication::activeModalWidget() != window)
            return;
        poll.stop();
        repeated = !setup->isVisible();
        QCOMPARE(CurveRunSettings::instance().CurveFiles, QStringList{ProgramPaths::programDir() + "/kdata/Set/serie.kdf"});
        QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    });
    poll.start();
    QTest::keyClick(form.windowHandle(), Qt::Key_F3, Qt::ControlModifier);
    poll.stop();
    QVERIFY(repeated);
}

using Answered = QMap<int, QList<int>>;   // series -> targets with a reaction

void ER3EndToEndTest::seriesFiguresAgreeWithTheStore_data()
{
    QTest::addColumn<Answered>("answered");
    // Target 4 is off the mirror ("o"); the others are on it.
    QTest::newRow("three targets unanswered") << Answered{{1, {1, 3, 4, 5}}, {2, {1, 4, 5}}};
    QTest::newRow("series 1 unanswered") << Answered{{1, {}}, {2, {1, 2, 3, 4, 5}}};
    QTest::newRow("one reaction per series") << Answered{{1, {3}}, {2, {4}}};
}

void ER3EndToEndTest::seriesFiguresAgreeWithTheStore()
{
    // Two series of five targets through the test window; the series list of
    // the result window must show what the store's statistics make of the
    // saved rows, one line for each series of the run.
    QFETCH(Answered, answered);
    StoreFixture fx;
    fx.box.setLocale(QLocale(QLocale::German, QLocale::Germany));
    HookClock clock;
    ScriptedMessages messages;
    writeProgramFolder();
    if (QTest::currentTestFailed())
        return;
    RunSettings::instance().SerienAnzahl = 2;
    CurveRunSettings &curves = CurveRunSettings::instance();
    curves.ShootingSystemName = "anlage.bmp";
    curves.CurveFiles = {ProgramPaths::programDir() + "/kdata/Set/serie.kdf"};
    QVERIFY(fx.open());
    QVERIFY(fx.addShooter("Meyer", "Anna"));
    DataTable *v = fx.data->visierTable();
    QVERIFY(v->append());
    for (const char *field : {"Diopter_Size", "DiopVis_Size", "A_Korntunnel", "I_Korntunnel", "A_Ringkorn", "I_Ringkorn",
                              "Spiegel_Size"})
        QVERIFY(v->setFieldValue(QString::fromLatin1(field), 20.0));
    QVERIFY(v->post());
    QVERIFY(fx.selectShooter("Meyer", "Anna"));
    ActiveShooter::instance().active = true;
    MakeActiveShooter();

    CurveResultWindow result;
    CurveTestWindow window(&result);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.startButton()->isEnabled());
    // Each answered target after 1 to 4 holds, varying with series and target.
    clock.onInput = [&] {
        const CurveRun &run = window.run();
        if (!run.running() || !answered.value(run.SeriesNo).contains(run.CurrentTarget))
            return;
        const int held = run.OnRun ? run.OnRun : run.SinceOn;
        if (held == 20 * ((run.SeriesNo + run.CurrentTarget) % 4 + 1))
            QTest::mouseClick(window.reactionButton(), Qt::LeftButton);
    };
    QList<QStringList> shown;
    window.setResultShower([&](CurveResultWindow *w) {
        QTimer::singleShot(0, w, [&, w] {
            for (int i = 0; i < w->seriesList()->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *item = w->seriesList()->topLevelItem(i);
                QStringList line{item->text(0)};
                if (!item->text(1).isEmpty() || !item->text(2).isEmpty())
                    line << item->text(1) << item->text(2);
                shown << line;
            }
            QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        });
        QCOMPARE(w->exec(), int(QDialog::Accepted));
    });
    QTest::mouseClick(window.startButton(), Qt::LeftButton);
    clock.runSteps();
    int reactions = 0;
    for (const QList<int> &targets : answered)
        reactions += int(targets.size());
    QCOMPARE(result.rowList()->topLevelItemCount(), reactions);
    QCOMPARE(window.cancelButton()->text(), QStringLiteral("&Fertig"));
    QTest::mouseClick(window.cancelButton(), Qt::LeftButton);

    // What "Auswertung" computes for the saved rows.
    QVERIFY(fx.data->openResultQuery(TData::Query::IK, "Meyer", "Anna", true));
    fx.data->CalcIKData();
    QList<QStringList> expected;
    for (int serie = 1; serie <= 2; ++serie) {
        QStringList line{QString::number(serie)};
        for (const SeriesSummary &s : fx.data->stats(TData::Query::IK).series())
            if (s.serie == serie && s.validCount >= 1)
                line << NumberFormat::formatFloat("%.1f", s.mean) << NumberFormat::formatFloat("%.1f", s.stdDev);
        expected << line;
    }
    QCOMPARE(shown, expected);
    QCOMPARE(messages.count(), 0);
}

VR_TEST_CLASS(ER3EndToEndTest)
#include "curvetest_endtoend_test.moc"
