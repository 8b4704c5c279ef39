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

TSightPaintBox::TSightPaintBox(int size, QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(size, size);
    m_picture = QImage(size, size, QImage::Format_RGB32);
    m_picture.fill(Qt::white);
}

void TSightPaintBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

QImage TSightPaintBox::composed() const
{
    QImage out = m_picture.copy();
    if (overlay)
        overlay(out);
    return out;
}

void TSightPaintBox::paintEvent(QPaintEvent *)
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

    Anzeige_GroupBox = new QGroupBox(QStringLiteral("Anzeige"), this);
    Anzeige_GroupBox->setObjectName(QStringLiteral("Anzeige_GroupBox"));
    Visier = new TSightPaintBox(VisierSize, Anzeige_GroupBox);
    Visier->setObjectName(QStringLiteral("Visier"));
    Visier->overlay = [this](QImage &img) { DrawZoneCircles(img); };
    auto *anzeige = new QVBoxLayout(Anzeige_GroupBox);
    anzeige->addWidget(Visier, 0, Qt::AlignCenter);

    Einstellungen_GroupBox = new QGroupBox(QStringLiteral("Einstellungen"), this);
    Einstellungen_GroupBox->setObjectName(QStringLiteral("Einstellungen_GroupBox"));
    Pos_Label = new QLabel(QStringLiteral("max. Abstand vom Visiermittelpunkt in %"), Einstellungen_GroupBox);
    Pos_Label->setObjectName(QStringLiteral("Pos_Label"));
    Pos_SpinEdit = new QSpinBox(Einstellungen_GroupBox);
    Pos_SpinEdit->setObjectName(QStringLiteral("Pos_SpinEdit"));
    Pos_SpinEdit->setRange(0, 50);
    PosOk_Label = new QLabel(QStringLiteral("Grenze für gültige Treffer in %"), Einstellungen_GroupBox);
    PosOk_Label->setObjectName(QStringLiteral("PosOk_Label"));
    PosOk_SpinEdit = new QSpinBox(Einstellungen_GroupBox);
    PosOk_SpinEdit->setObjectName(QStringLiteral("PosOk_SpinEdit"));
    PosOk_SpinEdit->setRange(0, 50);
    Pos_Label->setBuddy(Pos_SpinEdit);
    PosOk_Label->setBuddy(PosOk_SpinEdit);
    auto *einstellungen = new QGridLayout(Einstellungen_GroupBox);
    einstellungen->addWidget(Pos_Label, 0, 0);
    einstellungen->addWidget(Pos_SpinEdit, 0, 1);
    einstellungen->addWidget(PosOk_Label, 1, 0);
    einstellungen->addWidget(PosOk_SpinEdit, 1, 1);
    einstellungen->setColumnStretch(0, 1);

    Cancel_Button = new QPushButton(QStringLiteral("&OK"), this);
    Cancel_Button->setObjectName(QStringLiteral("Cancel_Button"));
    Cancel_Button->setDefault(true);
    Cancel_Button->setAutoDefault(true);
    SetHint(Cancel_Button, QStringLiteral("|Einstellungen speichern und Dialog schließen"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cancel_Button);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Anzeige_GroupBox);
    layout->addWidget(Einstellungen_GroupBox);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The spin boxes start at the defaults; loading the stored values at
    // activation then redraws only when a value differs.
    Pos_SpinEdit->setValue(10);
    PosOk_SpinEdit->setValue(5);
    connect(Pos_SpinEdit, qOverload<int>(&QSpinBox::valueChanged), this, [this] { Pos_SpinEditChange(); });
    connect(PosOk_SpinEdit, qOverload<int>(&QSpinBox::valueChanged), this, [this] { PosOk_SpinEditChange(); });
    connect(Cancel_Button, &QPushButton::clicked, this, [this] { Cancel_ButtonClick(); });

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden ERViewF"));
}

SightViewDialog::~SightViewDialog() = default;

void SightViewDialog::setShootingPositionProvider(std::function<int()> provider)
{
    m_shootingPosition = std::move(provider);
}

int SightViewDialog::shootingPosition() const { return m_shootingPosition ? m_shootingPosition() : 0; }

void SightViewDialog::FormActivate()
{
    int spos = 10;
    int sposOk = 5;
    LoadPositionSettings(shootingPosition(), &spos, &sposOk);
    Pos_SpinEdit->setValue(spos);
    PosOk_SpinEdit->setValue(sposOk);
    // The circles always follow the spin boxes, also when loading changed neither.
    RunSettings::instance().ER2_SPos = Pos_SpinEdit->value();
    RunSettings::instance().ER2_SPos_ok = PosOk_SpinEdit->value();
    // Never the sight of the shooter shown before; without a profile the values of a new one.
    m_profile = RunSightProfile(!SightPictureFile().isEmpty());
    RenderAndShow();
}

void SightViewDialog::spinChanged()
{
    RunSettings &run = RunSettings::instance();
    run.ER2_SPos = Pos_SpinEdit->value();
    run.ER2_SPos_ok = PosOk_SpinEdit->value();
    RenderAndShow();
}

void SightViewDialog::Pos_SpinEditChange() { spinChanged(); }

void SightViewDialog::PosOk_SpinEditChange() { spinChanged(); }

void SightViewDialog::RenderAndShow()
{
    Visier->setPicture(RenderSightWithoutDiopter(VisierSize, VisierSize, m_profile));
}

void SightViewDialog::DrawZoneCircles(QImage &target) const
{
    ::DrawZoneCircles(target, RunSettings::instance().ER2_SPos, RunSettings::instance().ER2_SPos_ok,
                      m_profile.Spiegel_Size);
}

void SightViewDialog::Cancel_ButtonClick()
{
    RunSettings &run = RunSettings::instance();
    run.ER2_SPos = Pos_SpinEdit->value();
    run.ER2_SPos_ok = PosOk_SpinEdit->value();
    StorePositionSettings(shootingPosition(), run.ER2_SPos, run.ER2_SPos_ok);
    accept();
}

void SightViewDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormActivate();
}

void SightViewDialog::done(int r)
{
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}
