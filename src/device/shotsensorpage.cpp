#include "device/shotsensorpage.h"

#include "core/settings.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

ShotSensorPage::ShotSensorPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Schusssensor_Page"));
    m_sensitivityLabel = new QLabel(this);
    m_sensitivityLabel->setObjectName(QStringLiteral("Empfindlichkeit_Label"));
    m_shotsLabel = new QLabel(QStringLiteral("0"), this);
    m_shotsLabel->setObjectName(QStringLiteral("Schuesse_Label"));

    auto *upDown = new QWidget(this);
    upDown->setObjectName(QStringLiteral("Empfindlichkeit_UpDown"));
    auto *arrows = new QVBoxLayout(upDown);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    for (const Qt::ArrowType arrow : {Qt::UpArrow, Qt::DownArrow}) {
        auto *button = new QToolButton(upDown);
        button->setArrowType(arrow);
        button->setFixedSize(18, 11);
        arrows->addWidget(button);
    }
    upDown->setEnabled(false);

    m_calibrateButton = new QToolButton(this);
    m_calibrateButton->setObjectName(QStringLiteral("SchussKalibrieren_Button"));
    m_calibrateButton->setText(QStringLiteral("Kali&brieren"));
    m_calibrateButton->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(m_calibrateButton);
    QMenu *sense = menu->addMenu(QStringLiteral("&Empfindlichkeit"));
    sense->addAction(QStringLiteral("&Speichern"));
    sense->addAction(QStringLiteral("&Reset"));
    QMenu *test = menu->addMenu(QStringLiteral("&Test"));
    test->addAction(QStringLiteral("&Starten"));
    test->addAction(QStringLiteral("&Beenden"));
    menu->addAction(QStringLiteral("&Information"));
    m_calibrateButton->setMenu(menu);
    m_calibrateButton->setEnabled(false);

    auto *sensitivity = new QHBoxLayout;
    sensitivity->addWidget(m_sensitivityLabel);
    sensitivity->addWidget(upDown);
    sensitivity->addStretch(1);
    auto *sensor = new QFormLayout;
    sensor->addRow(new QLabel(QStringLiteral("Empfindlichkeit"), this), sensitivity);
    sensor->addRow(new QLabel(QStringLiteral("Registrierte Schüsse"), this), m_shotsLabel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(sensor);
    layout->addStretch(1);
    layout->addWidget(m_calibrateButton, 0, Qt::AlignRight);
}

void ShotSensorPage::load(const Settings &s) { m_sensitivityLabel->setText(QString::number(s.SS_Sense)); }
