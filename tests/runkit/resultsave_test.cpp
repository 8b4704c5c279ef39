// "&Speichern" of a result window stores the run on a thread of its own: the
// window stays usable and shows that it saves, cannot be closed meanwhile,
// and a silent club server ends the save within the time-out with the
// message of a lost connection, the rows kept for another try.
#include "runkit/resultwindow.h"
#include "shooters/activeshooter.h"
#include "shooters/shooterselectdialog.h"
#include "store/serverwatchdog.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

class Window : public ReactionResultWindow
{
public:
    Window()
        : ReactionResultWindow(1, QStringLiteral("ERA1F"), QStringLiteral("ERA1_Form"), nullptr)
    {
    }
};

// VR_STORE_KIND for the lifetime of a fixture made meanwhile.
struct StoreKind
{
    QByteArray old = qgetenv("VR_STORE_KIND");
    explicit StoreKind(bool server) { qputenv("VR_STORE_KIND", server ? "server" : "local"); }
    ~StoreKind() { qputenv("VR_STORE_KIND", old); }
};

const QString kServerGone = QStringLiteral("Die Verbindung zum Vereinsserver ist unterbrochen");

} // namespace

class ResultSaveTest : public QObject
{
    Q_OBJECT
private slots:
    void saveRunsBesideTheWindow_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<bool>("silent");   // the server's processes stopped during the first save
        QTest::newRow("local files") << false << false;
        QTest::newRow("club server") << true << false;
        QTest::newRow("club server silent") << true << true;
    }
    void saveRunsBesideTheWindow()
    {
        QFETCH(bool, server);
        QFETCH(bool, silent);
        StoreKind kind(server);
        StoreFixture fx;
        FakeClock clock;
        ScriptedMessages messages;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(fx.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        struct Restore
        {
            bool server;
            ~Restore()
            {
                if (server)
                    storeServer().resume();
                ServerWatchdog::setTimeoutMs(5000);
            }
        } restore{server};
        ServerWatchdog::setTimeoutMs(1000);
        if (silent)
            storeServer().pause();

        Window w;
        for (int t = 1; t <= 5; ++t)
            w.appendRow(ResultRow{1, t, QString::number(200 + t), QStringLiteral("x"), QStringLiteral("-")});
        w.show();
        QSignalSpy finished(&w, &ReactionResultWindow::saveFinished);
        QElapsedTimer elapsed;
        elapsed.start();
        QTest::mouseClick(w.saveButton(), Qt::LeftButton);
        QVERIFY(elapsed.elapsed() < 500);
        // Saving: no second save, no closing by any way.
        QVERIFY(w.isSaving());
        QVERIFY(!w.saveButton()->isEnabled() && !w.okButton()->isEnabled() && !w.cancelButton()->isEnabled());
        QTest::keyClick(&w, Qt::Key_Escape);
        w.close();
        QVERIFY(w.isVisible());
        QVERIFY(finished.wait(silent ? 4000 : 15000));
        QCOMPARE(finished.count(), 1);
        if (silent) {
            QVERIFY2(elapsed.elapsed() < 3500, qPrintable(QString::number(elapsed.elapsed())));
            QCOMPARE(finished.first().first().toBool(), false);
            QCOMPARE(messages.count(), 1);
            QVERIFY2(messages.lastText().contains(kServerGone), qPrintable(messages.lastText()));
            QVERIFY(w.isVisible());
            QCOMPARE(w.rowList()->topLevelItemCount(), 5);
            QVERIFY(w.saveButton()->isEnabled() && w.okButton()->isEnabled());
            storeServer().resume();
            QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), 0);
            finished.clear();
            QTest::mouseClick(w.saveButton(), Qt::LeftButton);
            QVERIFY(finished.wait(15000));
        }
        QCOMPARE(finished.last().first().toBool(), true);
        QVERIFY(!w.isVisible());
        QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), 5);
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 1);
        // The program's own tables read the new count.
        QVERIFY(LocateActiveShooter());
        QCOMPARE(fx.data->persTable()->fieldValue(QStringLiteral("Trainingsrunden")).toInt(), 1);
    }

    // The shooter of the run was deleted on another stand: the run goes to
    // the namesake made again, or to a shooter chosen then; never lost.
    void runOfADeletedShooterIsKept_data()
    {
        QTest::addColumn<bool>("namesake");   // made again under the same names
        QTest::addColumn<QString>("bookedTo");
        QTest::newRow("another shooter chosen") << false << "Neu";
        QTest::newRow("namesake made again") << true << "Meyer";
    }
    void runOfADeletedShooterIsKept()
    {
        QFETCH(bool, namesake);
        QFETCH(QString, bookedTo);
        StoreKind kind(false);
        StoreFixture fx;
        ScriptedMessages messages;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Neu"), QStringLiteral("Otto")));
        QVERIFY(fx.addShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(fx.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        bool ok = false;
        sqlOnFile(fx.persFile(), QStringLiteral("DELETE FROM PersData WHERE Name = 'Meyer'"), {}, &ok);
        QVERIFY(ok);
        if (namesake) {
            sqlOnFile(fx.persFile(), QStringLiteral("INSERT INTO PersData (Name, Vorname) VALUES ('Meyer', 'Anna')"), {}, &ok);
            QVERIFY(ok);
        }
        messages.answerNext(MessageService::Yes);
        // The shooter selection: "Neu" taken.
        QTimer pick;
        connect(&pick, &QTimer::timeout, [&] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                auto *select = qobject_cast<ShooterSelectDialog *>(top);
                if (!select || !select->isVisible())
                    continue;
                QVERIFY(fx.selectShooter(QStringLiteral("Neu"), QStringLiteral("Otto")));
                select->okClicked();
            }
        });
        pick.start(20);

        Window w;
        for (int t = 1; t <= 5; ++t)
            w.appendRow(ResultRow{1, t, QString::number(200 + t), QStringLiteral("x"), QStringLiteral("-")});
        w.show();
        QSignalSpy finished(&w, &ReactionResultWindow::saveFinished);
        QTest::mouseClick(w.saveButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty() && finished.last().first().toBool(), 15000);
        QVERIFY(!w.isVisible());
        QCOMPARE(sqlOnFile(fx.reakFile(), QStringLiteral("SELECT DISTINCT Name FROM ReakData")), QStringList{bookedTo});
        QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), 5);
        QCOMPARE(ActiveShooter::instance().Name, bookedTo);
    }
};

VR_TEST_CLASS(ResultSaveTest)
#include "resultsave_test.moc"
