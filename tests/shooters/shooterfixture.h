#pragma once
// A sandboxed data module with open tables, logging on, scripted message boxes
// and no active shooter (the sandbox resets the program-wide state before and
// after). QVERIFY(f.ok) before using it: false when the tables did not open.
#include "core/actionlog.h"
#include "core/appstate.h"
#include "core/settings.h"
#include "shooters/activeshooter.h"
#include "store/storefixture.h"
#include "support/scriptedmessages.h"

#include <QDate>
#include <QTest>

struct ShooterFixture : StoreFixture
{
    ScriptedMessages messages;
    QList<int> helpPages;
    bool ok = false;

    ShooterFixture()
    {
        box.setLocale(QLocale(QLocale::German, QLocale::Germany));
        Settings::instance().Logfile = true;
        Settings::instance().Benutzer = QStringLiteral("Trainer");
        SetHelpTopicHandler([this](int page) { helpPages.append(page); });
        ok = open();
    }
    ~ShooterFixture() { SetHelpTopicHandler(nullptr); }

    bool add(const QString &name, const QString &vorname, double rounds = 0, const QString &club = QString(),
             const QDate &born = QDate(1990, 5, 17))
    {
        DataTable *p = data->persTable();
        return p->append() && p->setFieldValue(QStringLiteral("Name"), name)
               && p->setFieldValue(QStringLiteral("Vorname"), vorname)
               && p->setFieldValue(QStringLiteral("Trainingsrunden"), rounds)
               && p->setFieldValue(QStringLiteral("Sportverein"), club)
               && p->setFieldValue(QStringLiteral("Geburtsdatum"), born) && p->post();
    }

    // "Vorname Name" of every row of the shooter table file, in index order.
    QStringList storedShooters() const
    {
        return sqlOnFile(persFile(),
                         QStringLiteral("SELECT Vorname || ' ' || Name FROM PersData ORDER BY Name, Vorname"));
    }

    // Makes every deletion in the shooter table fail.
    bool blockDeletes() const
    {
        bool ok = false;
        sqlOnFile(persFile(),
                  QStringLiteral("CREATE TRIGGER keep_shooters BEFORE DELETE ON PersData "
                                 "BEGIN SELECT RAISE(ABORT, 'gesperrt'); END"),
                  {}, &ok);
        return ok;
    }

    // The messages of the log lines written so far (the part after " --- ").
    static QStringList logMessages()
    {
        QStringList out;
        for (const QString &line : LoadLogIntoViewer()) {
            const int at = line.indexOf(QStringLiteral(" --- "));
            out << (at < 0 ? line : line.mid(at + 5));
        }
        return out;
    }
    static void clearLog() { ClearLogFile(); }
};
