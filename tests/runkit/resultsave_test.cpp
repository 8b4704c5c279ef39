// "&Speichern" of a result window stores the run on a thread of its own: the
// window stays usable and shows that it saves, cannot be closed meanwhile,
// and a silent club server ends the save within the time-out with the
// message of a lost connection, the rows kept for another try.
#include "runkit/resultwindow.h"
#include "shooters/activeshooter.h"
#include "store/serverwatchdog.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QElapsedTimer>
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
};

VR_TEST_CLASS(ResultSaveTest)
#include "resultsave_test.moc"
