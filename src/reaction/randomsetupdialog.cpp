#include "reaction/randomsetupdialog.h"

#include "runkit/sightviewdialog.h"
#include "runkit/runsettings.h"
#include "core/actionlog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

RandomSetupDialog::RandomSetupDialog(QWidget *parent)
    : SetupDialogBase(QStringLiteral("ERS2F"), parent)
{
    setObjectName(QStringLiteral("ERSetup2_Form"));

    m_positionGroup = new QGroupBox(QStringLiteral("S&cheibenposition"), this);
    m_positionGroup->setObjectName(QStringLiteral("Position_GroupBox"));
    m_hitDisplayCheck = new QCheckBox(QStringLiteral("graphische &Trefferanzeige"), m_positionGroup);
    m_hitDisplayCheck->setObjectName(QStringLiteral("PosOk_Checkbox"));
    m_hitDisplayCheck->setChecked(false);
    m_positionCombo = new QComboBox(m_positionGroup);
    m_positionCombo->setObjectName(QStringLiteral("Typ_Combobox"));
    m_positionCombo->setEditable(false);
    m_positionCombo->addItems({QStringLiteral("liegend"), QStringLiteral("stehend")});
    m_positionCombo->setCurrentIndex(0);
    m_defineButton = new QPushButton(QStringLiteral("&Definieren"), m_positionGroup);
    m_defineButton->setObjectName(QStringLiteral("Visier_Button"));
    auto *grid = new QGridLayout(m_positionGroup);
    grid->addWidget(m_hitDisplayCheck, 0, 0, 1, 2);
    grid->addWidget(m_positionCombo, 1, 0);
    grid->addWidget(m_defineButton, 1, 1);
    addGroup(m_positionGroup);

    connect(m_defineButton, &QPushButton::clicked, this, [this] { defineClicked(); });

    finishCreation();
}

RandomSetupDialog::~RandomSetupDialog()
{
    if (m_view)
        m_view->setShootingPositionProvider(nullptr);
}

void RandomSetupDialog::setSightView(SightViewDialog *view)
{
    if (m_view && m_view != view)
        m_view->setShootingPositionProvider(nullptr);
    m_view = view;
    if (m_view)
        m_view->setShootingPositionProvider([this] { return shootingPosition(); });
}

int RandomSetupDialog::shootingPosition() const { return m_positionCombo->currentIndex() == 0 ? 0 : 1; }

void RandomSetupDialog::defineClicked()
{
    WriteLogLine(QStringLiteral("Ausführen : [Start] Visieransicht"));
    if (!m_view)
        setSightView(new SightViewDialog(this)); // normally made at program start
    m_view->exec();
}

void RandomSetupDialog::activateOwnControls()
{
    seriesControls().edit->clear();
    m_positionCombo->setCurrentIndex(0);
    seriesControls().anz5->setChecked(true);
}

void RandomSetupDialog::takePositionSettings()
{
    RunSettings &run = RunSettings::instance();
    LoadPositionSettings(shootingPosition(), &run.ER2_SPos, &run.ER2_SPos_ok);
}

void RandomSetupDialog::takeHitDisplay() { RunSettings::instance().Trefferanzeige = m_hitDisplayCheck->isChecked(); }

QString RandomSetupDialog::infoText() const
{
    QStringList lines = SetupInfoCommonLines();
    lines << QStringLiteral("Reaktion innerhalb der konfigurierten Zeitspanne erfolgt und sich")
          << QStringLiteral("die Scheibe innerhalb des konfigurierten Bereiches befindet.");
    return lines.join(QStringLiteral("\r\n"));
}

QString RandomSetupDialog::seriesErrorText() const { return QStringLiteral("Bitte eine gültige Anzahl eingeben."); }
