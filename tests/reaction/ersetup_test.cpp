#include "platform/programpaths.h"
#include "platform/registryini.h"
#include "reaction/ersetup1_form.h"
#include "reaction/ersetup2_form.h"
#include "runkit/erview_form.h"
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
void confirmFree(TERSetupBase &form, const QString &text)
{
    form.frei_RadioButton->setChecked(true);
    form.Anz_Edit->setText(text);
    form.setResult(0);
    form.OK_ButtonClick();
}
} // namespace

class ERSetupTest : public QObject
{
    Q_OBJECT
private slots:
    void buildsEveryControl()
    {
        SetupFixture fx;
        TERSetup1_Form form;
        QCOMPARE(form.objectName(), QStringLiteral("ERSetup1_Form"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Vorgaben"));
        QCOMPARE(form.Info_Label1->text(),
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
        QVERIFY(!form.Anz_Edit->isEnabled());
        QVERIFY(form.findChild<QPushButton *>(QStringLiteral("Info_Button")));
        QVERIFY(!form.findChild<QComboBox *>(QStringLiteral("Typ_Combobox")));

        TERSetup2_Form form2;
        QCOMPARE(form2.objectName(), QStringLiteral("ERSetup2_Form"));
        QCOMPARE(form2.Typ_Combobox->count(), 2);
        QCOMPARE(form2.Typ_Combobox->itemText(0), QStringLiteral("liegend"));
        QCOMPARE(form2.Typ_Combobox->itemText(1), QStringLiteral("stehend"));
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
        TERSetup1_Form form;
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

        TERSetup2_Form form2;
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
        std::unique_ptr<TERSetupBase> form;
        if (test == 1)
            form = std::make_unique<TERSetup1_Form>();
        else
            form = std::make_unique<TERSetup2_Form>();
        form->Anz5_RadioButton->setChecked(true);
        form->PrepareForShow();
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->Anz5_RadioButton->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QVERIFY(form->frei_RadioButton->isChecked());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->Anz_Edit));
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
        TERSetup1_Form form;
        form.Anz_Edit->setText(QStringLiteral("abc")); // not read without "frei"
        form.Anz15_RadioButton->setChecked(true);
        form.OK_ButtonClick();
        QCOMPARE(RunSettings::instance().SerienAnzahl, 15);
        form.Anz10_RadioButton->setChecked(true);
        form.OK_ButtonClick();
        QCOMPARE(RunSettings::instance().SerienAnzahl, 10);
        form.Anz5_RadioButton->setChecked(true);
        form.OK_ButtonClick();
        QCOMPARE(RunSettings::instance().SerienAnzahl, 5);
        QCOMPARE(fx.messages.count(), 0);
    }

    void earlierStepsHoldWhenTheCountIsRefused()
    {
        SetupFixture fx;
        QVERIFY(fx.addFile(QStringLiteral("a.bmp")));
        TERSetup2_Form form;
        form.FormActivate();
        form.cb_VisierClick();
        form.Zeit_SpinEdit->setValue(4);
        form.PosOk_Checkbox->setChecked(true);
        form.Typ_Combobox->setCurrentIndex(1);
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
        TERSetup1_Form form;
        form.FormActivate(); // no "vdata" at all
        QCOMPARE(form.cb_Visier->count(), 0);
        QCOMPARE(form.cb_Visier->currentIndex(), -1);

        for (const char *name : {"a.bmp", "b.bmp", "c.bmp", "notiz.txt", ".versteckt.bmp"})
            QVERIFY(fx.addFile(QString::fromLatin1(name)));
        QDir().mkpath(QDir(ProgramPaths::vdataDir()).filePath(QStringLiteral("ordner.bmp")));
        form.FormActivate();
        QStringList names;
        for (int i = 0; i < form.cb_Visier->count(); ++i)
            names << form.cb_Visier->itemText(i);
        QCOMPARE(form.cb_Visier->currentIndex(), 0);
        names.sort();
        QCOMPARE(names, QStringList({".versteckt.bmp", "a.bmp", "b.bmp", "c.bmp"}));

        // listing again does not add the names twice
        form.FormActivate();
        QCOMPARE(form.cb_Visier->count(), 4);

        // picking from the list chooses the file as the source
        QVERIFY(form.rb_PersVisier->isChecked());
        emit form.cb_Visier->activated(2);
        QVERIFY(form.rb_PresVisier->isChecked());
        form.cb_Visier->setCurrentIndex(2);
        form.OK_ButtonClick();
        QCOMPARE(RunSettings::instance().VisierDatei, form.cb_Visier->itemText(2));

        form.rb_PersVisier->setChecked(true);
        form.OK_ButtonClick();
        QVERIFY(RunSettings::instance().VisierDatei.isEmpty());
    }

    void fileSourceWithoutPictures()
    {
        SetupFixture fx;
        TERSetup1_Form form;
        RunSettings::instance().VisierDatei = QStringLiteral("alt.bmp");
        form.FormActivate();
        form.rb_PresVisier->setChecked(true);
        form.OK_ButtonClick();
        QCOMPARE(fx.messages.count(), 1);
        QCOMPARE(fx.messages.shown().first().kind, MessageService::Kind::Information);
        QCOMPARE(fx.messages.lastText(),
                 QStringLiteral("Keine Visierdaten vorhanden ! \r\nVerwende Profil aus Schützendatenbank."));
        QVERIFY(form.rb_PersVisier->isChecked());
        QVERIFY(RunSettings::instance().VisierDatei.isEmpty());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void activationRules()
    {
        SetupFixture fx;
        TERSetup1_Form form1;
        form1.frei_RadioButton->setChecked(true);
        form1.Anz_Edit->setText(QStringLiteral("8"));
        form1.FormActivate();
        QVERIFY(form1.frei_RadioButton->isChecked()); // test 1 keeps its choices
        QCOMPARE(form1.Anz_Edit->text(), QStringLiteral("8"));
        form1.PrepareForShow();
        QVERIFY(form1.Anz_Edit->isEnabled()); // "frei" still needs its number
        form1.Anz10_RadioButton->setChecked(true);
        QVERIFY(!form1.Anz_Edit->isEnabled());
        form1.PrepareForShow();
        QVERIFY(!form1.Anz_Edit->isEnabled());

        TERSetup2_Form form2;
        form2.frei_RadioButton->setChecked(true);
        QVERIFY(form2.Anz_Edit->isEnabled());
        form2.Anz_Edit->setText(QStringLiteral("8"));
        form2.Typ_Combobox->setCurrentIndex(1);
        form2.PosOk_Checkbox->setChecked(true);
        form2.FormActivate();
        QVERIFY(form2.Anz_Edit->text().isEmpty());
        QCOMPARE(form2.Typ_Combobox->currentIndex(), 0);
        QVERIFY(form2.Anz5_RadioButton->isChecked());
        QVERIFY(!form2.Anz_Edit->isEnabled());
        QVERIFY(form2.PosOk_Checkbox->isChecked()); // not reset
    }

    void positionSettingsFollowTheShootingPosition()
    {
        SetupFixture fx;
        TERSetup2_Form form;
        form.Typ_Combobox->setCurrentIndex(1);
        form.OK_ButtonClick();
        QCOMPARE(RunSettings::instance().ER2_SPos, 10); // nothing stored
        QCOMPARE(RunSettings::instance().ER2_SPos_ok, 5);

        fx.store(QStringLiteral("ER2_SPos_l"), 30);
        fx.store(QStringLiteral("ER2_SPos_ok_l"), 9);
        fx.store(QStringLiteral("ER2_SPos_s"), 20);
        fx.store(QStringLiteral("ER2_SPos_ok_s"), 7);
        form.OK_ButtonClick();
        QCOMPARE(RunSettings::instance().ER2_SPos, 20);
        QCOMPARE(RunSettings::instance().ER2_SPos_ok, 7);
        QVERIFY(!RunSettings::instance().Trefferanzeige);
        form.Typ_Combobox->setCurrentIndex(0);
        form.PosOk_Checkbox->setChecked(true);
        form.OK_ButtonClick();
        QCOMPARE(RunSettings::instance().ER2_SPos, 30);
        QCOMPARE(RunSettings::instance().ER2_SPos_ok, 9);
        QVERIFY(RunSettings::instance().Trefferanzeige);
    }

    void informationTexts()
    {
        SetupFixture fx;
        TERSetup1_Form form1;
        TERSetup2_Form form2;
        form1.Info_ButtonClick();
        form2.Info_ButtonClick();
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
        TERSetup1_Form form;
        form.PrepareForShow();
        QVERIFY(!form.Anz_Edit->isEnabled());
        QTimer::singleShot(0, &form, [&form] { form.OK_Button->click(); });
        QCOMPARE(form.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, &form, [&form] { form.Cancel_Button->click(); });
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        // a refused count keeps the dialog open until it is left otherwise
        form.frei_RadioButton->setChecked(true);
        form.Anz_Edit->setText(QStringLiteral("keine"));
        QTimer::singleShot(0, &form, [&form] {
            form.OK_Button->click();
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
        TERview_Form view;
        TERSetup2_Form form;
        form.setSightView(&view);
        form.Typ_Combobox->setCurrentIndex(1);
        QCOMPARE(view.shootingPosition(), 1);
        // the log line lets pending events run, so act only once the view is shown
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &view, [&view] {
            if (!view.isVisible())
                return;
            view.Pos_SpinEdit->setValue(33);
            view.Cancel_ButtonClick();
        });
        poll.start(5);
        form.Visier_ButtonClick();
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
#include "ersetup_test.moc"
