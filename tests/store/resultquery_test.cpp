#include "store/datatablemodel.h"
#include "store/resultquerymodel.h"
#include "store/tdata.h"
#include "support/testmain.h"
#include "storefixture.h"

#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

namespace {
const QString kSelect = QStringLiteral(
    "SELECT NAME,VORNAME,DATUM,ZEIT, MESSTYP, SERIE, SCHEIBE, ReakZeit, STATUS, FEHLER FROM REAKDATA "
    "WHERE MessTyp = :TYP AND NAME = :NAME AND VORNAME = :VORNAME ORDER BY DATUM DESC,ZEIT DESC,SERIE ASC,SCHEIBE ASC");
}

class ResultQueryTest : public QObject
{
    Q_OBJECT
private:
    // A failed step fails the test; the caller returns then.
    static void fill(StoreFixture &fx)
    {
        QVERIFY(fx.addShooter("O'Neil", "Ann"));
        QVERIFY(fx.addShooter("Meier", "Hans"));
        for (const QString &who : {QStringLiteral("O'Neil"), QStringLiteral("Meier")}) {
            QVERIFY(fx.selectShooter(who, who == "Meier" ? "Hans" : "Ann"));
            for (int s = 1; s <= 2; ++s)
                for (int k = 1; k <= 5; ++k) {
                    QVERIFY(fx.addReak(QDate(2024, 1, 1), QTime(9, 0, 0, 0), 1, s, k, 300 + k));
                    QVERIFY(fx.addReak(QDate(2024, 1, 5), QTime(9, 0, 0, 0), 1, s, k, 400 + k));
                    QVERIFY(fx.addReak(QDate(2024, 1, 5), QTime(9, 0, 0, 0), 2, s, k, 500 + k));
                }
        }
        QVERIFY(fx.data->reakTable()->applyUpdates());
    }

private slots:
    void boundStatementGivesTheResultColumns()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        fill(fx);
        if (QTest::currentTestFailed())
            return;
        ResultQuery *q = fx.data->efrQuery();
        q->setStatement(kSelect);
        q->bindValue("TYP", 1);
        q->bindValue(":NAME", "O'Neil");
        q->bindValue("VORNAME", "Ann");
        QVERIFY2(q->open(), qPrintable(q->errorText()));
        QCOMPARE(q->columnNames(), (QStringList{"GRIDNR", "NAME", "VORNAME", "DATUM", "ZEIT", "MESSTYP", "SERIE", "SCHEIBE",
                                                "ReakZeit", "STATUS", "FEHLER", "MITTELWERT", "STDABW"}));
        QCOMPARE(q->recordCount(), 20);
        QVERIFY(q->bof() && !q->eof());
        QCOMPARE(q->value("gridnr"), QVariant(1));
        QCOMPARE(q->value("Datum"), QVariant(QDate(2024, 1, 5))); // newest first
        QCOMPARE(q->value("zeit"), QVariant(QTime(9, 0, 0, 0)));
        QCOMPARE(q->value("REAKZEIT"), QVariant(401.0));
        QCOMPARE(q->value("Name").toString(), QStringLiteral("O'Neil"));
        QVERIFY(!q->value("MITTELWERT").isValid()); // the statistics fill it: row 1 ends no series, no value
        QVERIFY(q->last() && q->eof());
        QCOMPARE(q->value("GRIDNR").toInt(), 20);
        QCOMPARE(q->value("DATUM"), QVariant(QDate(2024, 1, 1)));
        QCOMPARE(q->value("SERIE").toInt(), 2);
        QCOMPARE(q->value("SCHEIBE").toInt(), 5);

        q->bindValue("TYP", 3);
        QVERIFY(q->open());
        QVERIFY(q->isEmpty() && q->eof());
        QCOMPARE(q->recNo(), 0);

        // Values bound for an earlier statement do not disturb the next one.
        q->setStatement("SELECT COUNT(*) AS N FROM REAKDATA WHERE NAME = :NAME");
        QVERIFY2(q->open(), qPrintable(q->errorText()));
        QCOMPARE(q->value("n").toInt(), 30);
    }

    void hooksRunBeforeOpenAndOncePerRowInOrder()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        fill(fx);
        if (QTest::currentTestFailed())
            return;
        ResultQuery *q = fx.data->efrfQuery();
        QStringList calls;
        q->setBeforeOpen([&](ResultQuery &r) { calls << QStringLiteral("before:%1").arg(r.isOpen()); });
        q->setCalcFields([&](ResultQuery &r) {
            calls << QStringLiteral("%1/%2/%3")
                         .arg(r.recNo())
                         .arg(r.value("SERIE").toInt())
                         .arg(r.value("SCHEIBE").toInt());
            QVERIFY(r.setCalculated("MITTELWERT", r.recNo() % 5 == 0 ? 503.0 : 0.0));
            QVERIFY(r.setCalculated("stdabw", 1.5));
            QVERIFY(!r.setCalculated("ReakZeit", 1));
        });
        q->setStatement(kSelect);
        q->bindValue("TYP", 2);
        q->bindValue("NAME", "Meier");
        q->bindValue("VORNAME", "Hans");
        QVERIFY(q->open());
        QCOMPARE(calls.size(), 11);
        QCOMPARE(calls.first(), QStringLiteral("before:0"));
        QCOMPARE(calls.at(1), QStringLiteral("1/1/1"));
        QCOMPARE(calls.at(5), QStringLiteral("5/1/5"));
        QCOMPARE(calls.at(6), QStringLiteral("6/2/1"));
        QCOMPARE(calls.last(), QStringLiteral("10/2/5"));
        QCOMPARE(q->recNo(), 1);
        QCOMPARE(q->valueAt(4, "MITTELWERT"), QVariant(503.0));
        QCOMPARE(q->valueAt(3, "MITTELWERT"), QVariant(0.0));

        // A later pass may set the calculated columns again; grids hear about it.
        QSignalSpy changed(q, &ResultQuery::rowChanged);
        QVERIFY(q->moveTo(2));
        QVERIFY(q->setCalculated("GRIDNR", 42));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(q->valueAt(1, "gridnr"), QVariant(42));
    }

    void queriesNeverWrite()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        fill(fx);
        if (QTest::currentTestFailed())
            return;
        ResultQuery *q = fx.data->ikQuery();
        q->setStatement("DELETE FROM REAKDATA");
        QVERIFY(!q->open());
        QVERIFY(q->errorText().contains("IK_SQLQuery"));
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 60);
        // Disguised as a query: runs, but is rolled back.
        q->setStatement("WITH x AS (SELECT 1) DELETE FROM REAKDATA");
        QVERIFY(!q->open());
        QCOMPARE(rowsInFile(fx.reakFile(), "ReakData"), 60);
        q->setStatement("SELECT * FROM nowhere");
        QVERIFY(!q->open());
        QVERIFY(!q->isOpen());
        // The connection is still fine for writes afterwards.
        QVERIFY(fx.addShooter("Berg", "Clara"));
    }

    void resultModelShowsChosenColumns()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        fill(fx);
        if (QTest::currentTestFailed())
            return;
        ResultQuery *q = fx.data->efrQuery();
        ResultQueryModel model(q, {"GRIDNR", "DATUM", "ReakZeit", "MITTELWERT"});
        model.setHeaderTexts({"Nr", "Datum", "ReakZeit", "Mittelwert"});
        model.setFormatter("mittelwert", [](const QVariant &v) { return v.isValid() ? QString::number(v.toDouble(), 'f', 1) : QString(); });
        QCOMPARE(model.rowCount(), 0);
        q->setCalcFields([](ResultQuery &r) { r.setCalculated("MITTELWERT", 302.5); });
        q->setStatement(kSelect);
        q->bindValue("TYP", 1);
        q->bindValue("NAME", "Meier");
        q->bindValue("VORNAME", "Hans");
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QVERIFY(q->open());
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 20);
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Mittelwert"));
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("1"));
        QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("401"));
        QCOMPARE(model.data(model.index(0, 3)).toString(), QStringLiteral("302.5"));
        QCOMPARE(model.data(model.index(0, 1), Qt::EditRole), QVariant(QDate(2024, 1, 5)));
        QVERIFY(model.setCurrentRow(7));
        QCOMPARE(q->recNo(), 8);
        q->close();
        QCOMPARE(model.rowCount(), 0);
    }

    void tableModelKeepsCurrentRowInStep()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        DataTable *p = fx.data->persTable();
        DataTableModel model(p, {"Name", "Vorname"});
        QItemSelectionModel selection(&model);
        model.attachSelection(&selection);
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.addShooter("Albers", "Bernd"));
        QVERIFY(fx.addShooter("Zimmer", "Anna"));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("Albers"));
        // The table's current row (the one just posted) is selected.
        QCOMPARE(selection.currentIndex().row(), 2);

        // View -> table: selecting a row moves the shooter row and its details.
        selection.setCurrentIndex(model.index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCOMPARE(p->fieldValue("Name").toString(), QStringLiteral("Meier"));
        QVERIFY(fx.data->reakTable()->append());
        QCOMPARE(fx.data->reakTable()->fieldValue("Vorname").toString(), QStringLiteral("Hans"));
        fx.data->reakTable()->cancel();

        // Table -> view.
        QSignalSpy moved(&model, &DataTableModel::currentRowChanged);
        QVERIFY(p->first());
        QCOMPARE(selection.currentIndex().row(), 0);
        QCOMPARE(moved.count(), 1);

        // Edits show up in the grid once posted; deletions shrink it.
        QVERIFY(p->edit());
        QVERIFY(p->setFieldValue("Vorname", "Berta"));
        QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("Berta"));
        QVERIFY(p->post());
        QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("Berta"));
        QVERIFY(p->deleteCurrent());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(selection.currentIndex().row(), 0);
        QCOMPARE(model.data(model.index(selection.currentIndex().row(), 0)).toString(), QStringLiteral("Meier"));
    }
};

VR_TEST_CLASS(ResultQueryTest)
#include "resultquery_test.moc"
