#include "reaction/ersetupbase.h"

#include "platform/digitreader.h"
#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "reaction/runsettings.h"
#include "shell/actionlog.h"
#include "shell/hints.h"
#include "shell/settings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

QStringList SetupInfoCommonLines()
{
    return {QStringLiteral("Durchführung der Messung"),
            QString(),
            QStringLiteral("Die Meßwerterfassung wird durch klicken auf die Schaltfläche"),
            QStringLiteral("\"Start\" begonnen. Nach ca. 2 Sekunden werden die Scheiben dem"),
            QStringLiteral("Schützen in unregelmäßigen Abständen präsentiert. Jede Serie"),
            QStringLiteral("umfasst 5 Scheiben. Der Schuss wird als gültig erkannt, wenn die")};
}

TERSetupBase::TERSetupBase(const QString &code, QWidget *parent)
    : QDialog(parent)
    , m_code(code)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ") + code);

    setWindowTitle(QStringLiteral("Vorgaben"));
    setModal(true);

    auto named = [](QWidget *w, const char *name) { w->setObjectName(QString::fromLatin1(name)); };

    Info_Label1 = new QLabel(QStringLiteral("Wählen Sie die gewünschte Messung aus und klicken Sie auf \"OK\". "
                                            "Hinweise zur Durchführung der Messung erhalten Sie durch Klicken "
                                            "auf \"Information\"."),
                             this);
    named(Info_Label1, "Info_Label1");
    Info_Label1->setAlignment(Qt::AlignCenter);
    Info_Label1->setWordWrap(true);

    Serien_GroupBox = new QGroupBox(QStringLiteral("&Serien"), this);
    named(Serien_GroupBox, "Serien_GroupBox");
    Anz5_RadioButton = new QRadioButton(QStringLiteral("5"), Serien_GroupBox);
    named(Anz5_RadioButton, "Anz5_RadioButton");
    Anz10_RadioButton = new QRadioButton(QStringLiteral("10"), Serien_GroupBox);
    named(Anz10_RadioButton, "Anz10_RadioButton");
    Anz15_RadioButton = new QRadioButton(QStringLiteral("15"), Serien_GroupBox);
    named(Anz15_RadioButton, "Anz15_RadioButton");
    frei_RadioButton = new QRadioButton(QStringLiteral("frei"), Serien_GroupBox);
    named(frei_RadioButton, "frei_RadioButton");
    Anz_Edit = new QLineEdit(Serien_GroupBox);
    named(Anz_Edit, "Anz_Edit");
    Anz_Edit->setMaximumWidth(70);
    Anz5_RadioButton->setChecked(true);
    Anz_Edit->setEnabled(false);
    auto *serien = new QHBoxLayout(Serien_GroupBox);
    for (QWidget *w : {static_cast<QWidget *>(Anz5_RadioButton), static_cast<QWidget *>(Anz10_RadioButton),
                       static_cast<QWidget *>(Anz15_RadioButton), static_cast<QWidget *>(frei_RadioButton),
                       static_cast<QWidget *>(Anz_Edit)})
        serien->addWidget(w);
    serien->addStretch();

    Zeiten_GroupBox = new QGroupBox(QStringLiteral("&Zeiten"), this);
    named(Zeiten_GroupBox, "Zeiten_GroupBox");
    Zeit_Label = new QLabel(QStringLiteral("Scheibenabstand in Sekunden"), Zeiten_GroupBox);
    named(Zeit_Label, "Zeit_Label");
    Zeit_SpinEdit = new QSpinBox(Zeiten_GroupBox);
    named(Zeit_SpinEdit, "Zeit_SpinEdit");
    Zeit_SpinEdit->setRange(1, 10);
    Zeit_SpinEdit->setValue(1);
    Zeit_SpinEdit->findChild<QLineEdit *>()->setReadOnly(true); // arrows only, no typing
    auto *zeiten = new QHBoxLayout(Zeiten_GroupBox);
    zeiten->addWidget(Zeit_Label);
    zeiten->addWidget(Zeit_SpinEdit);
    zeiten->addStretch();

    Visier_GroupBox = new QGroupBox(QStringLiteral("&Visier"), this);
    named(Visier_GroupBox, "Visier_GroupBox");
    cb_Visier = new QComboBox(Visier_GroupBox);
    named(cb_Visier, "cb_Visier");
    cb_Visier->setEditable(false);
    cb_Visier->setMinimumWidth(160);
    rb_PersVisier = new QRadioButton(QStringLiteral("aus &Datenbank"), Visier_GroupBox);
    named(rb_PersVisier, "rb_PersVisier");
    rb_PresVisier = new QRadioButton(QStringLiteral("aus Da&tei"), Visier_GroupBox);
    named(rb_PresVisier, "rb_PresVisier");
    rb_PersVisier->setChecked(true);
    auto *visier = new QGridLayout(Visier_GroupBox);
    visier->addWidget(cb_Visier, 0, 0, 1, 2);
    visier->addWidget(rb_PersVisier, 1, 0);
    visier->addWidget(rb_PresVisier, 1, 1);

    OK_Button = new QPushButton(QStringLiteral("&OK"), this);
    named(OK_Button, "OK_Button");
    OK_Button->setDefault(true);
    SetHint(OK_Button, QStringLiteral("|Datensatz speichern"));
    Cancel_Button = new QPushButton(QStringLiteral("&Abbruch"), this);
    named(Cancel_Button, "Cancel_Button");
    SetHint(Cancel_Button, QStringLiteral("|Datensatz verwerfen"));
    Info_Button = new QPushButton(QStringLiteral("&Information"), this);
    named(Info_Button, "Info_Button");

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(OK_Button);
    buttons->addWidget(Cancel_Button);
    buttons->addWidget(Info_Button);

    m_groups = new QVBoxLayout;
    m_groups->addWidget(Serien_GroupBox);
    m_groups->addWidget(Zeiten_GroupBox);
    m_groups->addWidget(Visier_GroupBox);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Info_Label1);
    layout->addLayout(m_groups);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(frei_RadioButton, &QRadioButton::toggled, this, [this] { frei_RadioButtonClick(); });
    connect(cb_Visier, qOverload<int>(&QComboBox::activated), this, [this] { cb_VisierClick(); });
    connect(OK_Button, &QPushButton::clicked, this, [this] { OK_ButtonClick(); });
    connect(Cancel_Button, &QPushButton::clicked, this, &QDialog::reject);
    connect(Info_Button, &QPushButton::clicked, this, [this] { Info_ButtonClick(); });
}

TERSetupBase::~TERSetupBase() = default;

void TERSetupBase::addGroup(QWidget *group) { m_groups->addWidget(group); }

void TERSetupBase::finishCreation()
{
    setMinimumWidth(360);
    Info_Label1->setFixedWidth(360);
    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ") + m_code);
}

void TERSetupBase::PrepareForShow() { Anz_Edit->setEnabled(frei_RadioButton->isChecked()); }

void TERSetupBase::FormActivate()
{
    activateOwnControls();
    fillPictureList();
}

void TERSetupBase::fillPictureList()
{
    cb_Visier->clear();
    QDir dir(ProgramPaths::vdataDir());
    const QStringList files = dir.entryList({QStringLiteral("*.bmp")},
                                            QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QString &name : files)
        cb_Visier->addItem(name);
    if (cb_Visier->count() > 0)
        cb_Visier->setCurrentIndex(0);
}

void TERSetupBase::frei_RadioButtonClick()
{
    if (frei_RadioButton->isChecked()) {
        Anz_Edit->setEnabled(true);
        Anz_Edit->setFocus();
    } else {
        Anz_Edit->setEnabled(false);
    }
}

void TERSetupBase::cb_VisierClick() { rb_PresVisier->setChecked(true); }

void TERSetupBase::Info_ButtonClick() { ShowInformation(infoText()); }

void TERSetupBase::OK_ButtonClick()
{
    RunSettings &run = RunSettings::instance();
    if (rb_PresVisier->isChecked()) {
        if (!cb_Visier->currentText().isEmpty()) {
            run.VisierDatei = cb_Visier->currentText();
        } else {
            ShowInformation(QStringLiteral("Keine Visierdaten vorhanden ! \r\nVerwende Profil aus Schützendatenbank."));
            rb_PersVisier->setChecked(true);
            run.VisierDatei.clear();
        }
    } else {
        run.VisierDatei.clear();
    }

    takePositionSettings();
    run.Scheibenabstand = Zeit_SpinEdit->value();
    takeHitDisplay();

    if (frei_RadioButton->isChecked()) {
        // DigitsToInt gives 0 also for a number beyond the integer range.
        const int n = DigitsToInt(Anz_Edit->text());
        if (n < 1) {
            ShowError(seriesErrorText());
            return;
        }
        run.SerienAnzahl = n;
    } else if (Anz15_RadioButton->isChecked()) {
        run.SerienAnzahl = 15;
    } else if (Anz10_RadioButton->isChecked()) {
        run.SerienAnzahl = 10;
    } else {
        run.SerienAnzahl = 5;
    }
    accept();
}

void TERSetupBase::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void TERSetupBase::done(int r)
{
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}
