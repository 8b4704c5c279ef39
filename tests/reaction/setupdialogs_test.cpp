#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "reaction/staticsetupdialog.h"
#include "reaction/randomsetupdialog.h"
#include "runkit/sightviewdialog.h"
#include "runkit/runsettings.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "support/child.h"
#include "support/sandbox.h"
#include "support/scriptedmessages.h"
#include "support/testmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
struct SetupFixture
{
    Sandbox box;
    ScriptedMessages messages;
    SetupFixture() { Settings::instance().Logfile = true; }
    [[nodiscard]] bool addFile(const QString &name)
    {
        QDir().mkpath(ProgramPaths::vdataDir());
        QFile f(QDir(ProgramPaths::vdataDir()).filePath(name));
        return f.open(QIODevice::WriteOnly);
    }
    void store(const QString &name, int value)
    {
        RegistryIni ini(RegistryKeys::Main);
        ini.writeInteger(QStringLiteral("Config"), name, value);
    }
};

// Chooses "frei" with the text and confirms.
void confirmFree(SetupDialogBase &form, const QString &text)
{
    form.seriesControls().frei->setChecked(true);
    form.seriesControls().edit->setText(text);
    form.setResult(0);
    form.okClicked();
}
} // namespace

class ERSetupTest : public QObject
{
    Q_OBJECT
private slots:
    void buildsEveryControl()
    {
        SetupFixture fx;
        StaticSetupDialog form;
        QCOMPARE(form.objectName(), QStringLiteral("ERSetup1_Form"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Vorgaben"));
        QCOMPARE(form.infoLabel()->text(),
                 QStringLiteral("Wählen Sie die gewünschte Messung aus und klicken Sie auf \"OK\". Hinweise zur "
                                "Durchführung der Messung erhalten Sie durch Klicken auf \"Information\"."));
        VR_CHILD(anz5, QRadioButton, form, QStringLiteral("Anz5_RadioButton"));
        QVERIFY(anz5->isChecked());
        VR_CHILD(persVisier, QRadioButton, form, QStringLiteral("rb_PersVisier"));
        QVERIFY(persVisier->isChecked());
        VR_CHILD(presVisier, QRadioButton, form, QStringLiteral("rb_PresVisier"));
        QCOMPARE(presVisier->text(), QStringLiteral("aus Da&tei"));
        VR_CHILD(zeit, QSpinBox, form, QStringLiteral("Zeit_SpinEdit"));
        QCOMPARE(zeit->value(), 1);
        QCOMPARE(zeit->minimum(), 1);
        QCOMPARE(zeit->maximum(), 10);
        VR_CHILD(zeitText, QLineEdit, zeit, QString());
        QVERIFY(zeitText->isReadOnly());
        VR_CHILD(visier, QComboBox, form, QStringLiteral("cb_Visier"));
        QVERIFY(!visier->isEditable());
        VR_CHILD(ok, QPushButton, form, QStringLiteral("OK_Button"));
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->statusTip(), QStringLiteral("Datensatz speichern"));
        VR_CHILD(cancel, QPushButton, form, QStringLiteral("Cancel_Button"));
        QCOMPARE(cancel->statusTip(), QStringLiteral("Datensatz verwerfen"));
        QVERIFY(!form.seriesControls().edit->isEnabled());
        QVERIFY(form.findChild<QPushButton *>(QStringLiteral("Info_Button")));
        QVERIFY(!form.findChild<QComboBox *>(QStringLiteral("Typ_Combobox")));

        RandomSetupDialog form2;
        QCOMPARE(form2.objectName(), QStringLiteral("ERSetup2_Form"));
        QCOMPARE(form2.positionCombo()->count(), 2);
        QCOMPARE(form2.positionCombo()->itemText(0), QStringLiteral("liegend"));
        QCOMPARE(form2.positionCombo()->itemText(1), QStringLiteral("stehend"));
        VR_CHILD(posOk, QCheckBox, form2, QStringLiteral("PosOk_Checkbox"));
        QVERIFY(!posOk->isChecked());
        VR_CHILD(visierButton, QPushButton, form2, QStringLiteral("Visier_Button"));
        QCOMPARE(visierButton->text(), QStringLiteral("&Definieren"));

        const QStringList log = LoadLogIntoViewer();
        for (const char *line : {"Initialisierung : [Start] Laden ERS1F", "Initialisierung : [Erfolg] Laden ERS1F",
                                 "Initialisierung : [Start] Laden ERS2F", "Initialisierung : [Erfolg] Laden ERS2F"})
            QCOMPARE(log.filter(QString::fromUtf8(line)).size(), 1);
    }

    void freeSeriesCount()
    {
        SetupFixture fx;
        StaticSetupDialog form;
        confirmFree(form, QStringLiteral("007"));
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(RunSettings::instance().SerienAnzahl, 7);
        confirmFree(form, QStringLiteral("2,5"));
        QCOMPARE(RunSettings::instance().SerienAnzahl, 25);
        QCOMPARE(fx.messages.count(), 0);

        for (const QString &bad : {QStringLiteral("abc"), QStringLiteral(""), QStringLiteral("0"),
                                   QStringLiteral("99999999999")}) {
            fx.messages.clear();
            confirmFree(form, bad);
            QCOMPARE(form.result(), 0); // stays open
            QCOMPARE(fx.messages.count(), 1);
            QCOMPARE(fx.messages.shown().first().kind, MessageService::Kind::Error);
            QCOMPARE(fx.messages.lastText(), QStringLiteral("Bitte eine gültige Serienanzahl eingeben."));
            QCOMPARE(RunSettings::instance().SerienAnzahl, 25);
        }

        RandomSetupDialog form2;
        confirmFree(form2, QStringLiteral("4294967297"));
        QCOMPARE(form2.result(), 0);
        QCOMPARE(fx.messages.lastText(), QStringLiteral("Bitte eine gültige Anzahl eingeben."));
        confirmFree(form2, QStringLiteral("-3"));
        QCOMPARE(RunSettings::instance().SerienAnzahl, 3);
    }

    // "frei" chosen with the arrow keys: the digits typed next go to the count
    // field, and Return starts with that many series.
    void freeCountByTheKeyboard_data()
    {
        QTest::addColumn<int>("test");
        QTest::addRow("test 1") << 1;
        QTest::addRow("test 2") << 2;
    }

    void freeCountByTheKeyboard()
    {
        QFETCH(int, test);
        SetupFixture fx;
        std::unique_ptr<SetupDialogBase> form;
        if (test == 1)
            form = std::make_unique<StaticSetupDialog>();
        else
            form = std::make_unique<RandomSetupDialog>();
        form->seriesControls().anz5->setChecked(true);
        form->prepareForShow();
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->seriesControls().anz5->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QVERIFY(form->seriesControls().frei->isChecked());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->seriesControls().edit));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("12"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QVERIFY(!form->isVisible());
        QCOMPARE(RunSettings::instance().SerienAnzahl, 12);
        QCOMPARE(fx.messages.count(), 0);
    }

    void fixedSeriesCounts()
    {
        SetupFixture fx;
        StaticSetupDialog form;
        form.seriesControls().edit->setText(QStringLiteral("abc")); // not read without "frei"
        form.seriesControls().anz15->setChecked(true);
        form.okClicked();
        QCOMPARE(RunSettings::instance().SerienAnzahl, 15);
        form.seriesControls().anz10->setChecked(true);
        form.okClicked();
        QCOMPARE(RunSettings::instance().SerienAnzahl, 10);
        form.seriesControls().anz5->setChecked(true);
        form.okClicked();
        QCOMPARE(RunSettings::instance().SerienAnzahl, 5);
        QCOMPARE(fx.messages.count(), 0);
    }

    void earlierStepsHoldWhenTheCountIsRefused()
    {
        SetupFixture fx;
        QVERIFY(fx.addFile(QStringLiteral("a.bmp")));
        RandomSetupDialog form;
        form.activate();
        form.sightPictureChosen();
        form.spacingSpin()->setValue(4);
        form.hitDisplayCheck()->setChecked(true);
        form.positionCombo()->setCurrentIndex(1);
        confirmFree(form, QStringLiteral("x"));
        QCOMPARE(form.result(), 0);
        const RunSettings &run = RunSettings::instance();
        QCOMPARE(run.VisierDatei, QStringLiteral("a.bmp"));
        QCOMPARE(run.Scheibenabstand, 4);
        QVERIFY(run.Trefferanzeige);
        QCOMPARE(run.ER2_SPos, 10);
        QCOMPARE(run.ER2_SPos_ok, 5);
        QCOMPARE(run.SerienAnzahl, 5);
    }

    void pictureList()
    {
        SetupFixture fx;
        StaticSetupDialog form;
        form.activate(); // no "vdata" at all
        QCOMPARE(form.sightControls().list->count(), 0);
        QCOMPARE(form.sightControls().list->currentIndex(), -1);

        for (const char *name : {"a.bmp", "b.bmp", "c.bmp", "notiz.txt", ".versteckt.bmp"})
            QVERIFY(fx.addFile(QString::fromLatin1(name)));
        QDir().mkpath(QDir(ProgramPaths::vdataDir()).filePath(QStringLiteral("ordner.bmp")));
        form.activate();
        QStringList names;
        for (int i = 0; i < form.sightControls().list->count(); ++i)
            names << form.sightControls().list->itemText(i);
        QCOMPARE(form.sightControls().list->currentIndex(), 0);
        names.sort();
        QCOMPARE(names, QStringList({".versteckt.bmp", "a.bmp", "b.bmp", "c.bmp"}));

        // listing again does not add the names twice
        form.activate();
        QCOMPARE(form.sightControls().list->count(), 4);

        // picking from the list chooses the file as the source
        QVERIFY(form.sightControls().database->isChecked());
        emit form.sightControls().list->activated(2);
        QVERIFY(form.sightControls().file->isChecked());
        form.sightControls().list->setCurrentIndex(2);
        form.okClicked();
        QCOMPARE(RunSettings::instance().VisierDatei, form.sightControls().list->itemText(2));

        form.sightControls().database->setChecked(true);
        form.okClicked();
        QVERIFY(RunSettings::instance().VisierDatei.isEmpty());
    }

    void fileSourceWithoutPictures()
    {
        SetupFixture fx;
        StaticSetupDialog form;
        RunSettings::instance().VisierDatei = QStringLiteral("alt.bmp");
        form.activate();
        form.sightControls().file->setChecked(true);
        form.okClicked();
        QCOMPARE(fx.messages.count(), 1);
        QCOMPARE(fx.messages.shown().first().kind, MessageService::Kind::Information);
        QCOMPARE(fx.messages.lastText(),
                 QStringLiteral("Keine Visierdaten vorhanden ! \r\nVerwende Profil aus Schützendatenbank."));
        QVERIFY(form.sightControls().database->isChecked());
        QVERIFY(RunSettings::instance().VisierDatei.isEmpty());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void activationRules()
    {
        SetupFixture fx;
        StaticSetupDialog form1;
        form1.seriesControls().frei->setChecked(true);
        form1.seriesControls().edit->setText(QStringLiteral("8"));
        form1.activate();
        QVERIFY(form1.seriesControls().frei->isChecked()); // test 1 keeps its choices
        QCOMPARE(form1.seriesControls().edit->text(), QStringLiteral("8"));
        form1.prepareForShow();
        QVERIFY(form1.seriesControls().edit->isEnabled()); // "frei" still needs its number
        form1.seriesControls().anz10->setChecked(true);
        QVERIFY(!form1.seriesControls().edit->isEnabled());
        form1.prepareForShow();
        QVERIFY(!form1.seriesControls().edit->isEnabled());

        RandomSetupDialog form2;
        form2.seriesControls().frei->setChecked(true);
        QVERIFY(form2.seriesControls().edit->isEnabled());
        form2.seriesControls().edit->setText(QStringLiteral("8"));
        form2.positionCombo()->setCurrentIndex(1);
        form2.hitDisplayCheck()->setChecked(true);
        form2.activate();
        QVERIFY(form2.seriesControls().edit->text().isEmpty());
        QCOMPARE(form2.positionCombo()->currentIndex(), 0);
        QVERIFY(form2.seriesControls().anz5->isChecked());
        QVERIFY(!form2.seriesControls().edit->isEnabled());
        QVERIFY(form2.hitDisplayCheck()->isChecked()); // not reset
    }

    void positionSettingsFollowTheShootingPosition()
    {
        SetupFixture fx;
        RandomSetupDialog form;
        form.positionCombo()->setCurrentIndex(1);
        form.okClicked();
        QCOMPARE(RunSettings::instance().ER2_SPos, 10); // nothing stored
        QCOMPARE(RunSettings::instance().ER2_SPos_ok, 5);

        fx.store(QStringLiteral("ER2_SPos_l"), 30);
        fx.store(QStringLiteral("ER2_SPos_ok_l"), 9);
        fx.store(QStringLiteral("ER2_SPos_s"), 20);
        fx.store(QStringLiteral("ER2_SPos_ok_s"), 7);
        form.okClicked();
        QCOMPARE(RunSettings::instance().ER2_SPos, 20);
        QCOMPARE(RunSettings::instance().ER2_SPos_ok, 7);
        QVERIFY(!RunSettings::instance().Trefferanzeige);
        form.positionCombo()->setCurrentIndex(0);
        form.hitDisplayCheck()->setChecked(true);
        form.okClicked();
        QCOMPARE(RunSettings::instance().ER2_SPos, 30);
        QCOMPARE(RunSettings::instance().ER2_SPos_ok, 9);
        QVERIFY(RunSettings::instance().Trefferanzeige);
    }

    void informationTexts()
    {
        SetupFixture fx;
        StaticSetupDialog form1;
        RandomSetupDialog form2;
        form1.infoClicked();
        form2.infoClicked();
        QCOMPARE(fx.messages.count(), 2);
        const QString common = QStringLiteral(
            "Durchführung der Messung\r\n\r\nDie Meßwerterfassung wird durch klicken auf die Schaltfläche\r\n"
            "\"Start\" begonnen. Nach ca. 2 Sekunden werden die Scheiben dem\r\n"
            "Schützen in unregelmäßigen Abständen präsentiert. Jede Serie\r\n"
            "umfasst 5 Scheiben. Der Schuss wird als gültig erkannt, wenn die\r\n");
        QCOMPARE(fx.messages.shown().at(0).kind, MessageService::Kind::Information);
        QCOMPARE(fx.messages.shown().at(0).text,
                 common + QStringLiteral("Reaktion innerhalb der konfigurierten Zeitspanne erfolgt. "));
        QCOMPARE(fx.messages.shown().at(1).text,
                 common + QStringLiteral("Reaktion innerhalb der konfigurierten Zeitspanne erfolgt und sich\r\n"
                                         "die Scheibe innerhalb des konfigurierten Bereiches befindet."));
    }

    void modalResults()
    {
        SetupFixture fx;
        StaticSetupDialog form;
        form.prepareForShow();
        QVERIFY(!form.seriesControls().edit->isEnabled());
        QTimer::singleShot(0, &form, [&form] { form.okButton()->click(); });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, &form, [&form] { form.cancelButton()->click(); });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        // a refused count keeps the dialog open until it is left otherwise
        form.seriesControls().frei->setChecked(true);
        form.seriesControls().edit->setText(QStringLiteral("keine"));
        QTimer::singleShot(0, &form, [&form] {
            form.okButton()->click();
            QVERIFY(form.isVisible());
            form.reject();
        });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        QCOMPARE(fx.messages.count(), 1);
        RegistryIni ini(RegistryKeys::Main);
        QVERIFY(ini.valueExists(QStringLiteral("FormData"), QStringLiteral("ERS1FX")));
    }

    void definingOpensTheSightViewForTheChosenPosition()
    {
        SetupFixture fx;
        SightViewDialog view;
        RandomSetupDialog form;
        form.setSightView(&view);
        form.positionCombo()->setCurrentIndex(1);
        QCOMPARE(view.shootingPosition(), 1);
        // the log line lets pending events run, so act only once the view is shown
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &view, [&view] {
            if (!view.isVisible())
                return;
            view.spreadSpin()->setValue(33);
            view.okClicked();
        });
        poll.start(5);
        form.defineClicked();
        poll.stop();
        RegistryIni ini(RegistryKeys::Main);
        QCOMPARE(ini.readInteger(QStringLiteral("Config"), QStringLiteral("ER2_SPos_s"), -1), 33);
        QVERIFY(!ini.valueExists(QStringLiteral("Config"), QStringLiteral("ER2_SPos_l")));
        QCOMPARE(LoadLogIntoViewer().filter(QStringLiteral("Ausführen : [Start] Visieransicht")).size(), 1);
        // the view has no profile to read here
        QCOMPARE(fx.messages.count(QStringLiteral("\r\nFehler beim Lesen der Daten !")), 1);
    }
};

VR_TEST_CLASS(ERSetupTest)
#include "setupdialogs_test.moc"
