#include "store/tdata.h"
#include "support/testmain.h"
#include "storefixture.h"

#include <QSignalSpy>
#include <QTest>

class DataTableTest : public QObject
{
    Q_OBJECT
private slots:
    void gridNrFollowsIndexOrder()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Zimmer", "Anna"));
        QVERIFY(fx.addShooter("Albers", "Bernd"));
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.addShooter("Meier", "Anton"));
        DataTable *p = fx.data->persTable();
        QCOMPARE(p->recordCount(), 4);
        QStringList names;
        QList<int> grid;
        QVERIFY(p->first());
        QVERIFY(p->bof());
        while (!p->eof()) {
            names << p->fieldValue("Name").toString() + u' ' + p->fieldValue("Vorname").toString();
            grid << p->fieldValue("GridNr").toInt();
            QCOMPARE(p->recNo(), grid.last());
            p->next();
        }
        QCOMPARE(names, (QStringList{"Albers Bernd", "Meier Anton", "Meier Hans", "Zimmer Anna"}));
        QCOMPARE(grid, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(p->valueAt(2, "gridnr").toInt(), 3);
        // The posted row stays current after the reload.
        QVERIFY(fx.addShooter("Berg", "Clara"));
        QCOMPARE(p->fieldValue("Name").toString(), QStringLiteral("Berg"));
        QCOMPARE(p->fieldValue("GridNr").toInt(), 2);
    }

    void navigationEdges()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        DataTable *p = fx.data->persTable();
        QVERIFY(p->isEmpty() && p->eof() && p->bof());
        QCOMPARE(p->recNo(), 0);
        QVERIFY(!p->fieldValue("Name").isValid());
        QVERIFY(!p->edit());
        QVERIFY(!p->deleteCurrent());
        QVERIFY(!p->errorText().isEmpty());
        fx.addShooter("A", "a");
        fx.addShooter("B", "b");
        QVERIFY(p->last() && p->eof());
        QCOMPARE(p->recNo(), 2);
        QVERIFY(p->prior() && !p->bof());
        QVERIFY(p->prior() && p->bof());
        QCOMPARE(p->recNo(), 1);
        QVERIFY(!p->moveTo(3));
        QVERIFY(p->errorText().contains(QStringLiteral("Nr. 3")));
        QVERIFY(p->moveTo(2));
        QCOMPARE(p->fieldValue("Name").toString(), QStringLiteral("B"));
    }

    void fieldLookupIgnoresCaseAndTypesAreKept()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        DataTable *v = fx.data->visierTable();
        QVERIFY(v->append());
        QVERIFY(v->setFieldValue("i_ringkorn", 3.5));
        QVERIFY(v->setFieldValue("A_RINGKORN", 7));
        QVERIFY(v->post());
        QCOMPARE(v->fieldValue("I_Ringkorn"), QVariant(3.5));
        QCOMPARE(v->fieldValue("a_ringkorn").metaType().id(), int(QMetaType::Double));
        QCOMPARE(v->fieldValue("NUMMER").metaType().id(), int(QMetaType::Int));
        QVERIFY(!v->fieldValue("Monitor_Size").isValid()); // never set: NULL

        DataTable *p = fx.data->persTable();
        QVERIFY(p->edit());
        QVERIFY(p->setFieldValue("geburtsdatum", QDate(1970, 5, 17)));
        QVERIFY(p->setFieldValue("obere schranke", 80));
        QVERIFY(p->setFieldValue("Anzeigewert", QString()));
        QVERIFY(p->post());
        QCOMPARE(p->fieldValue("GEBURTSDATUM"), QVariant(QDate(1970, 5, 17)));
        QCOMPARE(p->fieldValue("Obere Schranke").toInt(), 80);
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT Geburtsdatum FROM PersData"), QStringList{"1970-05-17"});
        QVERIFY(!p->fieldValue("Anzeigewert").isValid());
        QCOMPARE(p->maxLength("sportverein"), 35);
        QCOMPARE(p->maxLength("Anzeigewert"), 0);
        QCOMPARE(fx.data->reakTable()->maxLength("FEHLER"), 25);
    }

    void badAssignmentsAreRefused()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        DataTable *p = fx.data->persTable();
        QVERIFY(!p->setFieldValue("Name", "x")); // not editing
        QVERIFY(p->errorText().contains(QStringLiteral("Bearbeitungsmodus")));
        QVERIFY(p->append());
        QVERIFY(!p->setFieldValue("Spitzname", "x"));
        QCOMPARE(p->errorText(), QStringLiteral("Das Feld „Spitzname“ gibt es in der Tabelle „PersData“ nicht."));
        QVERIFY(!p->setFieldValue("Anzeigewert", "viel"));
        QVERIFY(p->errorText().contains(QStringLiteral("Anzeigewert")));
        QVERIFY(!p->setFieldValue("Geburtsdatum", "gestern"));
        QVERIFY(!p->setFieldValue("GridNr", 4));
        // The engine numbers rows; a number written by a caller is ignored.
        QVERIFY(p->setFieldValue("Nummer", 99));
        QVERIFY(p->setFieldValue("Name", "Meier") && p->setFieldValue("Vorname", "Hans"));
        QVERIFY(p->post());
        QCOMPARE(p->fieldValue("Nummer").toInt(), 1);
    }

    void overlongTextIsRefusedNotCut()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        DataTable *p = fx.data->persTable();
        QVERIFY(p->append());
        p->setFieldValue("Name", QString(16, u'ä'));
        p->setFieldValue("Vorname", "Hans");
        QVERIFY(!p->post());
        QCOMPARE(p->errorText(), QStringLiteral("Das Feld „Name“ darf höchstens 15 Zeichen lang sein."));
        QCOMPARE(p->state(), DataTable::State::Insert);
        QCOMPARE(rowsInFile(fx.persFile(), "PersData"), 0);
        p->setFieldValue("Name", QString(15, u'ä'));
        QVERIFY(p->post());
        QCOMPARE(p->fieldValue("Name").toString(), QString(15, u'ä'));

        DataTable *r = fx.data->reakTable();
        QVERIFY(r->append());
        r->setFieldValue("Fehler", QString(26, u'x'));
        QVERIFY(!r->post());
        QCOMPARE(r->errorText(), QStringLiteral("Das Feld „Fehler“ darf höchstens 25 Zeichen lang sein."));
        r->cancel();
        QVERIFY(!r->hasPendingUpdates());
    }

    void awkwardNamesRoundTrip()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        const QList<QPair<QString, QString>> names = {{"O'Brien", "Seán"},
                                                      {"Fa\"ß\"", "Jürgen"},
                                                      {"back\\slash", "x'); DROP--"},
                                                      {"Müller-Lüdensch", "Zoë"}};
        for (const auto &n : names)
            QVERIFY2(fx.addShooter(n.first, n.second), qPrintable(fx.data->persTable()->errorText()));
        // Details filter on them too.
        QVERIFY(fx.selectShooter("O'Brien", "Seán"));
        QVERIFY(fx.addReak(QDate(2024, 3, 1), QTime(9, 0, 0, 5), 1, 1, 1, 250));
        QVERIFY(fx.data->reakTable()->applyUpdates());
        fx.data->closeTables();

        QVERIFY(fx.open());
        DataTable *p = fx.data->persTable();
        QCOMPARE(p->recordCount(), names.size());
        for (const auto &n : names)
            QVERIFY2(fx.selectShooter(n.first, n.second), qPrintable(n.first));
        QVERIFY(fx.selectShooter("O'Brien", "Seán"));
        QCOMPARE(fx.data->reakTable()->recordCount(), 1);
        QCOMPARE(fx.data->reakTable()->fieldValue("Zeit"), QVariant(QTime(9, 0, 0, 5)));
        QCOMPARE(rowsInFile(fx.persFile(), "PersData"), names.size());
    }

    void duplicateShooterIsRefused()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.addShooter("Meier", "Eva"));
        DataTable *p = fx.data->persTable();
        QVERIFY(p->append());
        p->setFieldValue("Name", "Meier");
        p->setFieldValue("Vorname", "Hans");
        QVERIFY(!p->post());
        QCOMPARE(p->errorText(), QStringLiteral("Ein Schütze „Meier, Hans“ ist bereits vorhanden."));
        p->cancel();
        QCOMPARE(p->recordCount(), 2);
        // Renaming onto an existing shooter as well; the row keeps its stored names.
        QVERIFY(fx.selectShooter("Meier", "Eva"));
        QVERIFY(p->edit());
        p->setFieldValue("Vorname", "Hans");
        QVERIFY(!p->post());
        p->cancel();
        QCOMPARE(p->fieldValue("Vorname").toString(), QStringLiteral("Eva"));
        QCOMPARE(rowsInFile(fx.persFile(), "PersData"), 2);
        // Editing a shooter without touching the key is fine.
        QVERIFY(p->edit());
        p->setFieldValue("Sportverein", "SV Tell");
        QVERIFY(p->post());
    }

    void detailsFollowTheShooterRow()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        DataTable *v = fx.data->visierTable();
        DataTable *r = fx.data->reakTable();
        // No shooter: no rows, and no orphan can be appended.
        QVERIFY(v->isEmpty());
        QVERIFY(!r->append());
        QVERIFY(r->errorText().contains(QStringLiteral("kein Schütze")));
        QCOMPARE(r->state(), DataTable::State::Browse);

        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(fx.addShooter("Schulz", "Eva"));
        for (const auto &who : {QPair<QString, QString>{"Meier", "Hans"}, {"Schulz", "Eva"}}) {
            QVERIFY(fx.selectShooter(who.first, who.second));
            QVERIFY(v->append());
            QVERIFY(v->setFieldValue("Spiegel_Size", who.first == "Meier" ? 1.0 : 2.0));
            QVERIFY(v->post());
        }
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(fx.addReak(QDate(2024, 1, 2), QTime(10, 0, 0, 0), 1, 1, 1, 300));
        // The saver never set the link fields.
        QCOMPARE(r->fieldValue("Name").toString(), QStringLiteral("Meier"));
        QCOMPARE(r->fieldValue("Vorname").toString(), QStringLiteral("Hans"));
        QCOMPARE(v->recordCount(), 1);
        QCOMPARE(v->fieldValue("Spiegel_Size").toDouble(), 1.0);

        QVERIFY(fx.selectShooter("Schulz", "Eva"));
        QCOMPARE(v->recordCount(), 1);
        QCOMPARE(v->fieldValue("Spiegel_Size").toDouble(), 2.0);
        QVERIFY(r->isEmpty());
        QVERIFY(r->applyUpdates());
        QCOMPARE(sqlOnFile(fx.reakFile(), "SELECT Name || ',' || Vorname FROM ReakData"), QStringList{"Meier,Hans"});

        // A shooter being typed in: the details follow the edit buffer.
        DataTable *p = fx.data->persTable();
        QVERIFY(p->append());
        QVERIFY(v->isEmpty());
        QVERIFY(!v->append());
        p->setFieldValue("Name", "Neu");
        p->setFieldValue("Vorname", "Nina");
        QVERIFY(v->append());
        QCOMPARE(v->fieldValue("Name").toString(), QStringLiteral("Neu"));
        v->cancel();
        p->cancel();
        QCOMPARE(v->recordCount(), 1); // back on Schulz, Eva
        QCOMPARE(v->fieldValue("Vorname").toString(), QStringLiteral("Eva"));

        // Deleting the shooter leaves the detail rows stored.
        QVERIFY(fx.selectShooter("Meier", "Hans"));
        QVERIFY(p->deleteCurrent());
        QCOMPARE(rowsInFile(fx.visFile(), "VData"), 2);
        QCOMPARE(p->fieldValue("Name").toString(), QStringLiteral("Schulz"));
    }

    void failedWriteRollsBackAndKeepsDataset()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter("Meier", "Hans"));
        QVERIFY(refuseWrites(fx.persFile(), "nope", "PersData", "INSERT", "", "database or disk is full"));
        QVERIFY(refuseWrites(fx.persFile(), "nope2", "PersData", "UPDATE", "", "database or disk is full"));
        DataTable *p = fx.data->persTable();
        QVERIFY(p->append());
        p->setFieldValue("Name", "Schulz");
        p->setFieldValue("Vorname", "Eva");
        QVERIFY(!p->post());
        QVERIFY2(p->errorText().endsWith(QStringLiteral(": der Datenträger ist voll.")), qPrintable(p->errorText()));
        QCOMPARE(p->state(), DataTable::State::Insert);
        p->cancel();
        QCOMPARE(p->recordCount(), 1);
        QCOMPARE(rowsInFile(fx.persFile(), "PersData"), 1);

        // Moving away tries to post, fails and stays on the row in edit mode.
        QVERIFY(p->edit());
        p->setFieldValue("Sportverein", "SV");
        QVERIFY(!p->first());
        QCOMPARE(p->state(), DataTable::State::Edit);
        p->cancel();
        QVERIFY(!p->fieldValue("Sportverein").isValid());
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT COUNT(*) FROM PersData WHERE Sportverein IS NULL"), QStringList{"1"});
    }

    void navigationPostsPendingChanges()
    {
        StoreFixture fx;
        QVERIFY(fx.open());
        fx.addShooter("A", "a");
        fx.addShooter("B", "b");
        DataTable *p = fx.data->persTable();
        QVERIFY(p->first());
        QVERIFY(p->edit());
        QVERIFY(p->setFieldValue("Trainingsrunden", 12));
        QCOMPARE(p->fieldValue("Trainingsrunden").toInt(), 12);
        QVERIFY(p->next());
        QCOMPARE(p->state(), DataTable::State::Browse);
        QCOMPARE(sqlOnFile(fx.persFile(), "SELECT Trainingsrunden FROM PersData WHERE Name='A'"), QStringList{"12"});
        // An untouched insert is dropped.
        QVERIFY(p->append());
        QVERIFY(p->first());
        QCOMPARE(p->recordCount(), 2);
    }
};

VR_TEST_CLASS(DataTableTest)
#include "datatable_test.moc"
