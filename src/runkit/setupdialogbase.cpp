#include "runkit/setupdialogbase.h"

#include "platform/messageservice.h"
#include "platform/programpaths.h"
#include "runkit/runsettings.h"
#include "runkit/setupcontrols.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
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

SetupDialogBase::SetupDialogBase(const QString &code, QWidget *parent)
    : QDialog(parent)
    , m_code(code)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ") + code);

    setWindowTitle(QStringLiteral("Vorgaben"));
    setModal(true);

    Info_Label1 = MakeSetupInfoLabel(this);

    m_series = MakeSeriesGroup(this);
    Serien_GroupBox = m_series.group;
    Anz5_RadioButton = m_series.anz5;
    Anz10_RadioButton = m_series.anz10;
    Anz15_RadioButton = m_series.anz15;
    frei_RadioButton = m_series.frei;
    Anz_Edit = m_series.edit;

    const TimesControls times = MakeTimesGroup(this);
    Zeiten_GroupBox = times.group;
    Zeit_Label = times.label;
    Zeit_SpinEdit = times.spin;

    m_sight = MakeSightGroup(this);
    Visier_GroupBox = m_sight.group;
    cb_Visier = m_sight.list;
    rb_PersVisier = m_sight.database;
    rb_PresVisier = m_sight.file;

    const SetupButtons buttons = MakeSetupButtons(this);
    OK_Button = buttons.ok;
    Cancel_Button = buttons.cancel;
    Info_Button = buttons.info;

    m_groups = new QVBoxLayout;
    m_groups->addWidget(Serien_GroupBox);
    m_groups->addWidget(Zeiten_GroupBox);
    m_groups->addWidget(Visier_GroupBox);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Info_Label1);
    layout->addLayout(m_groups);
    layout->addLayout(buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(frei_RadioButton, &QRadioButton::toggled, this, [this] { frei_RadioButtonClick(); });
    connect(cb_Visier, qOverload<int>(&QComboBox::activated), this, [this] { cb_VisierClick(); });
    connect(OK_Button, &QPushButton::clicked, this, [this] { OK_ButtonClick(); });
    connect(Cancel_Button, &QPushButton::clicked, this, &QDialog::reject);
    connect(Info_Button, &QPushButton::clicked, this, [this] { Info_ButtonClick(); });
}

SetupDialogBase::~SetupDialogBase() = default;

void SetupDialogBase::addGroup(QWidget *group) { m_groups->addWidget(group); }

void SetupDialogBase::finishCreation()
{
    setMinimumWidth(360);
    Info_Label1->setFixedWidth(360);
    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ") + m_code);
}

void SetupDialogBase::PrepareForShow() { Anz_Edit->setEnabled(frei_RadioButton->isChecked()); }

void SetupDialogBase::FormActivate()
{
    activateOwnControls();
    fillPictureList();
    m_sightStandIn = PreselectSightSource(m_sight, m_sightStandIn);
}

void SetupDialogBase::fillPictureList()
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

void SetupDialogBase::frei_RadioButtonClick()
{
    if (frei_RadioButton->isChecked()) {
        Anz_Edit->setEnabled(true);
        FocusSeriesCount(m_series);
    } else {
        Anz_Edit->setEnabled(false);
    }
}

void SetupDialogBase::cb_VisierClick() { rb_PresVisier->setChecked(true); }

void SetupDialogBase::Info_ButtonClick() { ShowInformation(infoText()); }

void SetupDialogBase::OK_ButtonClick()
{
    RunSettings &run = RunSettings::instance();
    run.VisierDatei = ChosenSightFile(m_sight);

    takePositionSettings();
    run.Scheibenabstand = Zeit_SpinEdit->value();
    takeHitDisplay();

    const int n = ChosenSeriesCount(m_series);
    if (n < 1) {
        ShowError(seriesErrorText());
        return;
    }
    if (!SightSourceReady(m_sight, m_setUpProfile))
        return;
    run.SerienAnzahl = n;
    accept();
}

void SetupDialogBase::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void SetupDialogBase::done(int r)
{
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}
