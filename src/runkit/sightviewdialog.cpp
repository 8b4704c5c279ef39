#include "runkit/sightviewdialog.h"

#include "platform/registryini.h"
#include "runkit/runsettings.h"
#include "core/actionlog.h"
#include "ui/hints.h"
#include "core/settings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const QString PlacementCode = QStringLiteral("ERViewF");
const QString ConfigSection = QStringLiteral("Config");

QString suffix(int shootingPosition)
{
    return shootingPosition == 0 ? QStringLiteral("_l") : QStringLiteral("_s");
}
} // namespace

void LoadPositionSettings(int shootingPosition, int *spos, int *sposOk)
{
    RegistryIni ini(RegistryKeys::Main);
    *spos = ini.readInteger(ConfigSection, QStringLiteral("ER2_SPos") + suffix(shootingPosition), 10);
    *sposOk = ini.readInteger(ConfigSection, QStringLiteral("ER2_SPos_ok") + suffix(shootingPosition), 5);
}

void StorePositionSettings(int shootingPosition, int spos, int sposOk)
{
    RegistryIni ini(RegistryKeys::Main);
    ini.writeInteger(ConfigSection, QStringLiteral("ER2_SPos") + suffix(shootingPosition), spos);
    ini.writeInteger(ConfigSection, QStringLiteral("ER2_SPos_ok") + suffix(shootingPosition), sposOk);
}

SightPaintBox::SightPaintBox(int size, QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(size, size);
    m_picture = QImage(size, size, QImage::Format_RGB32);
    m_picture.fill(Qt::white);
}

void SightPaintBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

QImage SightPaintBox::composed() const
{
    QImage out = m_picture.copy();
    if (overlay)
        overlay(out);
    return out;
}

void SightPaintBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    ShowSight(p, composed());
}

SightViewDialog::SightViewDialog(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden ERViewF"));

    setObjectName(QStringLiteral("ERview_Form"));
    setWindowTitle(QStringLiteral("Visieransicht"));
    setModal(true);

    m_displayGroup = new QGroupBox(QStringLiteral("Anzeige"), this);
    m_displayGroup->setObjectName(QStringLiteral("Anzeige_GroupBox"));
    m_sightBox = new SightPaintBox(SightSize, m_displayGroup);
    m_sightBox->setObjectName(QStringLiteral("Visier"));
    m_sightBox->overlay = [this](QImage &img) { drawZoneCircles(img); };
    auto *anzeige = new QVBoxLayout(m_displayGroup);
    anzeige->addWidget(m_sightBox, 0, Qt::AlignCenter);

    m_settingsGroup = new QGroupBox(QStringLiteral("Einstellungen"), this);
    m_settingsGroup->setObjectName(QStringLiteral("Einstellungen_GroupBox"));
    m_spreadLabel = new QLabel(QStringLiteral("max. Abstand vom Visiermittelpunkt in %"), m_settingsGroup);
    m_spreadLabel->setObjectName(QStringLiteral("Pos_Label"));
    m_spreadSpin = new QSpinBox(m_settingsGroup);
    m_spreadSpin->setObjectName(QStringLiteral("Pos_SpinEdit"));
    m_spreadSpin->setRange(0, 50);
    m_hitZoneLabel = new QLabel(QStringLiteral("Grenze für gültige Treffer in %"), m_settingsGroup);
    m_hitZoneLabel->setObjectName(QStringLiteral("PosOk_Label"));
    m_hitZoneSpin = new QSpinBox(m_settingsGroup);
    m_hitZoneSpin->setObjectName(QStringLiteral("PosOk_SpinEdit"));
    m_hitZoneSpin->setRange(0, 50);
    m_spreadLabel->setBuddy(m_spreadSpin);
    m_hitZoneLabel->setBuddy(m_hitZoneSpin);
    auto *einstellungen = new QGridLayout(m_settingsGroup);
    einstellungen->addWidget(m_spreadLabel, 0, 0);
    einstellungen->addWidget(m_spreadSpin, 0, 1);
    einstellungen->addWidget(m_hitZoneLabel, 1, 0);
    einstellungen->addWidget(m_hitZoneSpin, 1, 1);
    einstellungen->setColumnStretch(0, 1);

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("Cancel_Button"));
    m_okButton->setDefault(true);
    m_okButton->setAutoDefault(true);
    SetHint(m_okButton, QStringLiteral("|Einstellungen speichern und Dialog schließen"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_displayGroup);
    layout->addWidget(m_settingsGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The spin boxes start at the defaults; loading the stored values at
    // activation then redraws only when a value differs.
    m_spreadSpin->setValue(10);
    m_hitZoneSpin->setValue(5);
    connect(m_spreadSpin, qOverload<int>(&QSpinBox::valueChanged), this, [this] { spinChanged(); });
    connect(m_hitZoneSpin, qOverload<int>(&QSpinBox::valueChanged), this, [this] { spinChanged(); });
    connect(m_okButton, &QPushButton::clicked, this, [this] { okClicked(); });

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ERViewF"));
}

SightViewDialog::~SightViewDialog() = default;

void SightViewDialog::setShootingPositionProvider(std::function<int()> provider)
{
    m_shootingPosition = std::move(provider);
}

int SightViewDialog::shootingPosition() const { return m_shootingPosition ? m_shootingPosition() : 0; }

void SightViewDialog::activate()
{
    int spos = 10;
    int sposOk = 5;
    LoadPositionSettings(shootingPosition(), &spos, &sposOk);
    m_spreadSpin->setValue(spos);
    m_hitZoneSpin->setValue(sposOk);
    // The circles always follow the spin boxes, also when loading changed neither.
    RunSettings::instance().ER2_SPos = m_spreadSpin->value();
    RunSettings::instance().ER2_SPos_ok = m_hitZoneSpin->value();
    // Never the sight of the shooter shown before; without a profile the values of a new one.
    m_profile = RunSightProfile(!SightPictureFile().isEmpty());
    renderSight();
}

void SightViewDialog::spinChanged()
{
    RunSettings &run = RunSettings::instance();
    run.ER2_SPos = m_spreadSpin->value();
    run.ER2_SPos_ok = m_hitZoneSpin->value();
    renderSight();
}

void SightViewDialog::renderSight()
{
    m_sightBox->setPicture(RenderSightWithoutDiopter(SightSize, SightSize, m_profile));
}

void SightViewDialog::drawZoneCircles(QImage &target) const
{
    ::DrawZoneCircles(target, RunSettings::instance().ER2_SPos, RunSettings::instance().ER2_SPos_ok,
                      m_profile.Spiegel_Size);
}

void SightViewDialog::okClicked()
{
    RunSettings &run = RunSettings::instance();
    run.ER2_SPos = m_spreadSpin->value();
    run.ER2_SPos_ok = m_hitZoneSpin->value();
    StorePositionSettings(shootingPosition(), run.ER2_SPos, run.ER2_SPos_ok);
    accept();
}

void SightViewDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void SightViewDialog::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}
