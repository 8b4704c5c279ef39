#include "shooterfixture.h"

#include "platform/registryini.h"
#include "shooters/activeshooter.h"
#include "shooters/shooteroverview.h"
#include "shooters/shooterselectdialog.h"
#include "shooters/shooteractions.h"
#include "shooters/shooterlist.h"
#include "store/datatablemodel.h"
#include "support/testmain.h"

#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

QStringList listed(const ShooterList *list)
{
    QStringList out;
    const QAbstractItemModel *m = list->model();
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, 0).data().toString() + u'|' + m->index(r, 1).data().toString();
    return out;
}

void selectRow(ShooterList *list, int row)
{
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

const QString AskNoSelection = QStringLiteral("\r\nBitte erst einen Schützen auswählen !");

} // namespace

class ShooterOverviewTest : public QObject
{
    Q_OBJECT
private slots:
    void creationLogsAndBuildsTheMenu()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        ShooterOverview form;
        QCOMPARE(form.objectName(), QStringLiteral("Pers_Form"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Schützenverwaltung"));
        QVERIFY(!(form.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Initialisierung : [Start] Laden PF"),
                                               QStringLiteral("Initialisierung : [Erfolg] Laden PF")}));

        QCOMPARE(form.dataButton()->text(), QStringLiteral("&Datenverwaltung  "));
        QCOMPARE(form.dataButton()->menu(), form.dataMenu());
        QCOMPARE(form.dataButton()->statusTip(), QStringLiteral("Daten hinzufügen, bearbeiten und löschen"));
        QCOMPARE(form.okButton()->statusTip(), QStringLiteral("Schützenverwaltung beenden"));
        QCOMPARE(form.shooterList()->statusTip(), QStringLiteral("Namensliste"));
        QCOMPARE(form.detailsPanel()->statusTip(), QStringLiteral("Schützendaten"));

        QStringList items;
        for (const QAction *a : form.dataMenu()->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text() + u'=' + a->statusTip());
        QCOMPARE(items, QStringList({
                            QStringLiteral("&Neu...=legt einen neuen Schützen an"),
                            QStringLiteral("&Bearbeiten=bearbeitet den aktuellen Schützen"),
                            QStringLiteral("&Löschen=löscht den markierten Schützen aus der namensliste"),
                            QStringLiteral("-"),
                            QStringLiteral("&Auswählen="),
                            QStringLiteral("-"),
                            QStringLiteral("&Drucken=druckt eine Liste aller registrierten Schützen"),
                        }));
        QCOMPARE(form.helpNumberFor(form.newAction()), 1220);
        QCOMPARE(form.helpNumberFor(form.editAction()), 1230);
        QCOMPARE(form.helpNumberFor(form.deleteAction()), 1240);
        QCOMPARE(form.helpNumberFor(form.selectAction()), 1250);
        QCOMPARE(form.helpNumberFor(form.printAction()), 1200);
        QCOMPARE(form.helpNumberFor(form.shooterList()), 1200);
        QCOMPARE(form.helpNumberFor(nullptr), 1200);
    }

    void closingAnyWaySavesThePlacement()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        ShooterOverview form;
        form.show();
        form.move(140, 90);
        const QPoint at = form.pos();
        form.reject();
        RegistryIni reg(RegistryKeys::Main);
        QCOMPARE(reg.readInteger(QStringLiteral("FormData"), QStringLiteral("PFX"), -1), at.x());
        QCOMPARE(reg.readInteger(QStringLiteral("FormData"), QStringLiteral("PFY"), -1), at.y());
    }

    void listShowsShootersInIndexOrderWithTheirDetails()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul"), 4, QStringLiteral("SV Berg")));
        QVERIFY(f.add(QStringLiteral("Müller"), QStringLiteral("Jörg \"Jo\""), 7, QStringLiteral("<b>SG</b> & Co"),
                      QDate(1975, 12, 3)));
        QVERIFY(f.add(QStringLiteral("O'Neill"), QStringLiteral("Åsa"), 0));
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 2));
        ShooterOverview form;
        form.show();

        QCOMPARE(listed(form.shooterList()), QStringList({QStringLiteral("Meyer|Anna"),
                                                      QStringLiteral("Müller|Jörg \"Jo\""),
                                                      QStringLiteral("O'Neill|Åsa"), QStringLiteral("Zeller|Paul")}));

        // Marking an entry moves the table; the details follow, shown as stored.
        selectRow(form.shooterList(), 1);
        DataTable *pers = f.data->persTable();
        QCOMPARE(pers->fieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Müller"));
        QCOMPARE(form.clubText()->text(), QStringLiteral("<b>SG</b> & Co"));
        QCOMPARE(form.clubText()->textFormat(), Qt::PlainText);
        QCOMPARE(form.birthDateText()->text(), QStringLiteral("03.12.1975"));
        QCOMPARE(form.roundsText()->text(), QStringLiteral("7"));

        // Moving the table marks its row in the list.
        QVERIFY(pers->moveTo(4));
        QCOMPARE(form.shooterList()->selectedRow(), 3);
        QCOMPARE(form.clubText()->text(), QStringLiteral("SV Berg"));
        QCOMPARE(form.roundsText()->text(), QStringLiteral("4"));
        QCOMPARE(form.upperBoundText()->text(), QString());

        // A club name from a hand-edited table never widens the window past the screen.
        QVERIFY(f.add(QStringLiteral("Lang"), QStringLiteral("Lena"), 1, QStringLiteral("SV")));
        {
            QSqlQuery edit(QSqlDatabase::database(TData::AliasName));
            edit.prepare(QStringLiteral("UPDATE PersData SET Sportverein = ? WHERE Name = 'Lang'"));
            edit.addBindValue(QString(500, u'W'));
            QVERIFY(edit.exec());
        }
        QVERIFY(pers->refresh());
        form.hide();
        form.show();
        selectRow(form.shooterList(), 0);
        QCOMPARE(form.clubText()->text(), QString(500, u'W'));
        QVERIFY(form.minimumSizeHint().width() < form.screen()->availableGeometry().width());
    }

    // A shooter another stand added to the shared tables is listed the next
    // time the overview or the selection opens, the marked one kept.
    void anotherStandsShooterIsListedOnOpening()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ShooterOverview overview;
        ShooterSelectDialog select;
        overview.activate();
        select.activate();
        QCOMPARE(listed(overview.shooterList()), QStringList{QStringLiteral("Meyer|Anna")});
        bool ok = false;
        sqlOnFile(f.persFile(),
                  QStringLiteral("INSERT INTO PersData (Name, Vorname, Sportverein, Trainingsrunden) VALUES (?, ?, ?, ?)"),
                  {QStringLiteral("Abel"), QStringLiteral("Jürgen"), QStringLiteral("SV Tell"), 0.0}, &ok);
        QVERIFY(ok);
        const QStringList both{QStringLiteral("Abel|Jürgen"), QStringLiteral("Meyer|Anna")};
        overview.activate();
        QCOMPARE(listed(overview.shooterList()), both);
        QCOMPARE(f.data->persTable()->fieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Meyer"));
        select.activate();
        QCOMPARE(listed(select.shooterList()), both);
    }

    void deleteWithoutMarkedEntryOnlyComplains()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ShooterOverview form;
        form.show();
        form.shooterList()->selectionModel()->clearSelection();
        f.clearLog();

        // The Delete key in the list runs the same deletion.
        QTest::keyClick(form.shooterList(), Qt::Key_Delete);
        QCOMPARE(f.messages.count(), 1);
        QCOMPARE(f.messages.shown().first().kind, MessageService::Kind::Error);
        QCOMPARE(f.messages.lastText(), AskNoSelection);
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Anna Meyer")}));
        QVERIFY(f.logMessages().isEmpty());
    }

    void deleteAnsweredNoKeepsTheShooter()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul")));
        ShooterOverview form;
        form.show();
        selectRow(form.shooterList(), 0);
        f.clearLog();
        f.messages.answerNext(MessageService::No);
        form.deleteClicked();
        QCOMPARE(f.messages.count(), 1);
        QCOMPARE(f.messages.shown().first().kind, MessageService::Kind::Confirmation);
        QCOMPARE(f.messages.shown().first().buttons, MessageService::Yes | MessageService::No);
        QCOMPARE(f.messages.lastText(), QStringLiteral("\r\nSchütze Anna Meyer wirklich löschen ?"));
        QCOMPARE(f.storedShooters().size(), 2);
        QCOMPARE(form.shooterList()->model()->rowCount(), 2);
        QVERIFY(f.logMessages().isEmpty());
    }

    void deleteAnsweredYesRemovesTheShooter()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(f.add(QStringLiteral("O'Neill"), QStringLiteral("Jörg \"Jo\"")));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul")));
        // The sight profile of the shooter to be deleted goes with him.
        QVERIFY(f.selectShooter(QStringLiteral("O'Neill"), QStringLiteral("Jörg \"Jo\"")));
        DataTable *vis = f.data->visierTable();
        QVERIFY(vis->append() && vis->setFieldValue(QStringLiteral("Spiegel_Size"), 3.0) && vis->post());
        // Anna is active; deleting someone else or Anna herself leaves that alone.
        QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ActiveShooter::instance().active = true;
        MakeActiveShooter();

        ShooterOverview form;
        form.show();
        selectRow(form.shooterList(), 1);
        f.clearLog();
        form.deleteClicked();
        QCOMPARE(f.messages.lastText(),
                 QStringLiteral("\r\nSchütze Jörg \"Jo\" O'Neill mit Visierdaten wirklich löschen ?"));
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Anna Meyer"), QStringLiteral("Paul Zeller")}));
        QCOMPARE(listed(form.shooterList()), QStringList({QStringLiteral("Meyer|Anna"), QStringLiteral("Zeller|Paul")}));
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : [Start] Datensatz löschen")}));
        QCOMPARE(rowsInFile(f.visFile(), QStringLiteral("VData")), 0);
        // The list marks the record that is now current, and the details show it.
        QVERIFY(form.shooterList()->hasSelectedEntry());
        QCOMPARE(form.shooterList()->selectedRow(), f.data->persTable()->currentRow());

        selectRow(form.shooterList(), 0);
        form.deleteClicked();
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Paul Zeller")}));
        const ActiveShooter &active = ActiveShooter::instance();
        QVERIFY(active.active);
        QCOMPARE(active.displayName(), QStringLiteral("Anna Meyer"));
        QCOMPARE(f.messages.count(), 2);
    }

    void deleteTakesProfileAndResults_data()
    {
        QTest::addColumn<bool>("profile");
        QTest::addColumn<int>("runs");   // runs of 4 series each, one per test type
        QTest::addColumn<bool>("failMidway");
        QTest::addColumn<QString>("question");
        QTest::newRow("profile and 12 series") << true << 3 << false
                                               << "\r\nSchütze Anna Meyer mit Visierdaten und 12 Messserien wirklich löschen ?";
        QTest::newRow("results only") << false << 1 << false
                                      << "\r\nSchütze Anna Meyer mit 4 Messserien wirklich löschen ?";
        QTest::newRow("profile only") << true << 0 << false
                                      << "\r\nSchütze Anna Meyer mit Visierdaten wirklich löschen ?";
        QTest::newRow("write fails mid-way") << true << 3 << true
                                             << "\r\nSchütze Anna Meyer mit Visierdaten und 12 Messserien wirklich löschen ?";
    }

    // The shooter, his sight profile and his results go in one step or not at
    // all; a new shooter of the same name starts clean; the backup made at the
    // last exit keeps what was there before.
    void deleteTakesProfileAndResults()
    {
        QFETCH(bool, profile);
        QFETCH(int, runs);
        QFETCH(bool, failMidway);
        QFETCH(QString, question);
        ShooterFixture f;
        QVERIFY(f.ok);
        DataTable *vis = f.data->visierTable();
        DataTable *reak = f.data->reakTable();
        const auto addData = [&](const QString &name, const QString &vorname, bool withProfile, int runCount) {
            QVERIFY(f.selectShooter(name, vorname));
            if (withProfile)
                QVERIFY(vis->append() && vis->setFieldValue(QStringLiteral("DiopVis_Size"), 90.0) && vis->post());
            for (int run = 0; run < runCount; ++run)
                for (int serie = 1; serie <= 4; ++serie)
                    for (int scheibe = 1; scheibe <= 2; ++scheibe)
                        QVERIFY(f.addReak(QDate(2026, 12, 8), QTime(10, 15 + run), run + 1, serie, scheibe, 250));
            QVERIFY(reak->applyUpdates());
        };
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 7));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul")));
        addData(QStringLiteral("Meyer"), QStringLiteral("Anna"), profile, runs);
        addData(QStringLiteral("Zeller"), QStringLiteral("Paul"), true, 1);
        if (QTest::currentTestFailed())
            return;
        const QString backup = f.box.path(QStringLiteral("Backup"));
        QVERIFY(QDir().mkpath(backup));
        for (DataTable *t : {f.data->persTable(), vis, reak})
            QVERIFY(f.data->CopyTable(t, backup));
        if (failMidway) {
            bool ok = false;
            sqlOnFile(f.reakFile(), QStringLiteral("CREATE TRIGGER broken BEFORE DELETE ON ReakData WHEN old.MessTyp = 2 "
                                                   "BEGIN SELECT RAISE(ABORT, 'Datenträger defekt'); END"),
                      {}, &ok);
            QVERIFY(ok);
        }
        const auto stored = [&](const QString &file, const QString &table) {
            return sqlOnFile(file, QStringLiteral("SELECT Vorname || ' ' || Name || ' ' || COUNT(*) FROM \"%1\" "
                                                  "GROUP BY Name, Vorname ORDER BY Name, Vorname").arg(table));
        };
        const QStringList profilesBefore = stored(f.visFile(), QStringLiteral("VData"));
        const QStringList resultsBefore = stored(f.reakFile(), QStringLiteral("ReakData"));

        ShooterOverview form;
        form.show();
        selectRow(form.shooterList(), 0);
        f.clearLog();
        form.deleteClicked();
        QCOMPARE(f.messages.lastText(), question);

        if (failMidway) {
            QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : [Start] Datensatz löschen"),
                                                   QStringLiteral("Ausführen : [Fehler] Datensatz löschen")}));
            QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Anna Meyer"), QStringLiteral("Paul Zeller")}));
            QCOMPARE(stored(f.visFile(), QStringLiteral("VData")), profilesBefore);
            QCOMPARE(stored(f.reakFile(), QStringLiteral("ReakData")), resultsBefore);
            QCOMPARE(listed(form.shooterList()), QStringList({QStringLiteral("Meyer|Anna"), QStringLiteral("Zeller|Paul")}));
            QCOMPARE(f.data->persTable()->fieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Meyer"));
            QCOMPARE(reak->recordCount(), runs * 8);
            return;
        }
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Paul Zeller")}));
        QCOMPARE(stored(f.visFile(), QStringLiteral("VData")), QStringList({QStringLiteral("Paul Zeller 1")}));
        QCOMPARE(stored(f.reakFile(), QStringLiteral("ReakData")), QStringList({QStringLiteral("Paul Zeller 8")}));

        // Anna Meyer again: no profile, no results, the rounds of the new record.
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QCOMPARE(vis->recordCount(), 0);
        QCOMPARE(reak->recordCount(), 0);
        QVERIFY(f.data->openResultQuery(TData::Query::EFR, QStringLiteral("Meyer"), QStringLiteral("Anna"), true));
        QVERIFY(f.data->efrQuery()->isEmpty());
        f.data->efrQuery()->close();
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 0);

        // The copies made at the last exit still hold everything of before.
        QCOMPARE(stored(QDir(backup).filePath(QStringLiteral("VData.sqlite")), QStringLiteral("VData")), profilesBefore);
        QCOMPARE(stored(QDir(backup).filePath(QStringLiteral("ReakData.sqlite")), QStringLiteral("ReakData")),
                 resultsBefore);
    }

    void failedDeleteIsOnlyLogged()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QVERIFY(f.blockDeletes());
        ShooterOverview form;
        form.show();
        f.clearLog();
        form.deleteClicked();
        QCOMPARE(f.messages.count(), 1); // the question, no error box
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : [Start] Datensatz löschen"),
                                               QStringLiteral("Ausführen : [Fehler] Datensatz löschen")}));
        QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Anna Meyer")}));
        QCOMPARE(listed(form.shooterList()), QStringList({QStringLiteral("Meyer|Anna")}));
    }

    void emptyTableDisablesTheChoosingItems()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        ShooterOverview form;
        form.show();
        QVERIFY(!form.selectAction()->isEnabled());
        QVERIFY(!form.deleteAction()->isEnabled());
        QVERIFY(!form.editAction()->isEnabled());
        QVERIFY(!form.printAction()->isEnabled());
        // Without record dialogs "&Neu..." and "&Bearbeiten" stay off.
        QVERIFY(!form.newAction()->isEnabled());

        // Delete on the empty list: nothing is marked.
        form.deleteClicked();
        QCOMPARE(f.messages.lastText(), AskNoSelection);
        form.selectClicked();
        QVERIFY(!ActiveShooter::instance().active);

        // The next showing finds a shooter and enables the items.
        form.hide();
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        form.show();
        QVERIFY(form.selectAction()->isEnabled());
        QVERIFY(form.deleteAction()->isEnabled());
        QVERIFY(!form.editAction()->isEnabled());
        form.editShooter = [] {};
        form.updateDataMenu();
        QVERIFY(form.editAction()->isEnabled());
        QVERIFY(!form.printAction()->isEnabled());

        // The idle refresh disables them again once the table is empty.
        QVERIFY(f.data->persTable()->deleteCurrent());
        form.updateDataMenu();
        QVERIFY(!form.selectAction()->isEnabled());
        QVERIFY(!form.editAction()->isEnabled());
        QVERIFY(!form.deleteAction()->isEnabled());
    }

    // The items follow the shooter table while the window is open, without
    // anyone asking it to refresh.
    void dataMenuFollowsTheTable()
    {
        ShooterFixture f;
        ShooterOverview form;
        form.editShooter = [] {};
        form.show();
        const auto enabled = [&form] {
            return QList<bool>{form.editAction()->isEnabled(), form.deleteAction()->isEnabled(),
                               form.selectAction()->isEnabled()};
        };
        QCOMPARE(enabled(), (QList<bool>{false, false, false}));
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        QCOMPARE(enabled(), (QList<bool>{true, true, true}));
        QVERIFY(f.data->persTable()->deleteCurrent());
        QCOMPARE(enabled(), (QList<bool>{false, false, false}));
    }

    void chooseMakesTheMarkedShooterActive()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 12));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul"), 3));
        ShooterOverview form;
        form.show();
        selectRow(form.shooterList(), 1);
        f.clearLog();
        form.selectAction()->trigger();
        const ActiveShooter &active = ActiveShooter::instance();
        QVERIFY(active.active);
        QCOMPARE(active.Name, QStringLiteral("Zeller"));
        QCOMPARE(active.Vorname, QStringLiteral("Paul"));
        QCOMPARE(active.Trainingsrunden, 3);
        QCOMPARE(f.logMessages(), QStringList({QStringLiteral("Ausführen : Aktiven Schützen festlegen"),
                                               QStringLiteral("Ausführen : [Start] aktiven Schützen wählen")}));
    }

    void recordDialogHooksRunAndRefresh()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        ShooterOverview form;
        int edits = 0;
        form.newShooter = [&f] { QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"))); };
        form.editShooter = [&edits] { ++edits; };
        form.show();
        QVERIFY(form.newAction()->isEnabled());
        QVERIFY(!form.editAction()->isEnabled());
        form.newAction()->trigger();
        QCOMPARE(listed(form.shooterList()), QStringList({QStringLiteral("Meyer|Anna")}));
        QVERIFY(form.selectAction()->isEnabled());
        QVERIFY(form.editAction()->isEnabled());
        form.editAction()->trigger();
        QCOMPARE(edits, 1);
    }

    void renamingTheActiveShooterKeepsHimBound_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("next test start finds him") << "locate";
        QTest::newRow("main menu delete removes him") << "delete";
        QTest::newRow("main menu edit opens his record") << "edit";
    }

    // "&Bearbeiten" in the overview renames the active shooter: he stays active
    // under the new name, and the main menu's actions still reach his record.
    void renamingTheActiveShooterKeepsHimBound()
    {
        QFETCH(QString, then);
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna"), 3));
        QVERIFY(f.add(QStringLiteral("Zeller"), QStringLiteral("Paul")));
        QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ActiveShooter::instance().active = true;
        MakeActiveShooter();
        DataTable *pers = f.data->persTable();
        ShooterOverview form;
        form.editShooter = [pers] {
            QVERIFY(pers->edit() && pers->setFieldValue(QStringLiteral("Name"), QStringLiteral("Schmidt"))
                    && pers->setFieldValue(QStringLiteral("Trainingsrunden"), 5.0) && pers->post());
        };
        form.show();
        QVERIFY(f.selectShooter(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        form.editAction()->trigger();
        QVERIFY(ActiveShooter::instance().active);
        QCOMPARE(ActiveShooter::instance().displayName(), QStringLiteral("Anna Schmidt"));
        QCOMPARE(ActiveShooter::instance().Trainingsrunden, 5);
        QVERIFY(f.selectShooter(QStringLiteral("Zeller"), QStringLiteral("Paul")));
        f.messages.clear();
        if (then == QLatin1String("locate")) {
            QVERIFY(LocateActiveShooter());
            QCOMPARE(pers->fieldValue(QStringLiteral("Name")).toString(), QStringLiteral("Schmidt"));
        } else if (then == QLatin1String("delete")) {
            f.messages.answerNext(MessageService::Yes);
            QCOMPARE(DeleteActiveShooter(), ShooterDeleteResult::Deleted);
            QCOMPARE(f.storedShooters(), QStringList({QStringLiteral("Paul Zeller")}));
        } else {
            QString opened;
            QVERIFY(EditActiveShooter([&] { opened = pers->fieldValue(QStringLiteral("Vorname")).toString(); }));
            QCOMPARE(opened, QStringLiteral("Anna"));
        }
        QCOMPARE(f.messages.count(QStringLiteral("\r\nDer aktive Schütze ist nicht mehr in der Datenbank vorhanden.")), 0);
    }

    void f1ShowsTheFocusedItemsPage()
    {
        ShooterFixture f;
        QVERIFY(f.ok);
        QVERIFY(f.add(QStringLiteral("Meyer"), QStringLiteral("Anna")));
        ShooterOverview form;
        form.editShooter = [] {};
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.shooterList()->setFocus();
        QTest::keyClick(form.shooterList(), Qt::Key_F1);
        QCOMPARE(f.helpPages, QList<int>({1200}));

        // With the menu open, the highlighted item's page.
        form.dataMenu()->popup(form.dataButton()->mapToGlobal(QPoint(0, form.dataButton()->height())));
        QVERIFY(QTest::qWaitForWindowExposed(form.dataMenu()));
        form.dataMenu()->setActiveAction(form.editAction());
        QTest::keyClick(form.dataMenu(), Qt::Key_F1);
        QCOMPARE(f.helpPages, QList<int>({1200, 1230}));
        QVERIFY(!form.dataMenu()->isVisible());

        form.dataMenu()->popup(form.dataButton()->mapToGlobal(QPoint(0, form.dataButton()->height())));
        QVERIFY(QTest::qWaitForWindowExposed(form.dataMenu()));
        form.dataMenu()->setActiveAction(form.selectAction());
        QTest::keyClick(form.dataMenu(), Qt::Key_F1);
        QCOMPARE(f.helpPages, QList<int>({1200, 1230, 1250}));
    }
};

VR_TEST_CLASS(ShooterOverviewTest)
#include "shooteroverview_test.moc"
