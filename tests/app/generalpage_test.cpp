#include "app/generalpage.h"
#include "core/settings.h"
#include "support/sandbox.h"
#include "support/testmain.h"

#include <QTest>

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
};

VR_TEST_CLASS(GeneralPageTest)
#include "generalpage_test.moc"
