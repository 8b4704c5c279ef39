#include "platform/registryini.h"
#include "core/actionlog.h"
#include "app/settingsdialog.h"
#include "app/generalpage.h"
#include "app/informationpage.h"
#include "device/controllerpage.h"
#include "device/shotsensorpage.h"
#include "core/settings.h"
#include "ui/hints.h"
#include "ui/weblinks.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {
const QString kConfig = QStringLiteral("Config");

void store(const QString &name, const QString &value)
{
    RegistryIni reg(RegistryKeys::Main);
    reg.writeString(kConfig, name, value);
}

QString stored(const QString &section, const QString &name)
{
    RegistryIni reg(RegistryKeys::Main);
    return reg.readString(section, name, QStringLiteral("<none>"));
}
QString stored(const QString &name) { return stored(kConfig, name); }

// The messages of the log lines, without date, time and user.
QStringList logMessages()
{
    QStringList messages;
    for (const QString &line : LoadLogIntoViewer()) {
        const int at = line.indexOf(QStringLiteral(" --- "));
        messages << (at < 0 ? line : line.mid(at + 5));
    }
    return messages;
}

// A fresh settings store (German locale) and scripted message boxes.
struct Fixture
{
    Sandbox box;
    ScriptedMessages boxes;
    Fixture() { box.setLocale(QLocale(QLocale::German, QLocale::Germany)); }

    // Logging on, both in the store (the dialog reloads it) and in the record.
    void logOn()
    {
        store(QStringLiteral("Logfile"), QStringLiteral("1"));
        Settings::instance().Logfile = true;
    }
};

void sendEnter(QWidget *w)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(w, &enter);
}
void sendLeave(QWidget *w)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(w, &leave);
}

// Runs `inside` while the dialog's exec() loop runs; `inside` must close it.
int execWith(SettingsDialog &form, std::function<void()> inside)
{
    QTimer::singleShot(0, &form, std::move(inside));
    return form.exec();
}
} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void reopeningAfterCancelShowsStoredValues()
    {
        Fixture f;
        store(QStringLiteral("Benutzer"), QStringLiteral("Anna Meyer"));
        store(QStringLiteral("Offline"), QStringLiteral("0"));
        store(QStringLiteral("Backup"), QStringLiteral("1"));
        store(QStringLiteral("Reorg"), QStringLiteral("0"));
        store(QStringLiteral("Sound"), QStringLiteral("1"));
        store(QStringLiteral("KS_Zero"), QStringLiteral("256"));
        store(QStringLiteral("SS_Sense"), QStringLiteral("42"));
        store(QStringLiteral("COM_Index"), QStringLiteral("0"));
        store(QStringLiteral("Controller"), QStringLiteral("1"));

        SettingsDialog form;
        auto expectStored = [&form] {
            QCOMPARE(form.generalPage()->userEdit()->text(), QStringLiteral("Anna Meyer"));
            QVERIFY(!form.generalPage()->offlineBox()->isChecked());
            QVERIFY(form.generalPage()->backupBox()->isChecked());
            QVERIFY(!form.generalPage()->reorgBox()->isChecked());
            QVERIFY(!form.generalPage()->logfileBox()->isChecked());
            QVERIFY(form.generalPage()->soundBox()->isChecked());
            QVERIFY(form.controllerPage()->com1Button()->isChecked());
            QVERIFY(!form.controllerPage()->com2Button()->isChecked());
            QCOMPARE(form.controllerPage()->controllerBox()->currentText(), QStringLiteral("Bauart2"));
            QCOMPARE(form.shotSensorPage()->sensitivityLabel()->text(), QStringLiteral("42"));
            QCOMPARE(Settings::instance().KS_Zero, 256);
        };

        bool checked = false;
        const int first = execWith(form, [&] {
            expectStored();
            form.generalPage()->userEdit()->setText(QStringLiteral("Fremd"));
            form.generalPage()->offlineBox()->setChecked(true);
            form.generalPage()->backupBox()->setChecked(false);
            form.generalPage()->reorgBox()->setChecked(true);
            form.generalPage()->logfileBox()->setChecked(true);
            form.generalPage()->soundBox()->setChecked(false);
            form.controllerPage()->com2Button()->setChecked(true);
            form.controllerPage()->controllerBox()->setCurrentIndex(0);
            form.pageControl()->setCurrentWidget(form.informationPage());
            Settings::instance().KS_Zero = 999;  // as a zero-point adjustment would
            form.statusLabel()->setText(QStringLiteral("Justierung beendet."));
            checked = true;
            form.cancelButton()->click();
        });
        QVERIFY(checked);
        QCOMPARE(first, int(QDialog::Rejected));
        QCOMPARE(stored(QStringLiteral("Benutzer")), QStringLiteral("Anna Meyer"));
        QCOMPARE(stored(QStringLiteral("KS_Zero")), QStringLiteral("256"));

        checked = false;
        const int second = execWith(form, [&] {
            expectStored();
            QCOMPARE(form.statusLabel()->text(), QString());
            // The dialog is created once and keeps the page shown last.
            QCOMPARE(form.pageControl()->currentWidget(), form.informationPage());
            checked = true;
            form.cancelButton()->click();
        });
        QVERIFY(checked);
        QCOMPARE(second, int(QDialog::Rejected));
    }

    void okSavesAllValuesAndLogs()
    {
        Fixture f;
        f.logOn();
        store(QStringLiteral("SS_Sense"), QStringLiteral("37"));
        SettingsDialog form;
        bool changed = false;
        const int result = execWith(form, [&] {
            form.generalPage()->userEdit()->setText(QStringLiteral("Jörg Weiß"));
            form.generalPage()->offlineBox()->setChecked(false);
            form.generalPage()->backupBox()->setChecked(false);
            form.generalPage()->reorgBox()->setChecked(false);
            form.generalPage()->soundBox()->setChecked(false);
            form.controllerPage()->com1Button()->setChecked(true);
            form.controllerPage()->controllerBox()->setCurrentIndex(1);
            // Calibration results live only in the record until OK.
            Settings::instance().KS_Zero = 300;
            Settings::instance().KS_KL = 2.5;
            changed = true;
            form.okButton()->click();
        });
        QVERIFY(changed);
        QCOMPARE(result, int(QDialog::Accepted));

        QCOMPARE(stored(QStringLiteral("Benutzer")), QStringLiteral("Jörg Weiß"));
        QCOMPARE(stored(QStringLiteral("Offline")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("Backup")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("Reorg")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("Logfile")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("Sound")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("KS_Zero")), QStringLiteral("300"));
        QCOMPARE(stored(QStringLiteral("KS_KL")), QStringLiteral("2,500"));
        QCOMPARE(stored(QStringLiteral("SS_Sense")), QStringLiteral("37"));
        QCOMPARE(stored(QStringLiteral("COM_Index")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("Controller")), QStringLiteral("1"));
        QCOMPARE(int(Settings::instance().portSelector), 0);
        QCOMPARE(int(Settings::instance().controllerSelector), 1);

        const QStringList log = logMessages();
        QCOMPARE(log, QStringList({QStringLiteral("Initialisierung : [Start] Laden CF"),
                                   QStringLiteral("Initialisierung : [Erfolg] Laden CF"),
                                   QStringLiteral("Ausführen : Einstellungen speichern")}));
        QVERIFY(LoadLogIntoViewer().last().contains(QStringLiteral(" - Jörg Weiß --- ")));
        QCOMPARE(f.boxes.count(), 0);
    }

    void portIndexOutsideTheTwoPorts()
    {
        Fixture f;
        SettingsDialog form;
        store(QStringLiteral("COM_Index"), QStringLiteral("0"));
        form.loadSettings();
        QVERIFY(form.controllerPage()->com1Button()->isChecked());

        // A stored 7 must clear the button checked by the previous opening.
        store(QStringLiteral("COM_Index"), QStringLiteral("7"));
        store(QStringLiteral("Controller"), QStringLiteral("5"));
        Settings::instance().portSelector = 0;
        form.loadSettings();
        QVERIFY(!form.controllerPage()->com1Button()->isChecked());
        QVERIFY(!form.controllerPage()->com2Button()->isChecked());
        QCOMPARE(form.controllerPage()->controllerBox()->currentIndex(), -1);
        QCOMPARE(Settings::instance().COM_Index, 7);
        QCOMPARE(int(Settings::instance().portSelector), 0);

        form.okClicked();
        QCOMPARE(stored(QStringLiteral("COM_Index")), QStringLiteral("7"));
        QCOMPARE(stored(QStringLiteral("Controller")), QStringLiteral("5"));
        QCOMPARE(int(Settings::instance().portSelector), 0);

        // Choosing a port afterwards works as usual.
        form.loadSettings();
        form.controllerPage()->com2Button()->setChecked(true);
        form.controllerPage()->controllerBox()->setCurrentIndex(0);
        form.okClicked();
        QCOMPARE(stored(QStringLiteral("COM_Index")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("Controller")), QStringLiteral("0"));
        QCOMPARE(int(Settings::instance().portSelector), 1);
    }

    void hintAreaFollowsThePointerAndKeepsTheLastText()
    {
        Fixture f;
        SettingsDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLabel *area = form.generalPage()->hintLabel();

        sendEnter(form.generalPage()->offlineBox());
        QCOMPARE(area->text(),
                 QStringLiteral("Wird das Programm im Offline-Modus gestartet, wird keine Prüfung vorgenommen, "
                                "ob das Vantrel korrekt installiert und angeschlossen ist."));
        sendLeave(form.generalPage()->offlineBox());
        QVERIFY(area->text().startsWith(QStringLiteral("Wird das Programm im Offline-Modus")));

        sendEnter(form.generalPage()->userEdit());
        QVERIFY(area->text().startsWith(QStringLiteral("Der Benutzername erscheint auf den Ausdrucken")));
        sendLeave(form.generalPage()->userEdit());
        QVERIFY(area->text().startsWith(QStringLiteral("Der Benutzername erscheint auf den Ausdrucken")));

        // A real pointer move over a control does the same.
        QTest::mouseMove(form.generalPage()->logfileBox(), QPoint(5, 5));
        QTRY_VERIFY(area->text().startsWith(QStringLiteral("Jede ausgeführte Aktion wird in der Datei LOGFILE.TXT")));

        // A click on one of the group's controls, even on the label that does
        // not take the click itself, is not a click on the group.
        QTest::mouseClick(form.generalPage()->userLabel(), Qt::LeftButton);
        QTest::mouseClick(form.generalPage()->soundBox(), Qt::LeftButton);
        QVERIFY(area->text().startsWith(QStringLiteral("Jede ausgeführte Aktion")));

        QGroupBox *group = form.generalPage()->programGroup();
        const QPoint bare(group->width() - 3, group->height() - 3);
        QVERIFY(!group->childAt(bare));
        QTest::mouseClick(group, Qt::LeftButton, {}, bare);
        QCOMPARE(area->text(),
                 QStringLiteral("Für nähere Informationen den Mousezeiger über das gewünschte Thema bewegen."));

        // The port controls write into their own page's hint area.
        sendEnter(form.controllerPage()->com1Button());
        QVERIFY(form.controllerPage()->hintLabel()->text().startsWith(QStringLiteral("Wählen Sie die Schnittstelle aus")));
        QVERIFY(area->text().startsWith(QStringLiteral("Für nähere Informationen")));
        form.reject();
    }

    void placementIsKeptUnderCF()
    {
        Fixture f;
        {
            SettingsDialog form;  // no stored place: design position, stored on close
            const QPoint design = form.pos();
            form.done(QDialog::Rejected);
            QCOMPARE(stored(QStringLiteral("FormData"), QStringLiteral("CFX")), QString::number(design.x()));
            QCOMPARE(stored(QStringLiteral("FormData"), QStringLiteral("CFY")), QString::number(design.y()));
        }
        {
            RegistryIni reg(RegistryKeys::Main);
            reg.writeInteger(QStringLiteral("FormData"), QStringLiteral("CFX"), 140);
            reg.writeInteger(QStringLiteral("FormData"), QStringLiteral("CFY"), 90);
        }
        SettingsDialog form;
        QCOMPARE(form.pos(), QPoint(140, 90));
        form.move(210, 160);
        form.done(QDialog::Accepted);
        QCOMPARE(stored(QStringLiteral("FormData"), QStringLiteral("CFX")), QStringLiteral("210"));
        QCOMPARE(stored(QStringLiteral("FormData"), QStringLiteral("CFY")), QStringLiteral("160"));
    }

    void linksOpenAddressesAndLog()
    {
        Fixture f;
        f.logOn();
        SettingsDialog form;
        QStringList web, mail;
        bool webWorks = true, mailWorks = true;
        form.informationPage()->setOpeners([&](const QString &url) { web << url; return webWorks; },
                                           [&](const QString &address) { mail << address; return mailWorks; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.pageControl()->setCurrentWidget(form.informationPage());

        QCOMPARE(form.informationPage()->homepageLabel()->text(), WebLinks::Homepage);
        QCOMPARE(form.informationPage()->supportMailLabel()->text(), WebLinks::SupportMail);
        QTest::mouseClick(form.informationPage()->homepageLabel(), Qt::LeftButton);
        QTest::mouseClick(form.informationPage()->supportMailLabel(), Qt::LeftButton);
        QCOMPARE(web, QStringList{WebLinks::Homepage});
        QCOMPARE(mail, QStringList{WebLinks::SupportMail});
        QCOMPARE(f.boxes.count(), 0);

        // The desktop takes neither: the user is told, nothing else happens.
        webWorks = mailWorks = false;
        form.informationPage()->homepageClicked();
        form.informationPage()->supportMailClicked();
        QCOMPARE(f.boxes.count(), 2);
        QCOMPARE(f.boxes.shown().at(0).kind, MessageService::Kind::Error);
        QVERIFY(f.boxes.shown().at(0).text.contains(WebLinks::Homepage));
        QVERIFY(f.boxes.shown().at(1).text.contains(WebLinks::SupportMail));
        QVERIFY(form.isVisible());

        QStringList log = logMessages();
        log.removeAll(QStringLiteral("Initialisierung : [Start] Laden CF"));
        log.removeAll(QStringLiteral("Initialisierung : [Erfolg] Laden CF"));
        QCOMPARE(log, QStringList({QStringLiteral("Ausführen : Verbinden mit Webseite"),
                                   QStringLiteral("Ausführen : Senden E-Mail"),
                                   QStringLiteral("Ausführen : Verbinden mit Webseite"),
                                   QStringLiteral("Ausführen : [Fehler] Verbinden mit Webseite"),
                                   QStringLiteral("Ausführen : Senden E-Mail"),
                                   QStringLiteral("Ausführen : [Fehler] Senden E-Mail")}));
        form.reject();
    }

    void pagesAndPageChangeLock()
    {
        Fixture f;
        SettingsDialog form;
        QTabWidget *pages = form.pageControl();
        QStringList visible;
        for (int i = 0; i < pages->count(); ++i)
            if (pages->isTabVisible(i))
                visible << pages->tabText(i);
        QCOMPARE(visible, QStringList({QStringLiteral("Allgemein"), QStringLiteral("Information")}));
        QVERIFY(!pages->isTabEnabled(pages->indexOf(form.controllerPage())));
        QCOMPARE(pages->currentWidget(), form.generalPage());

        form.setPageChangeAllowed(false);
        pages->setCurrentWidget(form.informationPage());
        QCOMPARE(pages->currentWidget(), form.generalPage());
        QCOMPARE(pages->tabBar()->currentIndex(), pages->indexOf(form.generalPage()));

        // Every showing allows page changes again.
        form.show();
        QVERIFY(form.pageChangeAllowed());
        pages->setCurrentWidget(form.informationPage());
        QCOMPARE(pages->currentWidget(), form.informationPage());
        form.reject();
    }

    void functionKeysReachTheDialogFirst()
    {
        Fixture f;
        SettingsDialog form;
        int capture0 = 0, capture1 = 0;
        form.debugCapture0 = [&] { ++capture0; };
        form.debugCapture1 = [&] { ++capture1; };
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.generalPage()->userEdit()->setFocus();
        QTest::keyClick(form.generalPage()->userEdit(), Qt::Key_F10);
        QTest::keyClick(form.generalPage()->userEdit(), Qt::Key_F11);
        QTest::keyClick(form.generalPage()->userEdit(), Qt::Key_F9);
        QCOMPARE(capture0, 1);
        QCOMPARE(capture1, 1);
        QVERIFY(!form.handleFunctionKey(Qt::Key_F9));
        form.reject();
    }
};

VR_TEST_CLASS(SettingsDialogTest)
#include "settingsdialog_test.moc"
