// The result windows of tests 1 to 3 never drop a run unasked: closing with
// unsaved rows (button, Esc, title bar) asks whether to save first.
#include "curves/curveresultwindow.h"
#include "reaction/staticresultwindow.h"
#include "reaction/randomresultwindow.h"
#include "shooters/activeshooter.h"
#include "store/storefixture.h"
#include "support/fakeclock.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <memory>

namespace {
const QString kQuestion = QStringLiteral("Die Ergebnisse sind noch nicht gespeichert. Jetzt speichern?");
const QString kNoShooter = QStringLiteral("\r\nDer aktive Schütze ist nicht in der Schützendatenbank vorhanden.\r\n"
                                          "Die Ergebnisse wurden nicht gespeichert.");

using Maker = std::function<ReactionResultWindow *()>;

void closeBy(ReactionResultWindow *w, const QString &how)
{
    if (how == QLatin1String("OK"))
        QTest::mouseClick(w->okButton(), Qt::LeftButton);
    else if (how == QLatin1String("Abbruch"))
        QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    else if (how == QLatin1String("Esc"))
        QTest::keyClick(w, Qt::Key_Escape);
    else if (how == QLatin1String("title bar"))
        w->close();
    else
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
}
} // namespace

Q_DECLARE_METATYPE(Maker)

class UnsavedResultsTest : public QObject
{
    Q_OBJECT
private slots:
    void closingAsksFirst_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("shooter");     // an active shooter to save to
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("stored");
        const Maker t1([] { return new StaticResultWindow; });
        const Maker t2([] { return new RandomResultWindow; });
        const Maker t3([] { return new CurveResultWindow; });
        const int ja = MessageService::Yes, nein = MessageService::No, abbrechen = MessageService::Cancel;
        QTest::addRow("test 1, OK, Nein drops") << t1 << "OK" << nein << true << true << true << 0;
        QTest::addRow("test 1, Abbruch, Abbrechen stays") << t1 << "Abbruch" << abbrechen << true << true << false << 0;
        QTest::addRow("test 1, Esc, Ja saves") << t1 << "Esc" << ja << true << true << true << 5;
        QTest::addRow("test 2, title bar, Abbrechen stays") << t2 << "title bar" << abbrechen << true << true << false << 0;
        QTest::addRow("test 2, OK, Ja saves") << t2 << "OK" << ja << true << true << true << 5;
        QTest::addRow("test 2, Ja but the save fails: stays") << t2 << "Abbruch" << ja << false << true << false << 0;
        QTest::addRow("test 3, Abbruch, Ja saves") << t3 << "Abbruch" << ja << true << true << true << 5;
        QTest::addRow("test 3, title bar, Nein drops") << t3 << "title bar" << nein << true << true << true << 0;
        QTest::addRow("test 3, Esc, Abbrechen stays") << t3 << "Esc" << abbrechen << true << true << false << 0;
        QTest::addRow("test 1, saved: no question") << t1 << "Speichern" << 0 << true << false << true << 5;
        QTest::addRow("test 3, saved: no question") << t3 << "Speichern" << 0 << true << false << true << 5;
    }

    void closingAsksFirst()
    {
        QFETCH(Maker, make);
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, shooter);
        QFETCH(bool, asked);
        QFETCH(bool, closed);
        QFETCH(int, stored);
        StoreFixture fx;
        FakeClock clock;
        ScriptedMessages messages;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(fx.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ActiveShooter::instance().active = shooter;
        MakeActiveShooter();

        std::unique_ptr<ReactionResultWindow> w(make());
        w->clearLists();
        for (int t = 1; t <= 5; ++t)
            w->appendRow(ResultRow{1, t, QString::number(200 + t), QStringLiteral("x"), QStringLiteral("-")});
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        if (answer)
            messages.answerNext(answer);
        closeBy(w.get(), how);
        QTRY_VERIFY_WITH_TIMEOUT(!w->isSaving(), 20000);   // a save runs on its own thread

        QCOMPARE(messages.count(kQuestion), asked ? 1 : 0);
        if (asked) {
            QCOMPARE(messages.shown().first().kind, MessageService::Kind::Confirmation);
            QCOMPARE(messages.shown().first().buttons,
                     int(MessageService::Yes | MessageService::No | MessageService::Cancel));
        }
        QCOMPARE(w->isVisible(), !closed);
        QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), stored);
        QCOMPARE(w->rowList()->topLevelItemCount(), 5);   // the rows stay shown
        if (!shooter)
            QCOMPARE(messages.count(kNoShooter), 1);

        if (!closed) {
            // Still there, still unsaved: the next close asks again; "Nein" drops.
            messages.clear();
            messages.answerNext(MessageService::No);
            QTest::mouseClick(w->okButton(), Qt::LeftButton);
            QCOMPARE(messages.count(kQuestion), 1);
            QVERIFY(!w->isVisible());
            QCOMPARE(w->result(), int(QDialog::Accepted));
            QCOMPARE(rowsInFile(fx.reakFile(), QStringLiteral("ReakData")), 0);
        }
    }
};

VR_TEST_CLASS(UnsavedResultsTest)
#include "unsavedresults_test.moc"
