// UI responsiveness: the program driven as a user drives it (menu items of the
// main window, buttons by their object names, keys) against the virtual
// trainer and a throw-away PostgreSQL server, with a heartbeat timer on the UI
// thread every 10 ms. Prints for each scenario the longest gap between two
// beats. Goal: no gap over 50 ms; the first fill of "Auswertung" under 150 ms.
//   vantrel-ui-bench [--import N]   (--import: rows of the stand imported, half of them shown in "Auswertung")
#include "benchoptions.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/statuspanels.h"
#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "platform/settingskeys.h"
#include "store/databasetarget.h"
#include "store/tableschema.h"
#include "store/tdata.h"
#include "support/pgcluster.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "trainer-sim/virtualtrainer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

namespace {

// ------------------------------------------------------------------ heartbeat

// A 10 ms timer on the UI thread; the longest gap between two beats since begin().
class Heartbeat
{
public:
    Heartbeat()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void begin()
    {
        m_last = m_clock.nsecsElapsed();
        m_longest = 0;
    }
    // The longest gap since begin(), the one still open included.
    double longestMs() const { return std::max(m_longest, m_clock.nsecsElapsed() - m_last) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

struct Figure
{
    QString name;
    double gapMs = -1;
    double limitMs = 50;
    QString note;
    bool skipped = false;
    bool completed = true;
    bool met() const { return !skipped && completed && gapMs >= 0 && gapMs < limitMs; }
};

Heartbeat *g_heart = nullptr;
QList<Figure> g_figures;
QStringList g_problems;   // of the scenario running now

void problem(const QString &what)
{
    g_problems << what;
    std::fprintf(stderr, "  %s\n", qPrintable(what));
}

// One measured span: heartbeat from begin() to end().
class Scenario
{
public:
    explicit Scenario(const QString &name, double limitMs = 50)
    {
        m_figure.name = name;
        m_figure.limitMs = limitMs;
        g_problems.clear();
        std::printf("%s ...\n", qPrintable(name));
        std::fflush(stdout);
        g_heart->begin();
    }
    ~Scenario()
    {
        if (!m_ended)
            end();
    }
    void note(const QString &text) { m_figure.note += (m_figure.note.isEmpty() ? QString() : QStringLiteral("; ")) + text; }
    void end()
    {
        m_ended = true;
        m_figure.gapMs = g_heart->longestMs();
        if (!g_problems.isEmpty()) {
            m_figure.completed = false;
            note(QStringLiteral("nicht abgeschlossen: ") + g_problems.join(QStringLiteral(", ")));
        }
        std::printf("  längste Lücke %.1f ms%s%s\n", m_figure.gapMs, m_figure.note.isEmpty() ? "" : "  ",
                    qPrintable(m_figure.note));
        std::fflush(stdout);
        g_figures << m_figure;
        g_problems.clear();
    }

private:
    Figure m_figure;
    bool m_ended = false;
};

void skipped(const QString &name, const QString &why, double limitMs = 50)
{
    Figure f;
    f.name = name;
    f.limitMs = limitMs;
    f.skipped = true;
    f.note = QStringLiteral("übersprungen: ") + why;
    std::printf("%s: %s\n", qPrintable(name), qPrintable(f.note));
    g_figures << f;
}

// ------------------------------------------------------------------ driving

// Runs the event loop until done() holds (true) or timeoutMs passed (false).
bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QElapsedTimer since;
    since.start();
    bool ok = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done()) {
            ok = true;
            loop.quit();
        } else if (since.elapsed() > timeoutMs) {
            loop.quit();
        }
    });
    poll.start();
    loop.exec();
    return ok;
}

void settle(int ms) { waitUntil([] { return false; }, ms); }

QWidget *shownWindow(const QString &objectName)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == objectName)
            return w;
    return nullptr;
}

std::function<QWidget *()> named(const QString &objectName)
{
    return [objectName] { return shownWindow(objectName); };
}

// Runs inside(window) once find() gives a shown window, while open() runs:
// a modal window keeps open() until it closes, so inside() runs in its loop;
// a window that does not block is waited for after open(). False when no
// window came within timeoutMs (an unexpected modal window is closed then).
bool whileShown(const std::function<QWidget *()> &find, const std::function<void(QWidget *)> &inside,
                const std::function<void()> &open, const QString &what, int timeoutMs = 10000)
{
    enum State { Waiting, Inside, Done, TimedOut };
    State state = Waiting;
    QTimer poll;
    poll.setInterval(5);
    QElapsedTimer since;
    since.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (state != Waiting)
            return;
        if (QWidget *w = find()) {
            state = Inside;
            poll.stop();
            inside(w);
            state = Done;
        } else if (since.elapsed() > timeoutMs) {
            state = TimedOut;
            poll.stop();
            QWidget *other = QApplication::activeModalWidget();
            problem(QStringLiteral("%1 nicht erschienen%2")
                        .arg(what, other ? QStringLiteral(" (offen: %1 \"%2\")").arg(other->objectName(), other->windowTitle())
                                         : QString()));
            if (auto *dialog = qobject_cast<QDialog *>(other))
                dialog->reject();
        }
    });
    poll.start();
    open();
    waitUntil([&] { return state == Done || state == TimedOut; }, 24 * 3600 * 1000);
    return state == Done;
}

template <typename T = QAbstractButton>
T *childOf(QWidget *parent, const QString &name)
{
    T *found = parent ? parent->findChild<T *>(name) : nullptr;
    if (!found)
        problem(QStringLiteral("kein %1 in %2").arg(name, parent ? parent->objectName() : QStringLiteral("nichts")));
    return found;
}

void click(QWidget *window, const QString &button)
{
    if (auto *b = childOf(window, button))
        QTest::mouseClick(b, Qt::LeftButton);
}

void triggerItem(QWidget *window, const QString &item)
{
    if (auto *a = childOf<QAction>(window, item))
        a->trigger();
}

void showTab(QWidget *window, const QString &caption)
{
    auto *tabs = childOf<QTabWidget>(window, QStringLiteral("PageControl"));
    if (!tabs)
        return;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i).remove(u'&') == caption) {
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(i).center());
            if (tabs->currentIndex() != i)
                problem(QStringLiteral("Seite %1 nicht gezeigt").arg(caption));
            return;
        }
    }
    problem(QStringLiteral("keine Seite %1").arg(caption));
}

QString labelText(QWidget *window, const QString &name)
{
    auto *label = window ? window->findChild<QLabel *>(name) : nullptr;
    return label ? label->text() : QString();
}

// A message box shown (and answered) since `from` whose text contains one of the words.
int shownSince(const ScriptedMessages &boxes, int from, const QStringList &words)
{
    for (int i = from; i < boxes.count(); ++i)
        for (const QString &w : words)
            if (boxes.shown().at(i).text.contains(w))
                return i;
    return -1;
}

// ------------------------------------------------------------------ data

const QString kShooter = QStringLiteral("Müller");
const QString kVorname = QStringLiteral("Jürgen");

// A stand's data folder with two shooters and rows results, half each.
bool makeStand(const QString &dir, int rows, QString *error)
{
    QDir().mkpath(dir);
    const QString connection = QStringLiteral("stand-") + QUuid::createUuid().toString();
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QDir(dir).filePath(QStringLiteral("PersData.sqlite")));
        ok = db.open();
        QSqlQuery q(db);
        const auto run = [&](const QString &sql, const QVariantList &binds = {}) {
            if (!ok)
                return;
            q.prepare(sql);
            for (const QVariant &b : binds)
                q.addBindValue(b);
            if (!q.exec()) {
                *error = sql + QStringLiteral(": ") + q.lastError().text();
                ok = false;
            }
        };
        run(QStringLiteral("ATTACH DATABASE ? AS vdata"), {QDir(dir).filePath(QStringLiteral("VData.sqlite"))});
        run(QStringLiteral("ATTACH DATABASE ? AS reakdata"), {QDir(dir).filePath(QStringLiteral("ReakData.sqlite"))});
        for (const TableSchema *s : TableSchema::all()) {
            run(s->createTableSql());
            run(s->createIndexSql());
        }
        const QStringList names{kShooter, QStringLiteral("Abel")};
        for (const QString &name : names)
            run(QStringLiteral("INSERT INTO PersData (Name, Vorname, Sportverein, Trainingsrunden) VALUES (?, ?, 'SV', 4)"),
                {name, kVorname});
        ok = ok && db.transaction();
        for (const QString &name : names) {
            for (int i = 0; ok && i < rows / 2; ++i) {
                const int measurement = i / 25;   // five series of five targets
                run(QStringLiteral("INSERT INTO reakdata.ReakData (Name, Vorname, Datum, Zeit, MessTyp, Serie, Scheibe, "
                                   "ReakZeit, Status, Fehler) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, '-')"),
                    {name, kVorname, TableSchema::dateText(QDate(2020, 1, 1).addDays(measurement / 4)),
                     TableSchema::timeText(QTime(8, 0).addSecs((measurement % 4) * 3600)), double(1 + measurement % 3),
                     double(1 + (i / 5) % 5), double(1 + i % 5), double(200 + (i * 37) % 300),
                     i % 7 == 0 ? QStringLiteral("o") : QStringLiteral("x")});
            }
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &fi : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (fi.isDir())
            copyTree(fi.filePath(), QDir(to).filePath(fi.fileName()));
        else if (!fi.isExecutable())
            QFile::copy(fi.filePath(), QDir(to).filePath(fi.fileName()));
    }
}

void storeConfig(const QList<std::pair<QString, QString>> &values)
{
    RegistryIni reg(RegistryKeys::Main);
    for (const auto &[key, value] : values)
        reg.writeString(QStringLiteral("Config"), key, value);
}

// ------------------------------------------------------------------ server processes

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> out;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 child = entry.toLongLong(&number);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest.at(1).toLongLong() == pid)
            out << child;
    }
    return out;
}

// The postmaster started with "port=<port>" and its children.
QList<qint64> serverProcesses(int port)
{
    const QByteArray option = "port=" + QByteArray::number(port);
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!number || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = cmdline.readAll().split('\0');
        if (!args.isEmpty() && args.first().endsWith("/postgres") && args.contains(option))
            return QList<qint64>{pid} + childrenOf(pid);
    }
    return {};
}

void signalAll(const QList<qint64> &pids, int sig)
{
    for (qint64 pid : pids)
        ::kill(pid_t(pid), sig);
}

// ------------------------------------------------------------------ scenarios

struct Program
{
    MainWindow *main = nullptr;
    ScriptedMessages *boxes = nullptr;
    VirtualTrainer *trainer = nullptr;
    QString stand;   // data folder of another stand
};

QString modePanel(const Program &p) { return p.main->statusPanels()->panelText(3); }

void connectTrainer(Program &p)
{
    Scenario s(QStringLiteral("Verbindung zum Trainer (Online)"));
    triggerItem(p.main, QStringLiteral("Online_Item"));
    if (!waitUntil([&] { return modePanel(p) == QLatin1String("Modus : Online"); }, 15000))
        problem(QStringLiteral("nicht online: ") + modePanel(p) + u' ' + p.boxes->lastText().simplified());
}

void batteryWindow(Program &p)
{
    Scenario s(QStringLiteral("Akku Ladestand"));
    whileShown(
        named(QStringLiteral("Akku_Form")),
        [&](QWidget *w) {
            // The placeholder "10h" gives way to the hours the trainer reports.
            if (!waitUntil([&] { return labelText(w, QStringLiteral("Hours_Label")).endsWith(QLatin1String(" h")); }, 10000))
                problem(QStringLiteral("keine Betriebsdauer: ") + labelText(w, QStringLiteral("Hours_Label")));
            click(w, QStringLiteral("OK_Button"));
            waitUntil([&] { return !w->isVisible(); }, 5000);
        },
        [&] { triggerItem(p.main, QStringLiteral("Akku_Item")); }, QStringLiteral("Akku_Form"));
}

// The settings dialog with its device pages shown and page `page` on top.
void inDevicePage(Program &p, const QString &page, const std::function<void(QWidget *)> &inside)
{
    whileShown(
        named(QStringLiteral("Config_Form")),
        [&](QWidget *w) {
            // Its shortcuts (Strg+Umschalt+S, F10, F11) reach the active window only.
            w->activateWindow();
            if (!waitUntil([&] { return w->isActiveWindow(); }, 5000))
                problem(QStringLiteral("Einstellungen nicht aktiv"));
            QTest::keyClick(w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
            showTab(w, page);
            inside(w);
            click(w, QStringLiteral("Cancel_Button"));
            if (!waitUntil([&] { return !w->isVisible(); }, 10000)) {
                problem(QStringLiteral("Einstellungen bleiben offen"));
                static_cast<QDialog *>(w)->reject();
            }
        },
        [&] { triggerItem(p.main, QStringLiteral("Einstellungen_Item")); }, QStringLiteral("Config_Form"));
}

// Waits for the message box that ends a device function; false (and a problem) when none came.
bool waitForOutcome(Program &p, int from, const QStringList &words, const QString &what, int timeoutMs,
                    Scenario *s = nullptr)
{
    if (waitUntil([&] { return shownSince(*p.boxes, from, words) >= 0; }, timeoutMs)) {
        if (s)
            s->note(p.boxes->shown().at(shownSince(*p.boxes, from, words)).text.simplified());
        return true;
    }
    problem(what + QStringLiteral(" ohne Ergebnis: ") + p.boxes->lastText().simplified());
    return false;
}

void zeroPointAndScale(Program &p)
{
    Scenario s(QStringLiteral("Nullpunkt und Kennlinie (Kraftsensor)"));
    const QStringList failed{QStringLiteral("nicht geändert"), QStringLiteral("verloren"), QStringLiteral("antwortet nicht"),
                             QStringLiteral("Fehler")};
    inDevicePage(p, QStringLiteral("Kraftsensor"), [&](QWidget *w) {
        p.trainer->setLoad(0);
        int from = p.boxes->count();
        triggerItem(w, QStringLiteral("Nullpunkt_Item"));   // its question is answered with OK
        waitForOutcome(p, from, QStringList{QStringLiteral("Nullpunkt wurde")} + failed, QStringLiteral("Nullpunkt"), 30000, &s);

        p.trainer->setLoad(500);
        from = p.boxes->count();
        whileShown(
            named(QStringLiteral("SKL_Form")),
            [&](QWidget *weight) {
                if (auto *edit = childOf<QLineEdit>(weight, QStringLiteral("Gewicht_Edit"))) {
                    edit->selectAll();
                    QTest::keyClicks(edit, QStringLiteral("500"));
                }
                click(weight, QStringLiteral("Weiter_Button"));
            },
            [&] { triggerItem(w, QStringLiteral("Kennlinie_Item")); }, QStringLiteral("SKL_Form"));
        waitForOutcome(p, from, QStringList{QStringLiteral("Skalierungsfaktor wurde")} + failed, QStringLiteral("Kennlinie"),
                       30000, &s);
        p.trainer->setLoad(0);
    });
}

void captures(Program &p)
{
    Scenario s(QStringLiteral("Aufzeichnungen F10/F11"));
    inDevicePage(p, QStringLiteral("Kraftsensor"), [&](QWidget *w) {
        for (const auto &[key, done] : {std::pair{Qt::Key_F10, QStringLiteral("Debug beendet.")},
                                        std::pair{Qt::Key_F11, QStringLiteral("Debug 1 beendet.")}}) {
            const int from = p.boxes->count();
            QTest::keyClick(w, key);
            if (!waitUntil([&, done = done] { return labelText(w, QStringLiteral("TestStatus_Label")) == done; }, 30000))
                problem(QStringLiteral("%1 nicht beendet: %2").arg(done, labelText(w, QStringLiteral("TestStatus_Label"))));
            for (int i = from; i < p.boxes->count(); ++i)
                s.note(p.boxes->shown().at(i).text.simplified());
        }
    });
}

void silentTrainer(Program &p)
{
    const TrainerConfig before = p.trainer->config();
    TrainerConfig silent = before;
    silent.fault = TrainerFault::Silent;
    p.trainer->setConfig(silent);
    {
        Scenario s(QStringLiteral("Trainer verstummt (Akku Ladestand)"));
        const int from = p.boxes->count();
        whileShown(
            named(QStringLiteral("Akku_Form")),
            [&](QWidget *w) {
                if (!waitUntil([&] { return modePanel(p) == QLatin1String("Modus : Offline"); }, 20000))
                    problem(QStringLiteral("Verbindungsverlust nicht erkannt"));
                waitForOutcome(p, from, {QStringLiteral("Verbindung zum Gerät verloren")}, QStringLiteral("Meldung"), 5000, &s);
                click(w, QStringLiteral("OK_Button"));
                waitUntil([&] { return !w->isVisible(); }, 5000);
            },
            [&] { triggerItem(p.main, QStringLiteral("Akku_Item")); }, QStringLiteral("Akku_Form"));
    }
    p.trainer->setConfig(before);
    triggerItem(p.main, QStringLiteral("Online_Item"));
    waitUntil([&] { return modePanel(p) == QLatin1String("Modus : Online"); }, 15000);
    g_problems.clear();
}

void importStand(Program &p, int rows)
{
    Scenario s(QStringLiteral("Daten importieren (%1 Zeilen)").arg(rows));
    const int from = p.boxes->count();
    whileShown(
        [] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible() && qobject_cast<QFileDialog *>(w))
                    return w;
            return static_cast<QWidget *>(nullptr);
        },
        [&](QWidget *w) {
            auto *dialog = static_cast<QFileDialog *>(w);
            dialog->setDirectory(p.stand);
            dialog->selectFile(p.stand);
            static_cast<QDialog *>(dialog)->accept();
        },
        [&] { triggerItem(p.main, QStringLiteral("Import_Item")); }, QStringLiteral("Ordnerauswahl"));
    waitForOutcome(p, from, {QStringLiteral("Daten importiert"), QStringLiteral("\r\n")}, QStringLiteral("Import"), 120000,
                   &s);
}

// "Schütze auswählen" with the shooter of that name (not measured).
void selectShooter(Program &p, const QString &name)
{
    whileShown(
        named(QStringLiteral("PersSel_Form")),
        [&](QWidget *w) {
            auto *list = childOf<QTableView>(w, QStringLiteral("Pers_List"));
            if (!list)
                return;
            const QAbstractItemModel *model = list->model();
            for (int row = 0; model && row < model->rowCount(); ++row) {
                for (int col = 0; col < model->columnCount(); ++col) {
                    if (model->index(row, col).data().toString() == name) {
                        const QModelIndex at = model->index(row, col);
                        list->scrollTo(at);
                        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(at).center());
                        click(w, QStringLiteral("OK_Button"));
                        return;
                    }
                }
            }
            problem(QStringLiteral("Schütze %1 nicht in der Liste").arg(name));
            click(w, QStringLiteral("Cancel_Button"));
        },
        [&] { triggerItem(p.main, QStringLiteral("Auswaehlen_Item")); }, QStringLiteral("PersSel_Form"));
}

void typeInto(QWidget *window, const QString &name, const QString &text)
{
    if (auto *edit = childOf<QLineEdit>(window, name)) {
        edit->setFocus();
        edit->selectAll();
        bool ascii = true;
        for (const QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            QTest::keyClicks(edit, text);
        else
            edit->insert(text);   // QTest types ASCII only
    }
}

// A new shooter through "Hinzufügen" (F2), not measured; false when the dialog is still open.
bool addShooter(Program &p, const QString &name, const QString &vorname)
{
    bool closed = false;
    whileShown(
        named(QStringLiteral("PersNeu_Form")),
        [&](QWidget *w) {
            typeInto(w, QStringLiteral("Name_Edit"), name);
            typeInto(w, QStringLiteral("Vorname_Edit"), vorname);
            typeInto(w, QStringLiteral("Geburtsdatum_Picker"), QStringLiteral("02.07.2005"));
            if (auto *club = childOf<QComboBox>(w, QStringLiteral("Sportverein_ComboBox")))
                if (QLineEdit *edit = club->lineEdit())
                    QTest::keyClicks(edit, QStringLiteral("SV Muster"));
            click(w, QStringLiteral("OK_Button"));
            closed = waitUntil([&] { return !w->isVisible(); }, 30000);
            if (!closed)
                static_cast<QDialog *>(w)->reject();
        },
        [&] { triggerItem(p.main, QStringLiteral("Hinzufuegen_Item")); }, QStringLiteral("PersNeu_Form"));
    return closed;
}

// "Messung 1": its setup with the series count (0: the default five) and
// "Scheibenabstand", then inRun in the test window.
void test1(Program &p, int series, int spacing, const std::function<void(QWidget *)> &inRun)
{
    whileShown(named(QStringLiteral("ER1_Form")), inRun,
               [&] {
                   whileShown(
                       named(QStringLiteral("ERSetup1_Form")),
                       [&](QWidget *setup) {
                           if (series > 0) {
                               click(setup, QStringLiteral("frei_RadioButton"));
                               if (auto *edit = childOf<QLineEdit>(setup, QStringLiteral("Anz_Edit"))) {
                                   edit->selectAll();
                                   QTest::keyClicks(edit, QString::number(series));
                               }
                           }
                           if (auto *spin = childOf<QSpinBox>(setup, QStringLiteral("Zeit_SpinEdit")))
                               spin->setValue(spacing);
                           click(setup, QStringLiteral("OK_Button"));
                       },
                       [&] { triggerItem(p.main, QStringLiteral("Test1_Item")); }, QStringLiteral("ERSetup1_Form"));
               },
               QStringLiteral("ER1_Form"), 20000);
}

// "&Abbruch" at each of the three lights of a countdown with "Scheibenabstand" 10.
void countdownAbort(Program &p)
{
    const int spacing = 10;
    for (int light = 0; light < 3; ++light) {
        Scenario s(QStringLiteral("Test 1: Abbruch bei Ampel %1 (Scheibenabstand %2)").arg(light + 1).arg(spacing));
        test1(p, 0, spacing, [&](QWidget *w) {
            const int pressAtMs = 500 + light * spacing * 1000;
            QElapsedTimer since;
            QTimer press;
            press.setSingleShot(true);
            press.setTimerType(Qt::PreciseTimer);
            QObject::connect(&press, &QTimer::timeout, [&] { click(w, QStringLiteral("Cancel_Button")); });
            since.start();
            press.start(pressAtMs);
            click(w, QStringLiteral("OK_Button"));   // "&Start"
            if (!waitUntil([&] { return !w->isVisible(); }, 3 * spacing * 1000 + 20000)) {
                problem(QStringLiteral("Fenster bleibt offen"));
                static_cast<QDialog *>(w)->reject();
            }
            s.note(QStringLiteral("\"&Abbruch\" bei %1 s, Fenster zu nach %2 ms")
                       .arg(pressAtMs / 1000.0, 0, 'f', 1)
                       .arg(since.elapsed() - pressAtMs));
        });
    }
}

// A run of test 1 (one series, "Scheibenabstand" 1), then "&Speichern" in
// its result window, measured from the click until the window has closed.
// beforeSave runs just before the click.
void runAndSave(Program &p, const QString &name, const std::function<void()> &beforeSave = {})
{
    std::unique_ptr<Scenario> s;
    test1(p, 1, 1, [&](QWidget *w) {
        click(w, QStringLiteral("OK_Button"));   // "&Start"
        auto *finish = w->findChild<QAbstractButton *>(QStringLiteral("Cancel_Button"));
        if (!waitUntil([&] { return finish && finish->text() == QLatin1String("&Fertig"); }, 60000))
            problem(QStringLiteral("Lauf nicht beendet"));
        whileShown(
            named(QStringLiteral("ERA1_Form")),
            [&](QWidget *result) {
                const int from = p.boxes->count();
                s = std::make_unique<Scenario>(name);
                if (beforeSave)
                    beforeSave();
                click(result, QStringLiteral("Save_Button"));
                waitUntil([&] { return !result->isVisible() || shownSince(*p.boxes, from, {QStringLiteral("\r\n")}) >= 0; },
                          120000);
                s->end();
                if (result->isVisible()) {
                    const int error = shownSince(*p.boxes, from, {QStringLiteral("\r\n")});
                    s->note(QStringLiteral("nicht gespeichert: ")
                            + (error >= 0 ? p.boxes->shown().at(error).text.simplified() : QStringLiteral("Fenster offen")));
                    p.boxes->answerNext(MessageService::No);   // the rows are dropped
                    click(result, QStringLiteral("Cancel_Button"));
                    waitUntil([&] { return !result->isVisible(); }, 60000);
                }
            },
            [&] { click(w, QStringLiteral("Cancel_Button")); }, QStringLiteral("ERA1_Form"));
        waitUntil([&] { return !w->isVisible(); }, 10000);
    });
    if (!s)
        skipped(name, QStringLiteral("kein Ergebnisfenster: ") + g_problems.join(QStringLiteral(", ")));
}

void evaluation(Program &p)
{
    auto fill = std::make_unique<Scenario>(QStringLiteral("Auswertung: erste Füllung"), 150);
    std::unique_ptr<Scenario> rest;
    whileShown(
        named(QStringLiteral("AW_Form")),
        [&](QWidget *w) {
            auto *grid = w->findChild<QTableView *>();
            if (!waitUntil([&] { return grid && grid->model() && grid->model()->rowCount() > 0; }, 20000))
                problem(QStringLiteral("keine Zeilen"));
            fill->note(QStringLiteral("%1 Zeilen angezeigt").arg(grid && grid->model() ? grid->model()->rowCount() : 0));
            fill->end();
            rest = std::make_unique<Scenario>(QStringLiteral("Auswertung: Seiten wechseln, schließen"));
            auto *tabs = childOf<QTabWidget>(w, QStringLiteral("PageControl"));
            for (int page : {1, 2, 0}) {
                if (tabs)
                    showTab(w, tabs->tabText(page).remove(u'&'));
                settle(200);
            }
            click(w, QStringLiteral("OK_Button"));
            waitUntil([&] { return !w->isVisible(); }, 10000);
        },
        [&] { triggerItem(p.main, QStringLiteral("Auswertung_Item")); }, QStringLiteral("AW_Form"));
}

// The program as started from its folder; ends it (with its backup question answered).
class Session
{
public:
    explicit Session(QApplication &app)
        : m_session(app)
    {
        MainWindow &main = m_session.mainWindow();
        main.activateWindow();
        waitUntil([&] { return main.isActiveWindow(); }, 5000);
        settle(200);
    }
    ~Session()
    {
        m_session.mainWindow().close();
        settle(100);
    }
    MainWindow &main() { return m_session.mainWindow(); }

private:
    ProgramSession m_session;
};

void printTable()
{
    std::printf("\n%-50s %14s %10s\n", "Szenario", "längste Lücke", "Ziel");
    QStringList failing;
    for (const Figure &f : std::as_const(g_figures)) {
        if (f.skipped)
            std::printf("%-50s %14s %7.0f ms  übersprungen\n", qPrintable(f.name), "-", f.limitMs);
        else
            std::printf("%-50s %11.1f ms %7.0f ms  %s\n", qPrintable(f.name), f.gapMs, f.limitMs,
                        f.met() ? "OK" : f.completed ? "ZU LANG" : "NICHT ABGESCHLOSSEN");
        if (!f.met())
            failing << f.name;
    }
    if (failing.isEmpty())
        std::printf("\nZiel erreicht\n");
    else
        std::printf("\nZiel nicht erreicht: %s\n", qPrintable(failing.join(QStringLiteral("; "))));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int importRows = BenchOption(app.arguments(), "--import", 100000, 100);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    Heartbeat heart;
    g_heart = &heart;
    heart.start();

    Sandbox box;
    copyTree(QStringLiteral(VR_STAGE_DIR), box.programDir());
    ScriptedMessages boxes;   // every box answered with its first of OK / Yes

    Program p;
    p.boxes = &boxes;
    p.stand = box.path(QStringLiteral("stand"));
    QString error;
    const bool standMade = makeStand(p.stand, importRows, &error);
    if (!standMade)
        std::fprintf(stderr, "Datenordner des Trainingsstands: %s\n", qPrintable(error));

    TrainerConfig config = TrainerConfig::defaults(2);
    config.forceModel = true;
    config.zero = 256;
    config.scale = 2.0;
    config.noise = 2;
    config.sampleIntervalMs = 2;
    VirtualTrainer trainer(config);
    p.trainer = &trainer;
    const bool trainerUp = trainer.open(box.path(QStringLiteral("com2"))) && trainer.startThread();
    {
        RegistryIni reg(RegistryKeys::Main);
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM1"), box.path(QStringLiteral("no-such-device")));
        reg.writeString(QStringLiteral("Ports"), QStringLiteral("COM2"), trainer.portPath());
    }
    storeConfig({{QStringLiteral("Offline"), QStringLiteral("1")}, {QStringLiteral("COM_Index"), QStringLiteral("1")},
                 {QStringLiteral("Controller"), QStringLiteral("1")}, {QStringLiteral("KS_Zero"), QStringLiteral("256")},
                 {QStringLiteral("KS_KL"), QStringLiteral("2,000")}, {QStringLiteral("Sound"), QStringLiteral("0")}});

    std::printf("UI-Benchmark: Herzschlag alle 10 ms auf dem UI-Thread (Ziel: keine Lücke über 50 ms)\n\n");
    {
        Session session(app);
        p.main = &session.main();
        const QStringList device{QStringLiteral("Verbindung zum Trainer (Online)"), QStringLiteral("Akku Ladestand"),
                                 QStringLiteral("Nullpunkt und Kennlinie (Kraftsensor)"), QStringLiteral("Aufzeichnungen F10/F11"),
                                 QStringLiteral("Trainer verstummt (Akku Ladestand)")};
        if (trainerUp) {
            connectTrainer(p);
            if (modePanel(p) == QLatin1String("Modus : Online")) {
                batteryWindow(p);
                zeroPointAndScale(p);
                captures(p);
                silentTrainer(p);
            } else {
                for (const QString &name : device.mid(1))
                    skipped(name, QStringLiteral("keine Verbindung zum virtuellen Trainer"));
            }
        } else {
            for (const QString &name : device)
                skipped(name, QStringLiteral("virtueller Trainer: ") + trainer.errorString());
        }

        if (standMade)
            importStand(p, importRows);
        else
            skipped(QStringLiteral("Daten importieren"), error);
        selectShooter(p, kShooter);
        countdownAbort(p);
        runAndSave(p, QStringLiteral("Speichern (SQLite)"));
        evaluation(p);
        p.main = nullptr;
    }
    ResetProgramState();
    MessageService::install(&boxes);
    trainer.close();

    // The club server: a second start of the program against it.
    PgCluster cluster;
    if (!cluster.start()) {
        skipped(QStringLiteral("Speichern (Vereinsserver)"), QStringLiteral("PostgreSQL-Testserver: ") + cluster.error());
        skipped(QStringLiteral("Speichern, Serverprozesse 8 s angehalten"), QStringLiteral("PostgreSQL-Testserver: ") + cluster.error());
    } else {
        storeConfig({{QStringLiteral("Offline"), QStringLiteral("1")}});
        DatabaseTarget::server(cluster.host(), cluster.port(), cluster.databaseName(), cluster.userName()).writeSettings();
        Session session(app);
        p.main = &session.main();
        const int from = boxes.count();
        if (!addShooter(p, kShooter, kVorname) || shownSince(boxes, from, {QStringLiteral("\r\n")}) >= 0) {
            const QString why = QStringLiteral("Schütze nicht angelegt: ") + g_problems.join(QStringLiteral(", ")) + u' '
                                + boxes.lastText().simplified();
            g_problems.clear();
            skipped(QStringLiteral("Speichern (Vereinsserver)"), why);
            skipped(QStringLiteral("Speichern, Serverprozesse 8 s angehalten"), why);
        } else {
            selectShooter(p, kShooter);
            runAndSave(p, QStringLiteral("Speichern (Vereinsserver)"));
            std::thread resume;
            runAndSave(p, QStringLiteral("Speichern, Serverprozesse 8 s angehalten"), [&] {
                const QList<qint64> pids = serverProcesses(cluster.port());
                if (pids.isEmpty()) {
                    problem(QStringLiteral("Serverprozesse nicht gefunden"));
                    return;
                }
                signalAll(pids, SIGSTOP);
                // From a thread of its own: the UI thread may be the one that waits.
                resume = std::thread([pids] {
                    std::this_thread::sleep_for(std::chrono::seconds(8));
                    signalAll(pids, SIGCONT);
                });
            });
            if (resume.joinable())
                resume.join();
        }
        p.main = nullptr;
    }

    printTable();
    bool met = !g_figures.isEmpty();
    for (const Figure &f : std::as_const(g_figures))
        met = met && f.met();
    return met ? 0 : 1;
}
