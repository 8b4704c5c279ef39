// The program as a new user meets it on a real X server without a window
// manager: every dialog reachable from the main menu and the quick-start bar
// (test 3 and its repeat, the settings with their device pages, the evaluation
// with its print set-up, preview and CSV file, the export file dialog),
// opened by its keys (sent through the X server with xdotool), must come up
// at least at its size hint, on the screen, with exactly its own caption.
// One run of test 1 is made by the keys alone: "frei" chosen with the arrow
// keys, keys with Alt or Ctrl that are no reactions, and the result window
// that asks before it drops the unsaved run.
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "runkit/reactionrun.h"
#include "runkit/resultwindow.h"
#include "runkit/runsettings.h"
#include "runkit/testwindow.h"
#include "app/mainwindow.h"
#include "core/settings.h"
#include "app/startup.h"
#include "store/tdata.h"
#include "support/child.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

namespace {

QString xdo(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Sent by xdotool with a pause between keys (a menu opens before the next
// one); no events run here, the dialogs open when the driver returns.
void keys(const QStringList &sequence)
{
    xdo(QStringList{QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("--delay"), QStringLiteral("120")}
        + sequence);
}

// A click through the X server on a button of the window on top.
void clickOnTop(const QString &button)
{
    QWidget *top = QApplication::activeModalWidget();
    auto *b = top ? top->findChild<QPushButton *>(button) : nullptr;
    if (!b)
        return;
    const QPoint p = b->mapToGlobal(b->rect().center());
    xdo({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"),
         QStringLiteral("1")});
}

// A click through the X server on a tab of the window on top.
void clickTab(int index)
{
    QWidget *top = QApplication::activeModalWidget();
    auto *tabs = top ? top->findChild<QTabWidget *>() : nullptr;
    if (!tabs)
        return;
    QTabBar *bar = tabs->tabBar();
    const QPoint p = bar->mapToGlobal(bar->tabRect(index).center());
    xdo({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"),
         QStringLiteral("1")});
}

// A file to save is offered in the user's own folders, never in the working
// directory (which test 3 moves into the program's kdata folder).
QString offeredInUserFolder(QWidget *w)
{
    auto *files = qobject_cast<QFileDialog *>(w);
    if (!files)
        return QStringLiteral("no file dialog");
    const QString folder = files->directory().absolutePath();
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder == QDir::currentPath() || (folder != QDir::homePath() && folder != docs))
        return QStringLiteral("offered in %1 (working directory %2)").arg(folder, QDir::currentPath());
    return {};
}

bool pageShown(QWidget *top, const QString &caption)
{
    auto *tabs = top ? top->findChild<QTabWidget *>() : nullptr;
    return tabs && tabs->tabText(tabs->currentIndex()) == caption;
}

// Two measured series of test 1 and of test 3 for the active shooter, as an
// earlier session would have left them.
bool storeMeasurements()
{
    DataTable *reak = TData::instance()->reakTable();
    for (const double typ : {1.0, 3.0})
        for (int serie = 1; serie <= 2; ++serie)
            for (int k = 1; k <= 5; ++k)
                if (!(reak->append() && reak->setFieldValue(QStringLiteral("Datum"), QDate(2026, 12, 1))
                      && reak->setFieldValue(QStringLiteral("Zeit"), QTime(18, 30, typ == 1.0 ? 0 : 30))
                      && reak->setFieldValue(QStringLiteral("MessTyp"), typ)
                      && reak->setFieldValue(QStringLiteral("Serie"), double(serie))
                      && reak->setFieldValue(QStringLiteral("Scheibe"), double(k))
                      && reak->setFieldValue(QStringLiteral("ReakZeit"), double(230 + 10 * k + serie))
                      && reak->setFieldValue(QStringLiteral("Status"), QStringLiteral("x"))
                      && reak->setFieldValue(QStringLiteral("Fehler"), typ == 1.0 ? QStringLiteral("-") : QStringLiteral(" 1"))
                      && reak->post()))
                    return false;
    return reak->applyUpdates();
}

void type(const QString &text) { xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), text}); }

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir src(from);
    for (const QFileInfo &fi : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir())
            copyTree(fi.filePath(), QDir(to).filePath(fi.fileName()));
        else if (!fi.isExecutable())
            QFile::copy(fi.filePath(), QDir(to).filePath(fi.fileName()));
    }
}

// The size each window had when its native window was made: a window made at
// a widget's default 100 x 30 and resized only before it is mapped shows that
// size to everyone who looks early (xdotool, a window manager).
class CreationWatcher : public QObject
{
public:
    QHash<const QWidget *, QSize> made;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WinIdChange) {
            auto *w = qobject_cast<QWidget *>(watched);
            if (w && w->isWindow() && w->internalWinId())   // made (again: a new box at the same address)
                made.insert(w, w->size());
        }
        return false;
    }
};

// Letter keys released in the program's windows: once the release of the
// last key sent has come, its press has been handled.
class LetterReleases : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyRelease && event->spontaneous()) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (!key->isAutoRepeat() && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z)
                ++count;
        }
        return false;
    }
};

// The run of the test window on top, and its rows so far.
ReactionRun *runOf(QWidget *w)
{
    auto *window = qobject_cast<ReactionTestWindow *>(w);
    return window ? &window->run() : nullptr;
}
int rowsOf(QWidget *w)
{
    auto *window = qobject_cast<ReactionTestWindow *>(w);
    return window ? window->resultWindow()->rowList()->topLevelItemCount() : -1;
}

// One step: what the user does, and the caption of the window that must then
// be on top (empty: no modal window, back in the main window).
struct Step
{
    QString what;
    std::function<void()> act;
    QString expect;
    bool check = true;
    // More than the caption when the window stays the same (a page shown).
    std::function<bool(QWidget *)> ready = {};
    // A fault of the settled window, or empty.
    std::function<QString(QWidget *)> verify = {};
    // How long the window may take to come (a run of test 1 takes its time).
    int timeoutMs = 10000;
};

// Runs the steps from a timer, so that it goes on inside the dialogs' own
// modal loops.
class Driver : public QObject
{
public:
    QList<Step> steps;
    QStringList failures;
    QStringList seen;
    bool done = false;
    const CreationWatcher *created = nullptr;

    void start()
    {
        connect(&m_timer, &QTimer::timeout, this, &Driver::poll);
        m_timer.start(40);
    }

private:
    void poll()
    {
        if (done || m_busy)
            return;
        m_busy = true;
        if (m_finishing) {
            closeLeftovers();
        } else if (!m_waiting) {
            if (++m_index >= steps.size()) {
                finish();
            } else {
                m_waiting = true;
                m_stable = 0;
                m_since.restart();
                steps[m_index].act();
            }
        } else {
            waitForWindow();
        }
        m_busy = false;
    }

    void waitForWindow()
    {
        const Step &step = steps.at(m_index);
        QWidget *top = QApplication::activeModalWidget();
        // Back in the main window: no modal window, and it has the focus again.
        const bool there = step.expect.isEmpty()
                               ? top == nullptr && qobject_cast<MainWindow *>(QApplication::activeWindow())
                               : top && top->windowTitle() == step.expect && top->windowHandle()
                                     && top->windowHandle()->isExposed() && QApplication::activeWindow() == top
                                     && (!step.ready || step.ready(top));
        if (there && ++m_stable >= 3) {   // settled for a few polls
            if (step.check && top) {
                checkWindow(step, top);
            } else if (step.verify) {
                const QString fault = step.verify(top);
                if (!fault.isEmpty())
                    failures << step.what + QStringLiteral(": ") + fault;
            }
            m_waiting = false;
            return;
        }
        if (!there)
            m_stable = 0;
        if (m_since.elapsed() > step.timeoutMs) {
            failures << QStringLiteral("%1: expected \"%2\" on top, found \"%3\"")
                            .arg(step.what, step.expect,
                                 top                             ? top->windowTitle()
                                 : QApplication::activeWindow() ? QStringLiteral("(main window)")
                                                                : QStringLiteral("(no active window)"));
            qWarning("%s", qPrintable(failures.last()));
            finish();
        }
    }

    void checkWindow(const Step &step, QWidget *w)
    {
        const QString id = QString::number(w->winId());
        const QString xName = xdo({QStringLiteral("getwindowname"), id});
        QMap<QString, int> g;
        for (const QString &line : xdo({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id}).split(u'\n')) {
            const int eq = line.indexOf(u'=');
            if (eq > 0)
                g.insert(line.left(eq), line.mid(eq + 1).toInt());
        }
        const QRect xGeometry(g.value(QStringLiteral("X")), g.value(QStringLiteral("Y")), g.value(QStringLiteral("WIDTH")),
                              g.value(QStringLiteral("HEIGHT")));
        const QSize hint = w->sizeHint();
        const QRect screen = w->screen()->geometry();
        QWidget *focus = QApplication::focusWidget();
        seen << QStringLiteral("%1: \"%2\" %3x%4 (hint %5x%6) at %7,%8 focus %9")
                    .arg(step.what, xName)
                    .arg(xGeometry.width())
                    .arg(xGeometry.height())
                    .arg(hint.width())
                    .arg(hint.height())
                    .arg(xGeometry.x())
                    .arg(xGeometry.y())
                    .arg(focus ? focus->objectName() + u'/' + QString::fromLatin1(focus->metaObject()->className()) : QStringLiteral("-"));
        if (auto *box = qobject_cast<QMessageBox *>(w))
            seen.last() += QStringLiteral(": ") + box->text().simplified();
        qInfo("%s", qPrintable(seen.last()));
        if (step.verify) {
            const QString fault = step.verify(w);
            if (!fault.isEmpty())
                failures << step.what + QStringLiteral(": ") + fault;
        }
        // Qt's own dialogs speak German too.
        static const QStringList english{QStringLiteral("Cancel"), QStringLiteral("Save"), QStringLiteral("Print"),
                                         QStringLiteral("Open"), QStringLiteral("Close"), QStringLiteral("Yes"),
                                         QStringLiteral("No"), QStringLiteral("Properties"), QStringLiteral("Options >>"),
                                         QStringLiteral("Apply"), QStringLiteral("Help")};
        for (const QAbstractButton *b : w->findChildren<QAbstractButton *>())
            if (b->isVisible() && english.contains(QString(b->text()).remove(u'&')))
                failures << QStringLiteral("%1: English button \"%2\"").arg(step.what, b->text());
        if (xName != step.expect)
            failures << QStringLiteral("%1: caption \"%2\", expected \"%3\"").arg(step.what, xName, step.expect);
        if (xGeometry.width() < hint.width() || xGeometry.height() < hint.height())
            failures << QStringLiteral("%1: %2x%3 is smaller than its size hint %4x%5")
                            .arg(step.what)
                            .arg(xGeometry.width())
                            .arg(xGeometry.height())
                            .arg(hint.width())
                            .arg(hint.height());
        const QSize made = created ? created->made.value(w) : QSize();
        if (made.isValid() && made != xGeometry.size())
            failures << QStringLiteral("%1: made at %2x%3, shown at %4x%5")
                            .arg(step.what)
                            .arg(made.width())
                            .arg(made.height())
                            .arg(xGeometry.width())
                            .arg(xGeometry.height());
        if (!screen.contains(xGeometry))
            failures << QStringLiteral("%1: %2,%3 %4x%5 is not on the screen")
                            .arg(step.what)
                            .arg(xGeometry.x())
                            .arg(xGeometry.y())
                            .arg(xGeometry.width())
                            .arg(xGeometry.height());
    }

    void finish()
    {
        m_finishing = true;
        m_waiting = false;
    }

    // Whatever is still open goes, one window per poll, so the test never hangs.
    void closeLeftovers()
    {
        if (QWidget *top = QApplication::activeModalWidget()) {
            if (auto *dialog = qobject_cast<QDialog *>(top))
                dialog->reject();
            else
                top->close();
            return;
        }
        done = true;
        m_timer.stop();
    }

    QTimer m_timer;
    QElapsedTimer m_since;
    int m_index = -1;
    int m_stable = 0;
    bool m_waiting = false;
    bool m_busy = false;
    bool m_finishing = false;
};

} // namespace

class DesktopSmokeTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a real X server (QT_QPA_PLATFORM=xcb)");
    }

    void everyDialogByItsKeys()
    {
        Sandbox box;
        copyTree(QStringLiteral(VR_STAGE_DIR), box.programDir());
        QVERIFY(QFileInfo::exists(ProgramPaths::configIni()));
        {
            RegistryIni reg(RegistryKeys::Main);   // no device: the ports lead nowhere
            reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM1"), box.path(QStringLiteral("no-port-1")));
            reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), box.path(QStringLiteral("no-port-2")));
        }
        auto &app = static_cast<QApplication &>(*QCoreApplication::instance());
        CreationWatcher watcher;
        app.installEventFilter(&watcher);
        ProgramSession session(app);
        MainWindow &main = session.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QCOMPARE(xdo({QStringLiteral("getwindowname"), QString::number(main.winId())}), QStringLiteral("Vantrel Reaktion 1.1"));

        const auto press = [](QStringList k) { return [k] { keys(k); }; };
        const auto click = [&main](const char *button) {
            return [&main, button] {
                VR_CHILD(b, QPushButton, main, QString::fromLatin1(button));
                const QPoint p = b->mapToGlobal(b->rect().center());
                xdo({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"),
                     QStringLiteral("1")});
            };
        };
        const QString esc = QStringLiteral("Escape");
        LetterReleases letters;
        app.installEventFilter(&letters);
        int lettersBefore = 0;
        const auto keysCounted = [&letters, &lettersBefore](QStringList k) {
            return [&letters, &lettersBefore, k] {
                lettersBefore = letters.count;
                keys(k);
            };
        };
        const QString unsaved = QStringLiteral("Die Ergebnisse sind noch nicht gespeichert. Jetzt speichern?");
        const auto asksToSave = [unsaved](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            // The message service breaks long lines at their spaces.
            return box && box->text().simplified() == unsaved ? QString() : QStringLiteral("not the question whether to save");
        };
        Driver d;
        d.created = &watcher;
        d.steps = {
            {"Übersicht (Strg+U)", press({"ctrl+u"}), "Schützenverwaltung"},
            {"close overview", press({esc}), ""},
            {"Hinzufügen (F2)", press({"F2"}), "Daten hinzufügen"},
            {"Visier konfigurieren",
             [] {
                 type(QStringLiteral("Meyer"));
                 keys({QStringLiteral("Tab")});
                 type(QStringLiteral("Anna"));
                 clickOnTop(QStringLiteral("Visier_Button"));   // it has no access key
             },
             "Visierdaten"},
            {"store the sight profile", press({"alt+o"}), "Daten hinzufügen"},
            {"store the shooter",
             [] {
                 keys({QStringLiteral("alt+g")});
                 type(QStringLiteral("02.07.2005"));
                 keys({QStringLiteral("alt+s")});
                 type(QStringLiteral("SV Muster"));
                 keys({QStringLiteral("alt+o")});
             },
             ""},
            {"Auswählen (Strg+A)", press({"ctrl+a"}), "Schütze auswählen"},
            {"choose him", press({"Return"}), ""},
            {"Bearbeiten", press({"alt+s", "b"}), "Daten bearbeiten"},
            {"close edit", press({esc}), ""},
            {"Löschen", press({"alt+s", "l"}), "Bestätigen"},
            {"keep him", press({esc}), ""},
            {"Messung 1", press({"alt+m", "1"}), "Vorgaben"},
            {"test 1 window", press({"Return"}), "Einfachreaktionstest"},
            {"close test 1", press({esc}), ""},
            {"Messung 2", press({"alt+m", "2"}), "Vorgaben"},
            {"test 2 window", press({"Return"}), "Einfachreaktionstest"},
            {"close test 2", press({esc}), ""},
            {"quick-start test 1", click("Test1_Button"), "Vorgaben"},
            {"close setup 1", press({esc}), ""},
            {"quick-start test 2", click("Test2_Button"), "Vorgaben"},
            // Alt+D also reaches "aus &Datenbank": the button is clicked.
            {"sight view of setup 2", [] { clickOnTop(QStringLiteral("Visier_Button")); }, "Visieransicht"},
            {"close sight view", press({esc}), "Vorgaben"},
            {"close setup 2", press({esc}), ""},
            // A run of test 1 by the keys alone, with one series chosen as "frei".
            {"Messung 1 for a run", press({"alt+m", "1"}), "Vorgaben"},
            {"frei by the arrow keys", press({"alt+s", "Right", "Right", "Right"}), "Vorgaben", false,
             [](QWidget *w) {
                 auto *frei = w->findChild<QRadioButton *>(QStringLiteral("frei_RadioButton"));
                 return frei && frei->isChecked() && QApplication::focusWidget() == w->findChild<QLineEdit *>(QStringLiteral("Anz_Edit"));
             }},
            {"one series typed, Return",
             [] {
                 type(QStringLiteral("1"));
                 keys({QStringLiteral("Return")});
             },
             "Einfachreaktionstest", false, {},
             [](QWidget *) {
                 return RunSettings::instance().SerienAnzahl == 1 ? QString() : QStringLiteral("not one series");
             }},
            {"start the run", press({"Return"}), "Einfachreaktionstest", false,
             [](QWidget *w) {
                 ReactionRun *run = runOf(w);
                 return run && run->tickOn() && run->CycleRunning && !run->countingDown();
             }},
            {"Alt and Ctrl keys are no reaction", keysCounted({"alt+f", "ctrl+x", "ctrl+shift+y"}), "Einfachreaktionstest",
             false, [&letters, &lettersBefore](QWidget *) { return letters.count >= lettersBefore + 3; },
             [](QWidget *w) {
                 return rowsOf(w) == 0 && runOf(w)->Armed ? QString() : QStringLiteral("a key with Alt or Ctrl was taken");
             }},
            {"a plain key is a reaction", press({"x"}), "Einfachreaktionstest", false,
             [](QWidget *w) { return rowsOf(w) == 1; }},
            {"presentation 2", [] {}, "Einfachreaktionstest", false,
             [](QWidget *w) { return runOf(w)->TargetsDone == 1 && runOf(w)->Armed; }},
            {"a shifted key is a reaction", press({"shift+x"}), "Einfachreaktionstest", false,
             [](QWidget *w) { return rowsOf(w) == 2; }},
            {"the other presentations unanswered", [] {}, "Einfachreaktionstest", false,
             [](QWidget *w) { return runOf(w)->isComplete(); }, {}, 20000},
            {"Fertig by Alt+F", press({"alt+f"}), "Auswertung Einfachreaktion", true, {},
             [](QWidget *w) {
                 auto *rows = w->findChild<QTreeWidget *>(QStringLiteral("Erg_ListView"));
                 QStringList times;
                 for (int i = 0; rows && i < rows->topLevelItemCount(); ++i)
                     times << rows->topLevelItem(i)->text(2);
                 return times.size() == 5 && times.count(QStringLiteral("00")) == 3
                            ? QString()
                            : QStringLiteral("rows %1, expected two reactions and three time-outs").arg(times.join(u' '));
             }},
            {"Esc with unsaved results", press({esc}), "Bestätigen", true, {}, asksToSave},
            {"Abbrechen keeps them", press({esc}), "Auswertung Einfachreaktion"},
            {"OK with unsaved results", press({"alt+o"}), "Bestätigen", true, {}, asksToSave},
            {"Nein drops them", press({"alt+n"}), "", false, {},
             [](QWidget *) {
                 return TData::instance()->reakTable()->recordCount() == 0 ? QString()
                                                                          : QStringLiteral("the dropped run was stored");
             }},
            // Without a shooting system test 3 cannot start: "keine", OK disabled, Return does nothing.
            {"Messung 3 without shooting systems",
             [&box] {
                 QDir(box.programDir()).rename(QStringLiteral("sdata"), QStringLiteral("sdata.weg"));
                 keys({QStringLiteral("alt+m"), QStringLiteral("3")});
             },
             "Vorgaben", true,
             [](QWidget *w) {
                 auto *ok = w->findChild<QPushButton *>(QStringLiteral("OK_Button"));
                 auto *none = w->findChild<QRadioButton *>(QStringLiteral("rb_keine"));
                 return ok && !ok->isEnabled() && none && none->isChecked();
             }},
            {"Return with OK disabled", press({"Return"}), "Vorgaben", false},
            {"close setup 3 without shooting systems",
             [&box, &d] {
                 QWidget *top = QApplication::activeModalWidget();
                 if (!top || top->windowTitle() != QLatin1String("Vorgaben"))
                     d.failures << QStringLiteral("Return left the test 3 setup without a shooting system");
                 keys({QStringLiteral("Escape")});
                 QDir(box.programDir()).rename(QStringLiteral("sdata.weg"), QStringLiteral("sdata"));
             },
             ""},
            {"Messung 3", press({"alt+m", "3"}), "Vorgaben", true,
             [](QWidget *w) {
                 auto *ok = w->findChild<QPushButton *>(QStringLiteral("OK_Button"));
                 return ok && ok->isEnabled();
             }},
            {"test 3 window", press({"Return"}), "Einfachreaktionstest (Individualkurven)"},
            {"close test 3", press({esc}), ""},
            {"wiederholen (Strg+F3)", press({"ctrl+F3"}), "Einfachreaktionstest (Individualkurven)"},
            {"close repeated test 3", press({esc}), ""},
            {"quick-start test 3", click("Test3_Button"), "Vorgaben"},
            {"close setup 3", press({esc}), ""},
            {"Einstellungen", press({"alt+e"}), "Einstellungen"},
            {"device pages (Strg+Umschalt+S)", press({"ctrl+shift+s"}), "Einstellungen", true,
             [](QWidget *w) {
                 auto *tabs = w->findChild<QTabWidget *>();
                 return tabs && tabs->isTabVisible(1) && tabs->isTabVisible(2) && tabs->isTabVisible(3);
             }},
            {"page Controller", [] { clickTab(1); }, "Einstellungen", true,
             [](QWidget *w) { return pageShown(w, QStringLiteral("Controller")); }},
            {"device test without device", [] { clickOnTop(QStringLiteral("Geraetetest_Button")); }, "Information"},
            {"switch the device off and on", press({esc}), "Fehler"},
            {"close the device message", press({esc}), "Einstellungen"},
            {"page Kraftsensor", [] { clickTab(2); }, "Einstellungen", true,
             [](QWidget *w) { return pageShown(w, QStringLiteral("Kraftsensor")); }},
            {"force test without device", press({"alt+s"}), "Fehler"},
            {"close the force test message", press({esc}), "Einstellungen"},
            {"page Schußsensor", [] { clickTab(3); }, "Einstellungen", true,
             [](QWidget *w) { return pageShown(w, QStringLiteral("Schußsensor")); }},
            {"page Information", [] { clickTab(4); }, "Einstellungen", true,
             [](QWidget *w) { return pageShown(w, QStringLiteral("Information")); }},
            {"close settings", press({esc}), ""},
            {"Auswertung without measurements", press({"alt+a"}), "Auswertung"},
            {"print test 1 without measurements", press({"alt+m", "d", "1"}), "Fehler"},
            {"close the message", press({esc}), "Auswertung"},
            {"close Auswertung", press({esc}), ""},
            {"Daten exportieren without measurements", press({"alt+p", "e"}), "Fehler"},
            {"close the export message", press({esc}), ""},
            {"measurements of an earlier session", [&d] {
                 if (!storeMeasurements())
                     d.failures << QStringLiteral("measurements not stored: ") + TData::instance()->reakTable()->errorText();
             },
             "", false},
            {"Auswertung", press({"alt+a"}), "Auswertung"},
            {"print test 3", press({"alt+m", "d", "3"}), "Drucken"},
            {"print dialog cancelled", press({esc}), "Auswertung"},
            {"preview of test 3", press({"alt+m", "s", "3"}), QStringLiteral("Seitenansicht – Individualkurventest")},
            {"close the preview", press({esc}), "Auswertung"},
            {"CSV of the shown page", press({"alt+m", "e"}), "Als CSV exportieren", true, {}, offeredInUserFolder},
            {"no CSV", press({esc}), "Auswertung"},
            {"close Auswertung with data", press({esc}), ""},
            {"Daten exportieren", press({"alt+p", "e"}), "Daten exportieren", true, {}, offeredInUserFolder},
            {"no export", press({esc}), ""},
            {"Offline (F6)", press({"F6"}), "Information"},
            {"close information", press({esc}), ""},
            {"Online (F5) without device", press({"F5"}), "Fehler"},
            {"close error", press({esc}), ""},
            {"Beenden (Strg+B)", press({"ctrl+b"}), "Bestätigen"},
            {"do not end", press({esc}), ""},
            // "&Inhalt" and "&Info..." share their key: the last item is chosen with the arrows.
            {"Info", press({"alt+x", "Right", "Up", "Return"}), "Über..."},
            {"close info", press({esc}), ""},
        };
        d.start();
        QTRY_VERIFY_WITH_TIMEOUT(d.done, 150000);

        app.removeEventFilter(&letters);
        ScriptedMessages answers;   // the backup question at the end
        main.close();
        QVERIFY2(d.failures.isEmpty(), qPrintable(d.failures.join(u'\n')));
    }
};

VR_TEST_CLASS(DesktopSmokeTest)
#include "desktop_smoke_test.moc"
