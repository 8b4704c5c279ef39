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

    Position_GroupBox = new QGroupBox(QStringLiteral("S&cheibenposition"), this);
    Position_GroupBox->setObjectName(QStringLiteral("Position_GroupBox"));
    PosOk_Checkbox = new QCheckBox(QStringLiteral("graphische &Trefferanzeige"), Position_GroupBox);
    PosOk_Checkbox->setObjectName(QStringLiteral("PosOk_Checkbox"));
    PosOk_Checkbox->setChecked(false);
    Typ_Combobox = new QComboBox(Position_GroupBox);
    Typ_Combobox->setObjectName(QStringLiteral("Typ_Combobox"));
    Typ_Combobox->setEditable(false);
    Typ_Combobox->addItems({QStringLiteral("liegend"), QStringLiteral("stehend")});
    Typ_Combobox->setCurrentIndex(0);
    Visier_Button = new QPushButton(QStringLiteral("&Definieren"), Position_GroupBox);
    Visier_Button->setObjectName(QStringLiteral("Visier_Button"));
    auto *grid = new QGridLayout(Position_GroupBox);
    grid->addWidget(PosOk_Checkbox, 0, 0, 1, 2);
    grid->addWidget(Typ_Combobox, 1, 0);
    grid->addWidget(Visier_Button, 1, 1);
    addGroup(Position_GroupBox);

    connect(Visier_Button, &QPushButton::clicked, this, [this] { Visier_ButtonClick(); });

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

int RandomSetupDialog::shootingPosition() const { return Typ_Combobox->currentIndex() == 0 ? 0 : 1; }

void RandomSetupDialog::Visier_ButtonClick()
{
    WriteLogLine(QStringLiteral("Ausführen : [Start] Visieransicht"));
    if (!m_view)
        setSightView(new SightViewDialog(this)); // normally made at program start
    m_view->exec();
}

void RandomSetupDialog::activateOwnControls()
{
    Anz_Edit->clear();
    Typ_Combobox->setCurrentIndex(0);
    Anz5_RadioButton->setChecked(true);
}

void RandomSetupDialog::takePositionSettings()
{
    RunSettings &run = RunSettings::instance();
    LoadPositionSettings(shootingPosition(), &run.ER2_SPos, &run.ER2_SPos_ok);
}

void RandomSetupDialog::takeHitDisplay() { RunSettings::instance().Trefferanzeige = PosOk_Checkbox->isChecked(); }

QString RandomSetupDialog::infoText() const
{
    QStringList lines = SetupInfoCommonLines();
    lines << QStringLiteral("Reaktion innerhalb der konfigurierten Zeitspanne erfolgt und sich")
          << QStringLiteral("die Scheibe innerhalb des konfigurierten Bereiches befindet.");
    return lines.join(QStringLiteral("\r\n"));
}

QString RandomSetupDialog::seriesErrorText() const { return QStringLiteral("Bitte eine gültige Anzahl eingeben."); }
