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

    m_infoLabel = MakeSetupInfoLabel(this);

    m_series = MakeSeriesGroup(this);
    m_times = MakeTimesGroup(this);
    m_sight = MakeSightGroup(this);
    m_buttons = MakeSetupButtons(this);

    m_groups = new QVBoxLayout;
    m_groups->addWidget(m_series.group);
    m_groups->addWidget(m_times.group);
    m_groups->addWidget(m_sight.group);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_infoLabel);
    layout->addLayout(m_groups);
    layout->addLayout(m_buttons.row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_series.frei, &QRadioButton::toggled, this, [this] { freeCountToggled(); });
    connect(m_sight.list, qOverload<int>(&QComboBox::activated), this, [this] { sightPictureChosen(); });
    connect(m_buttons.ok, &QPushButton::clicked, this, [this] { okClicked(); });
    connect(m_buttons.cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_buttons.info, &QPushButton::clicked, this, [this] { infoClicked(); });
}

SetupDialogBase::~SetupDialogBase() = default;

void SetupDialogBase::addGroup(QWidget *group) { m_groups->addWidget(group); }

void SetupDialogBase::finishCreation()
{
    setMinimumWidth(360);
    m_infoLabel->setFixedWidth(360);
    LoadFormPlacement(this, m_code);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ") + m_code);
}

void SetupDialogBase::prepareForShow() { m_series.edit->setEnabled(m_series.frei->isChecked()); }

void SetupDialogBase::activate()
{
    activateOwnControls();
    fillPictureList();
    m_sightStandIn = PreselectSightSource(m_sight, m_sightStandIn);
}

void SetupDialogBase::fillPictureList()
{
    m_sight.list->clear();
    QDir dir(ProgramPaths::vdataDir());
    const QStringList files = dir.entryList({QStringLiteral("*.bmp")},
                                            QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    for (const QString &name : files)
        m_sight.list->addItem(name);
    if (m_sight.list->count() > 0)
        m_sight.list->setCurrentIndex(0);
}

void SetupDialogBase::freeCountToggled()
{
    if (m_series.frei->isChecked()) {
        m_series.edit->setEnabled(true);
        FocusSeriesCount(m_series);
    } else {
        m_series.edit->setEnabled(false);
    }
}

void SetupDialogBase::sightPictureChosen() { m_sight.file->setChecked(true); }

void SetupDialogBase::infoClicked() { ShowInformation(infoText()); }

void SetupDialogBase::okClicked()
{
    RunSettings &run = RunSettings::instance();
    run.VisierDatei = ChosenSightFile(m_sight);

    takePositionSettings();
    run.Scheibenabstand = m_times.spin->value();
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
        activate();
}

void SetupDialogBase::done(int r)
{
    SaveFormPlacement(m_code, x(), y());
    QDialog::done(r);
}
