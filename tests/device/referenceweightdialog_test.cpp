#include "device/referenceweightdialog.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// "Sensorkennlinie aufnehmen": the weight entry of the scale factor.
class ReferenceWeightDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void weightEntry()
    {
        int g = -1;
        QVERIFY(WeightFromEntry(QStringLiteral("250"), &g));
        QCOMPARE(g, 250);
        QVERIFY(WeightFromEntry(QStringLiteral("_5_"), &g));
        QCOMPARE(g, 5);
        QVERIFY(WeightFromEntry(QStringLiteral("0 7"), &g));
        QCOMPARE(g, 7);
        QVERIFY(!WeightFromEntry(QStringLiteral("   "), &g));
        QCOMPARE(g, 0);
        QVERIFY(!WeightFromEntry(QStringLiteral("000"), &g));
        QVERIFY(!WeightFromEntry(QString(), &g));
    }

    void weightDialogResults()
    {
        ScriptedMessages messages;
        ReferenceWeightDialog d;
        QCOMPARE(d.weightEdit()->inputMask(), QStringLiteral("000;_"));
        QCOMPARE(d.continueButton()->statusTip(), QStringLiteral("Fortfahren"));
        d.show();
        d.weightEdit()->setText(QStringLiteral("120"));
        d.continueButton()->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.weight(), 120);
        QCOMPARE(messages.count(), 0);

        // A wrong entry after a good one leaves no weight.
        d.show();
        d.weightEdit()->setText(QString());
        d.continueButton()->click();
        QCOMPARE(d.result(), ReferenceWeightDialog::AbortResult);
        QCOMPARE(messages.lastText(), QStringLiteral("Falsche Gewichtseingabe !"));
        QCOMPARE(d.weight(), 0);

        d.show();
        d.cancelButton()->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }

    void askWeight_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("grams");
        QTest::newRow("Weiter") << QStringLiteral("500") << true << 500;
        QTest::newRow("Weiter, wrong entry") << QStringLiteral("000") << true << 0;
        QTest::newRow("Abbruch") << QStringLiteral("500") << false << 0;
    }

    // What the calibration gets: the weight only after a good "&Weiter",
    // never the weight of an earlier opening.
    void askWeight()
    {
        QFETCH(QString, entry);
        QFETCH(bool, confirm);
        QFETCH(int, grams);
        ScriptedMessages messages;
        ReferenceWeightDialog d;
        auto answer = [&d](const QString &text, bool ok) {
            QTimer::singleShot(0, &d, [&d, text, ok] {
                d.weightEdit()->setText(text);
                (ok ? d.continueButton() : d.cancelButton())->click();
                if (d.isVisible())
                    d.done(QDialog::Rejected);
            });
        };
        answer(QStringLiteral("250"), true);
        QCOMPARE(d.askWeight(), 250);
        answer(entry, confirm);
        QCOMPARE(d.askWeight(), grams);
    }
};

VR_TEST_CLASS(ReferenceWeightDialogTest)
#include "referenceweightdialog_test.moc"
