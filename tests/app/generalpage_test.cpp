#include "app/generalpage.h"
#include "core/settings.h"
#include "store/databasetarget.h"
#include "store/serverlogin.h"
#include "support/pgcluster.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// PGPASSFILE set for the lifetime, the old value back afterwards.
struct PassFileEnv
{
    QByteArray old = qgetenv("PGPASSFILE");
    bool had = qEnvironmentVariableIsSet("PGPASSFILE");
    explicit PassFileEnv(const QString &path) { qputenv("PGPASSFILE", QFile::encodeName(path)); }
    ~PassFileEnv() { had ? (void)qputenv("PGPASSFILE", old) : (void)qunsetenv("PGPASSFILE"); }
};
} // namespace

// The "Allgemein" page on its own: what it loads comes back when it stores.
class GeneralPageTest : public QObject
{
    Q_OBJECT
private slots:
    void loadStoreRoundTrip_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QList<bool>>("options");  // Offline, Backup, Reorg, Logfile, Sound
        QTest::newRow("all on") << QStringLiteral("Jörg Weiß") << QList<bool>{true, true, true, true, true};
        QTest::newRow("all off") << QString() << QList<bool>{false, false, false, false, false};
        QTest::newRow("mixed") << QStringLiteral("Anna") << QList<bool>{false, true, false, true, false};
        QTest::newRow("mixed, other way") << QStringLiteral(" A ") << QList<bool>{true, false, true, false, true};
    }

    void loadStoreRoundTrip()
    {
        QFETCH(QString, user);
        QFETCH(QList<bool>, options);
        Sandbox box;
        auto record = [](const QString &name, const QList<bool> &o) {
            Settings s;
            s.Benutzer = name;
            s.Offline = o.at(0);
            s.Backup = o.at(1);
            s.Reorg = o.at(2);
            s.Logfile = o.at(3);
            s.Sound = o.at(4);
            return s;
        };
        auto optionsOf = [](const Settings &s) { return QList<bool>{s.Offline, s.Backup, s.Reorg, s.Logfile, s.Sound}; };
        QList<bool> inverse;
        for (bool on : options)
            inverse << !on;

        GeneralPage page;
        page.load(record(QStringLiteral("vorher"), inverse));  // a previous opening
        page.load(record(user, options));
        SettingsDialogValues values;
        page.store(values);
        Settings saved = record(QStringLiteral("vorher"), inverse);
        SaveSettings(values, saved);
        QCOMPARE(saved.Benutzer, user);
        QCOMPARE(optionsOf(saved), options);
    }

    // The database choice goes through the settings file to what the next start opens.
    void databaseChoiceRoundTrip_data()
    {
        QTest::addColumn<bool>("onServer");
        QTest::addColumn<QStringList>("server");  // host, port, dbname, user
        QTest::newRow("server") << true << QStringList{"verein.local", "5433", "vantrel", "stand1"};
        QTest::newRow("lokal, server values kept") << false << QStringList{"10.0.0.7", "5432", "reaktion", "trainer"};
        QTest::newRow("lokal, nothing entered") << false << QStringList{"", "5432", "", ""};
    }

    void databaseChoiceRoundTrip()
    {
        QFETCH(bool, onServer);
        QFETCH(QStringList, server);
        Sandbox box;
        Settings entered;
        entered.DBOnServer = onServer;
        entered.DBServer = server.at(0);
        entered.DBPort = server.at(1).toInt();
        entered.DBName = server.at(2);
        entered.DBUser = server.at(3);

        GeneralPage page;
        Settings other;
        other.DBOnServer = !onServer;
        other.DBServer = QStringLiteral("vorher");
        page.load(other);  // a previous opening
        page.load(entered);
        for (QWidget *field : std::initializer_list<QWidget *>{page.serverEdit(), page.portBox(), page.dbNameEdit(),
                                                                 page.dbUserEdit(), page.testButton()})
            QCOMPARE(field->isEnabled(), onServer);
        SettingsDialogValues values;
        page.store(values);
        Settings saved;
        SaveSettings(values, saved);

        Settings read;
        LoadSettings(read);
        QCOMPARE(read.DBOnServer, onServer);
        QCOMPARE((QStringList{read.DBServer, QString::number(read.DBPort), read.DBName, read.DBUser}), server);
        // The store reads the same keys at the next start.
        const DatabaseTarget target = DatabaseTarget::fromSettings();
        QCOMPARE(target.isServer(), onServer);
        if (onServer)
            QCOMPARE((QStringList{target.host, QString::number(target.port), target.dbname, target.user}), server);
        // Switching on the page enables the fields.
        page.serverButton()->setChecked(true);
        QVERIFY(page.serverEdit()->isEnabled() && page.testButton()->isEnabled());
        page.localButton()->setChecked(true);
        QVERIFY(!page.dbUserEdit()->isEnabled());
    }

    // The password file: owner-only, one line per server entry, other lines kept,
    // ':' and '\' escaped as libpq reads them.
    void passwordFileEntry_data()
    {
        QTest::addColumn<QByteArray>("before");  // "<none>": no file yet
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("after");
        const QByteArray other = "andere:5432:*:anna:geheim\n# Kommentar\n";
        QTest::newRow("new file") << QByteArray("<none>") << QStringLiteral("geheim")
                                  << QByteArray("srv:5433:vantrel:stand1:geheim\n");
        QTest::newRow("other lines kept") << other << QStringLiteral("pw")
                                          << other + "srv:5433:vantrel:stand1:pw\n";
        QTest::newRow("same entry replaced, twice listed")
            << QByteArray("srv:5433:vantrel:stand1:alt\nandere:5432:*:anna:geheim\nsrv:5433:vantrel:stand1:älter")
            << QStringLiteral("neu") << QByteArray("srv:5433:vantrel:stand1:neu\nandere:5432:*:anna:geheim\n");
        QTest::newRow("other port, database or user kept")
            << QByteArray("srv:5432:vantrel:stand1:a\nsrv:5433:x:stand1:b\nsrv:5433:vantrel:stand2:c\n")
            << QStringLiteral("d") << QByteArray("srv:5432:vantrel:stand1:a\nsrv:5433:x:stand1:b\nsrv:5433:vantrel:stand2:c\n"
                                                 "srv:5433:vantrel:stand1:d\n");
        QTest::newRow("colon and backslash escaped") << QByteArray("<none>") << QStringLiteral("a:b\\c")
                                                     << QByteArray("srv:5433:vantrel:stand1:a\\:b\\\\c\n");
        QTest::newRow("line break refused, file untouched") << other << QStringLiteral("a\nsrv:5433:vantrel:stand1:b") << other;
        QTest::newRow("escaped entry found again") << QByteArray("srv:5433:vantrel:stand1:a\\:b\n") << QStringLiteral("x")
                                                   << QByteArray("srv:5433:vantrel:stand1:x\n");
    }

    void passwordFileEntry()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, password);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("pgpass"));
        if (before != "<none>") {
            QVERIFY(writeFile(file, before));
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        QString error;
        const bool written = ServerLogin::writePasswordEntry(
            DatabaseTarget::server(QStringLiteral("srv"), 5433, QStringLiteral("vantrel"), QStringLiteral("stand1")), password,
            &error, file);
        QCOMPARE(contentOf(file), after);
        QCOMPARE(written, !password.contains(u'\n'));
        QCOMPARE(error.isEmpty(), written);
        if (written)
            QCOMPARE(QFile::permissions(file), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        // The default file follows $PGPASSFILE.
        PassFileEnv env(file);
        QCOMPARE(ServerLogin::passwordFilePath(), file);
    }

    // "Verbindung testen" against a real server: it works, the database is
    // missing, the password is wrong (the entry offered, written, tried again)
    // or missing (the offer declined).
    void connectionTest_data()
    {
        QTest::addColumn<QString>("dbname");
        QTest::addColumn<QString>("passFile");  // "right", "wrong", "none"
        QTest::addColumn<int>("answer");        // to the offer of an entry; 0: none offered
        QTest::addColumn<QString>("outcome");   // part of the last message; empty: none after the offer
        QTest::addColumn<bool>("silent");       // the server's processes stopped: "Abbrechen", then again
        QTest::newRow("ok") << "vantrel" << "right" << 0 << "ist in Ordnung" << false;
        QTest::newRow("database missing") << "fehlt" << "right" << 0 << "die Datenbank ist auf dem Server nicht vorhanden"
                                          << false;
        QTest::newRow("wrong password, entry written")
            << "vantrel" << "wrong" << int(MessageService::Yes) << "ist in Ordnung" << false;
        QTest::newRow("no password, offer declined") << "vantrel" << "none" << int(MessageService::No) << "" << false;
        QTest::newRow("silent server, cancelled") << "vantrel" << "right" << 0 << "ist in Ordnung" << true;
    }

    void connectionTest()
    {
        QFETCH(QString, dbname);
        QFETCH(QString, passFile);
        QFETCH(int, answer);
        QFETCH(QString, outcome);
        QFETCH(bool, silent);
        if (!m_cluster) {  // one server for all rows
            m_cluster = std::make_unique<PgCluster>();
            QVERIFY2(m_cluster->start(), qPrintable(m_cluster->error()));
        }
        PgCluster *cluster = m_cluster.get();
        Sandbox box;
        ScriptedMessages boxes;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("pgpass"));
        const QByteArray entry = QStringLiteral("127.0.0.1:%1:vantrel:vantrel:").arg(cluster->port()).toUtf8();
        if (passFile == QLatin1String("right"))
            QVERIFY(writeFile(file, contentOf(cluster->passwordFile())));
        else if (passFile == QLatin1String("wrong"))
            QVERIFY(writeFile(file, entry + "falsch\n"));
        if (QFile::exists(file))
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        PassFileEnv env(file);

        GeneralPage page;
        int prompts = 0;
        page.setPasswordPrompt([&](const QString &, QString *password) {
            ++prompts;
            *password = cluster->password();
            return true;
        });
        Settings s;
        s.DBOnServer = true;
        s.DBServer = cluster->host();
        s.DBPort = cluster->port();
        s.DBName = dbname;
        s.DBUser = cluster->userName();
        page.load(s);
        if (answer)
            boxes.answerNext(answer);
        if (silent) {
            // The dialog answers while the server is silent, and "Abbrechen" ends the wait at once.
            struct Resume
            {
                PgCluster *cluster;
                ~Resume() { cluster->resume(); }
            } resume{cluster};
            cluster->pause();
            QElapsedTimer clock;
            clock.start();
            page.testButton()->click();
            QVERIFY(clock.elapsed() < 1000);
            QVERIFY(page.connectionProbeDialog() && page.connectionProbeDialog()->isVisible());
            QTest::qWait(50);
            QVERIFY(page.connectionProbeDialog());
            QTest::mouseClick(page.connectionProbeDialog()->findChild<QPushButton *>(), Qt::LeftButton);
            QVERIFY(!page.connectionProbeDialog());
            QVERIFY(clock.elapsed() < 1000);
            QCOMPARE(boxes.count(), 0);
        }
        page.testButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page.connectionProbeDialog() && !boxes.shown().isEmpty(), 20000);
        if (silent) {
            QTest::qWait(200);   // the cancelled try has answered too by now: it shows nothing
            QCOMPARE(boxes.count(), 1);
        }

        const auto &shown = boxes.shown();
        QVERIFY(!shown.isEmpty());
        if (answer) {
            QCOMPARE(shown.first().kind, MessageService::Kind::Confirmation);
            QVERIFY2(shown.first().text.contains(QLatin1String("Kennwort fehlt oder ist falsch")), qPrintable(shown.first().text));
        }
        QCOMPARE(prompts, answer == MessageService::Yes ? 1 : 0);
        if (outcome.isEmpty()) {
            QCOMPARE(boxes.count(), 1);
            QVERIFY(!QFile::exists(file));
            return;
        }
        QVERIFY2(boxes.lastText().contains(outcome), qPrintable(boxes.lastText()));
        QVERIFY2(boxes.lastText().contains(QStringLiteral("Port %1").arg(cluster->port())), qPrintable(boxes.lastText()));
        if (answer == MessageService::Yes)
            QCOMPARE(contentOf(file), entry + cluster->password().toUtf8() + "\n");
    }

    void cleanupTestCase() { m_cluster.reset(); }

private:
    std::unique_ptr<PgCluster> m_cluster;
};

VR_TEST_CLASS(GeneralPageTest)
#include "generalpage_test.moc"
