#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "store/tdata.h"
#include "support/testmain.h"
#include "storefixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {
const QString kNrv = QStringLiteral("Software\\NRV");
const QString kConfig = QStringLiteral("Config");

QString storedDataDir()
{
    RegistryIni reg(kNrv);
    return reg.readString(kConfig, QStringLiteral("dataDIR"), QStringLiteral("<none>"));
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
} // namespace

class DataSessionTest : public QObject
{
    Q_OBJECT
private slots:
    void installDirWinsAndOverwritesDataDir()
    {
        Sandbox box;
        const QString install = box.path(QStringLiteral("elsewhere/Daten"));
        {
            RegistryIni reg(kNrv);
            reg.writeString(kConfig, QStringLiteral("DBInstallDir"), install);
            reg.writeString(kConfig, QStringLiteral("DataDir"), QStringLiteral("/old/place"));
        }
        TData data;
        QCOMPARE(data.privateDir(), install);
        QCOMPARE(storedDataDir(), QDir::toNativeSeparators(install));
    }

    void neitherSetUsesDaten_besideProgramFolder()
    {
        Sandbox box;
        TData data;
        QCOMPARE(data.privateDir(), box.path(QStringLiteral("prog/Daten")));
        QCOMPARE(storedDataDir(), QDir::toNativeSeparators(box.path(QStringLiteral("prog/Daten"))));
        // The value is written under the name it already has, once.
        RegistryIni reg(kNrv);
        QCOMPARE(reg.readSection(kConfig).filter(QStringLiteral("datadir"), Qt::CaseInsensitive).size(), 1);
    }

    void dataDirAloneIsReplacedByDerived()
    {
        Sandbox box;
        {
            RegistryIni reg(kNrv);
            reg.writeString(kConfig, QStringLiteral("DataDir"), box.path(QStringLiteral("mine")));
        }
        TData data;
        QCOMPARE(data.privateDir(), box.path(QStringLiteral("prog/Daten")));
        QCOMPARE(storedDataDir(), QDir::toNativeSeparators(box.path(QStringLiteral("prog/Daten"))));
    }

    void blankInstallDirCountsAsUnset()
    {
        Sandbox box;
        {
            RegistryIni reg(kNrv);
            reg.writeString(kConfig, QStringLiteral("DBInstallDir"), QStringLiteral("  "));
        }
        TData data;
        QCOMPARE(data.privateDir(), box.path(QStringLiteral("prog/Daten")));
    }

    void rootProgramFolderKeepsDatenInside()
    {
        Sandbox box;
        ProgramPaths::setProgramDir(QDir::rootPath());
        TData data;
        QCOMPARE(data.privateDir(), QDir(QDir::rootPath()).filePath(QStringLiteral("Daten")));
        ProgramPaths::setProgramDir(box.programDir());
    }

    void startupEmptiesSummaryLists()
    {
        Sandbox box;
        TData data;
        for (TData::Query q : {TData::Query::EFR, TData::Query::EFRF, TData::Query::IK}) {
            QVERIFY(data.summaryLines(q).isEmpty());
            data.summaryLines(q) << QStringLiteral("x|");
        }
        data.DataSessionStartup();
        QVERIFY(data.summaryLines(TData::Query::IK).isEmpty());
        QCOMPARE(data.efrQuery()->objectName(), QStringLiteral("EFR_SQLQuery"));
        QCOMPARE(data.persTable()->objectName(), QStringLiteral("PersTable"));
    }

    void aliasIsKeptInTheSettingsStore()
    {
        Sandbox box;
        TData data;
        QVERIFY(!data.aliasExists());
        QVERIFY(data.aliasPath().isEmpty());
        QVERIFY(!data.openTables());
        QVERIFY(data.errorText().contains(QStringLiteral("VantrelReak")));

        QVERIFY(data.addAlias(box.path(QStringLiteral("somewhere"))));
        QVERIFY(data.aliasExists());
        {
            RegistryIni reg(QStringLiteral("Software\\Nrv\\Vantrel Reaktion"));
            QCOMPARE(reg.readString(QStringLiteral("Aliases"), QStringLiteral("VantrelReak"), QString()),
                     QDir::toNativeSeparators(box.path(QStringLiteral("somewhere"))));
        }
        // Re-pointing: delete and add again, as the start sequence does.
        data.deleteAlias();
        QVERIFY(!data.aliasExists());
        data.addAlias(data.privateDir());
        QCOMPARE(data.aliasPath(), data.privateDir());
        QVERIFY(data.openTables());
        QVERIFY(QFile::exists(data.privateDir() + QStringLiteral("/PersData.sqlite")));
    }

    void freshFolderGetsTablesAndIndexes()
    {
        SKIP_ON_SERVER("Es geht um die Tabellendateien des Datenordners. Der Server: ServerDatabaseTest.");
        StoreFixture fx;
        QVERIFY(!QDir(fx.data->privateDir()).exists());
        QVERIFY(fx.open());
        QVERIFY(fx.data->tablesOpen());
        const struct
        {
            QString file, table, index;
        } expected[] = {{fx.persFile(), "PersData", "PersIndex"},
                        {fx.visFile(), "VData", "VisierIndex"},
                        {fx.reakFile(), "ReakData", "reakindex"}};
        for (const auto &e : expected) {
            const QStringList names = sqlOnFile(e.file, QStringLiteral("SELECT name FROM sqlite_master"));
            QVERIFY2(names.contains(e.table) && names.contains(e.index), qPrintable(names.join(u',')));
            QCOMPARE(sqlOnFile(e.file, QStringLiteral("PRAGMA journal_mode")), QStringList{QStringLiteral("delete")});
        }
        QCOMPARE(sqlOnFile(fx.persFile(),
                           QStringLiteral("SELECT \"unique\" FROM pragma_index_list('PersData') WHERE name='PersIndex'")),
                 QStringList{QStringLiteral("1")});
        QCOMPARE(sqlOnFile(fx.reakFile(), QStringLiteral("SELECT name FROM pragma_index_info('reakindex')")),
                 (QStringList{"Name", "Vorname", "MessTyp", "Datum", "Zeit", "Serie", "Scheibe"}));
        const QStringList persCols = sqlOnFile(fx.persFile(), QStringLiteral("SELECT name FROM pragma_table_info('PersData')"));
        QCOMPARE(persCols, (QStringList{"Name", "Vorname", "Geburtsdatum", "Sportverein", "Anzeigewert", "Obere Schranke",
                                        "Untere Schranke", "Trainingsrunden", "Nummer"}));
        // Opening again leaves existing tables as they are.
        QVERIFY(fx.addShooter(QStringLiteral("Meier"), QStringLiteral("Hans")));
        fx.data->closeTables();
        QVERIFY(fx.open());
        QCOMPARE(fx.data->persTable()->recordCount(), 1);
    }

    void garbageTableFileIsNeverTouched_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("VData, 4 KiB") << "VData.sqlite" << QByteArray(4096, '\x5a');
        QTest::newRow("PersData, few bytes") << "PersData.sqlite" << QByteArray("hello");
        QTest::newRow("ReakData, text") << "ReakData.sqlite" << QByteArray("Name;Vorname\nMeier;Hans\n").repeated(20);
    }
    void garbageTableFileIsNeverTouched()
    {
        SKIP_ON_SERVER("Es geht um die Tabellendateien des Datenordners. Der Server: ServerDatabaseTest.");
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        StoreFixture fx;
        QDir().mkpath(fx.data->privateDir());
        {
            QFile f(fx.file(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        QVERIFY(!fx.data->openTables());
        QVERIFY2(fx.data->errorText().contains(file) && fx.data->errorText().contains(QStringLiteral("keine gültige Datenbank")),
                 qPrintable(fx.data->errorText()));
        QCOMPARE(readAll(fx.file(file)), bytes);
        QVERIFY(!fx.data->persTable()->isOpen());
        // Nothing else was created before the check either.
        QCOMPARE(QDir(fx.data->privateDir()).entryList(QDir::Files), QStringList{file});
    }

    void directoryInPlaceOfTableFile()
    {
        SKIP_ON_SERVER("Es geht um die Tabellendateien des Datenordners. Der Server: ServerDatabaseTest.");
        StoreFixture fx;
        QDir().mkpath(fx.file(QStringLiteral("ReakData.sqlite")));
        QVERIFY(!fx.data->openTables());
        QVERIFY2(fx.data->errorText().contains(QStringLiteral("ReakData.sqlite")), qPrintable(fx.data->errorText()));
    }

    void tableWithoutExpectedFieldsIsRefused()
    {
        SKIP_ON_SERVER("Es geht um die Tabellendateien des Datenordners. Der Server: ServerDatabaseTest.");
        StoreFixture fx;
        QVERIFY(fx.open());
        fx.data->closeTables();
        QVERIFY(QFile::remove(fx.visFile()));
        bool ok = false;
        sqlOnFile(fx.visFile(), QStringLiteral("CREATE TABLE VData (Nummer INTEGER PRIMARY KEY, Name TEXT)"), {}, &ok);
        QVERIFY(ok);
        QVERIFY(!fx.data->openTables());
        QVERIFY2(fx.data->errorText().contains(QStringLiteral("fehlt das Feld „Vorname“")), qPrintable(fx.data->errorText()));
        QCOMPARE(sqlOnFile(fx.visFile(), QStringLiteral("SELECT name FROM pragma_table_info('VData')")),
                 (QStringList{"Nummer", "Name"}));
        QCOMPARE(sqlOnFile(fx.visFile(), QStringLiteral("SELECT COUNT(*) FROM sqlite_master")), QStringList{"1"});
    }

    void secondInstanceAfterDestruction()
    {
        Sandbox box;
        {
            TData first;
            QCOMPARE(TData::instance(), &first);
            first.addAlias(first.privateDir());
            QVERIFY(first.openTables());
            DataTable *p = first.persTable();
            QVERIFY(p->append() && p->setFieldValue("Name", "Meier") && p->setFieldValue("Vorname", "Hans") && p->post());
        }
        QCOMPARE(TData::instance(), nullptr);
        TData second;
        QCOMPARE(TData::instance(), &second);
        QVERIFY(second.openTables());
        QCOMPARE(second.persTable()->recordCount(), 1);
        QCOMPARE(second.persTable()->fieldValue("Name").toString(), QStringLiteral("Meier"));
        second.deactivateSession();
        QVERIFY(!second.isSessionActive());
        QVERIFY(!second.persTable()->isOpen());
    }
};

VR_TEST_CLASS(DataSessionTest)
#include "datasession_test.moc"
