#include "storefixture.h"

#include "platform/registryini.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QFile>
#include <unistd.h>

namespace {

// Another program holding a table file: an exclusive lock until it goes away.
struct ForeignLock
{
    QString name = QStringLiteral("foreign-") + QUuid::createUuid().toString();
    bool held = false;
    explicit ForeignLock(const QString &file)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        held = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~ForeignLock()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
};

QStringList filesIn(const QString &dir) { return QDir(dir).entryList(QDir::Files, QDir::Name); }

} // namespace

class DataSafetyTest : public QObject
{
    Q_OBJECT

private slots:
    void missingTableFiles_data()
    {
        QTest::addColumn<QStringList>("remove");
        QTest::addColumn<bool>("opens");
        QTest::newRow("first start: none there") << QStringList{"PersData.sqlite", "VData.sqlite", "ReakData.sqlite"} << true;
        QTest::newRow("one deleted") << QStringList{"VData.sqlite"} << false;
        QTest::newRow("two deleted") << QStringList{"PersData.sqlite", "ReakData.sqlite"} << false;
        QTest::newRow("all there") << QStringList{} << true;
    }

    // Only a first start makes the tables; a missing file among present ones is
    // named, and nothing is created beside the data that is left.
    void missingTableFiles()
    {
        SKIP_ON_SERVER("Es geht um die Tabellendateien des Datenordners. Der Server: ServerDatabaseTest.");
        QFETCH(QStringList, remove);
        QFETCH(bool, opens);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Meier"), QStringLiteral("Hans")));
        fx.data->closeTables();
        for (const QString &f : remove)
            QVERIFY(QFile::remove(fx.file(f)));
        const QStringList before = filesIn(fx.data->privateDir());
        QCOMPARE(fx.data->openTables(), opens);
        if (opens) {
            QCOMPARE(filesIn(fx.data->privateDir()).size(), 3);
            QCOMPARE(fx.data->persTable()->recordCount(), remove.contains(QStringLiteral("PersData.sqlite")) ? 0 : 1);
            return;
        }
        QCOMPARE(filesIn(fx.data->privateDir()), before);
        for (const QString &f : remove)
            QVERIFY2(fx.data->errorText().contains(QStringLiteral("„") + f + QStringLiteral("“")), qPrintable(fx.data->errorText()));
        QVERIFY(fx.data->errorText().contains(QStringLiteral("Es wird nichts neu angelegt")));
        QVERIFY(!fx.data->persTable()->isOpen());
    }

    void lockedOrReadOnlyFileFoundAtStart_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("how");
        QTest::newRow("ReakData locked") << "ReakData.sqlite" << "locked";
        QTest::newRow("PersData locked") << "PersData.sqlite" << "locked";
        QTest::newRow("VData read-only") << "VData.sqlite" << "readonly";
    }

    // A write probe (rolled back) finds the file that cannot be written.
    void lockedOrReadOnlyFileFoundAtStart()
    {
        SKIP_ON_SERVER("Dateisperren und Schreibschutz gibt es nur im Datenordner.");
        QFETCH(QString, file);
        QFETCH(QString, how);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Meier"), QStringLiteral("Hans")));
        fx.data->closeTables();
        std::unique_ptr<ForeignLock> lock;
        if (how == QLatin1String("locked")) {
            lock = std::make_unique<ForeignLock>(fx.file(file));
            QVERIFY(lock->held);
        } else {
            if (::geteuid() == 0)
                QSKIP("file permissions do not bind root");
            QVERIFY(QFile::setPermissions(fx.file(file), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        }
        QVERIFY(!fx.data->openTables());
        const QString text = fx.data->errorText();
        QVERIFY2(text.contains(file), qPrintable(text));
        QVERIFY2(text.contains(how == QLatin1String("locked") ? QStringLiteral("gesperrt") : QStringLiteral("schreibgeschützt")),
                 qPrintable(text));
        lock.reset();
        QFile::setPermissions(fx.file(file), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(fx.open());
        QCOMPARE(fx.data->persTable()->recordCount(), 1);
    }

    // A detail table that cannot follow the shooter shows why, once it is read.
    void detailReloadErrorIsShown()
    {
        SKIP_ON_SERVER("Die Sperre einer ganzen Datei gibt es nur im Datenordner.");
        StoreFixture fx;
        ScriptedMessages messages;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Meier"), QStringLiteral("Hans")));
        QVERIFY(fx.addShooter(QStringLiteral("Zeller"), QStringLiteral("Paul")));
        DataTable *pers = fx.data->persTable();
        QVERIFY(pers->first());
        ForeignLock lock(fx.visFile());
        QVERIFY(lock.held);
        QVERIFY(pers->next());
        fx.data->visierTable()->recordCount();   // read when asked for
        QVERIFY(messages.count() >= 1);
        QVERIFY2(messages.lastText().contains(QStringLiteral("„VData“")), qPrintable(messages.lastText()));
    }

    // The backup at exit changes the working directory: a relative data folder is fixed at start.
    void relativeInstallDirIsMadeAbsolute()
    {
        Sandbox box;
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(box.root()));
        {
            RegistryIni reg(QStringLiteral("Software\\NRV"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("DBInstallDir"), QStringLiteral("Vereinsdaten/Daten"));
        }
        TData data;
        QDir::setCurrent(oldCwd);
        // Resolved against the program folder, never the working directory.
        QCOMPARE(data.privateDir(), QDir(box.programDir()).filePath(QStringLiteral("Vereinsdaten/Daten")));
    }

    void refusedTableFilesStayUntouched_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("damage");
        QTest::newRow("PersData empty") << "PersData.sqlite" << "empty";
        QTest::newRow("ReakData empty") << "ReakData.sqlite" << "empty";
        QTest::newRow("PersData of another program") << "PersData.sqlite" << "foreign";
        QTest::newRow("ReakData of another program") << "ReakData.sqlite" << "foreign";
    }

    // An empty or foreign file is named and left as it is: no tables, nothing created.
    void refusedTableFilesStayUntouched()
    {
        SKIP_ON_SERVER("Es geht um die Tabellendateien des Datenordners. Der Server: ServerDatabaseTest.");
        QFETCH(QString, file);
        QFETCH(QString, damage);
        StoreFixture fx;
        QVERIFY(fx.open());
        QVERIFY(fx.addShooter(QStringLiteral("Meier"), QStringLiteral("Hans")));
        fx.data->closeTables();
        QVERIFY(QFile::remove(fx.file(file)));
        if (damage == QLatin1String("empty")) {
            QFile f(fx.file(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else {
            bool ok = false;
            sqlOnFile(fx.file(file), QStringLiteral("CREATE TABLE Kunden (Id INTEGER)"), {}, &ok);
            QVERIFY(ok);
        }
        QMap<QString, QByteArray> before;
        for (const QString &f : filesIn(fx.data->privateDir())) {
            QFile in(fx.file(f));
            QVERIFY(in.open(QIODevice::ReadOnly));
            before.insert(f, in.readAll());
        }
        QVERIFY(!fx.data->openTables());
        QVERIFY2(fx.data->errorText().contains(file), qPrintable(fx.data->errorText()));
        QVERIFY(!fx.data->persTable()->isOpen());
        QCOMPARE(filesIn(fx.data->privateDir()), before.keys());
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            QFile in(fx.file(it.key()));
            QVERIFY(in.open(QIODevice::ReadOnly));
            QVERIFY2(in.readAll() == it.value(), qPrintable(it.key()));
        }
    }

    void missingDataFolder_data()
    {
        QTest::addColumn<QString>("install");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("opens");
        QTest::newRow("default folder, first start") << "" << int(MessageService::No) << false << true;
        QTest::newRow("stick unplugged, no") << "stick/Daten" << int(MessageService::No) << true << false;
        QTest::newRow("stick unplugged, yes") << "stick/Daten" << int(MessageService::Yes) << true << true;
        QTest::newRow("empty folder elsewhere, no") << "leer" << int(MessageService::No) << true << false;
    }

    // A new data set only in the default folder or when the user says so.
    void missingDataFolder()
    {
        QFETCH(QString, install);
        QFETCH(int, answer);
        QFETCH(bool, asked);
        QFETCH(bool, opens);
        Sandbox box;
        ScriptedMessages messages;
        QString dir;
        if (!install.isEmpty()) {
            dir = box.path(install);
            if (install == QLatin1String("leer"))
                QVERIFY(QDir().mkpath(dir));
            RegistryIni reg(QStringLiteral("Software\\NRV"));
            reg.writeString(QStringLiteral("Config"), QStringLiteral("DBInstallDir"), dir);
        }
        TData data;
        data.addAlias(data.privateDir());
        messages.answerNext(answer);
        QCOMPARE(data.openTables(), opens);
        QCOMPARE(messages.count(), asked ? 1 : 0);
        if (asked)
            QVERIFY2(messages.lastText().contains(QDir::toNativeSeparators(dir))
                         && messages.lastText().contains(QStringLiteral("Neuen leeren Datenbestand anlegen?")),
                     qPrintable(messages.lastText()));
        QCOMPARE(filesIn(data.privateDir()).size(), opens ? 3 : 0);
        if (!opens) {
            QVERIFY(data.errorText().contains(QDir::toNativeSeparators(dir)));
            QCOMPARE(QFileInfo::exists(dir), install == QLatin1String("leer"));
        }
    }
};

VR_TEST_CLASS(DataSafetyTest)
#include "datasafety_test.moc"
