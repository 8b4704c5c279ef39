#include "device/akku_form.h"

#include "device/commandset.h"
#include "device/drmeter.h"
#include "device/fasttimer.h"
#include "platform/messageservice.h"
#include "platform/numberformat.h"
#include "core/actionlog.h"
#include "core/appstate.h"
#include "ui/hints.h"
#include "ui/pictures.h"
#include "core/settings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace {
const QString PlacementCode = QStringLiteral("AF");
}

int ChargePercent(double volts)
{
    const double percent = std::trunc(volts * 100.0 * (1.0 / 9.0));
    // A reading far outside any battery's range must not overflow the integer.
    if (!(percent > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (!(percent < std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(percent);
}

void BatterySweep::start(int chargePercent)
{
    m_sweepStep = 0;
    m_target = chargePercent;
}

bool BatterySweep::tick(int *position)
{
    if (m_sweepStep < std::numeric_limits<int>::max())
        ++m_sweepStep;
    if (m_sweepStep < m_target) {
        *position = m_sweepStep;
        return true;
    }
    return false;
}

TAkku_Form::TAkku_Form(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden AKF"));

    setObjectName(QStringLiteral("Akku_Form"));
    setWindowTitle(QStringLiteral("Akku Ladestand"));
    setModal(true);

    Volt_Meter = new TDRMeter(this);
    Volt_Meter->setObjectName(QStringLiteral("Volt_Meter"));
    Volt_Meter->setFixedSize(240, 140);
    Volt_Meter->setMin(0);
    Volt_Meter->setMax(100);
    Volt_Meter->setDisplayScale(TDRMeter::Scale::Percent);
    Volt_Meter->setScalePoints(10);
    Volt_Meter->setDisplayText(true);
    Volt_Meter->setColorGradient(false);
    Volt_Meter->setBorder(false);
    Volt_Meter->setColor(palette().color(QPalette::Window));
    Volt_Meter->setScaleColor(QColor(255, 255, 255));
    Volt_Meter->setNeedleColor(QColor(255, 0, 0));
    Volt_Meter->setFontColor(QColor(255, 255, 255));

    auto label = [this](const QString &name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    PercentCaption_Label = label(QStringLiteral("PercentCaption_Label"), QStringLiteral("Ladestand"));
    Percent_Label = label(QStringLiteral("Percent_Label"), QStringLiteral("50 %"));
    VoltageCaption_Label = label(QStringLiteral("VoltageCaption_Label"), QStringLiteral("Ladestand"));
    Voltage_Label = label(QStringLiteral("Voltage_Label"), QStringLiteral("4.5 V"));
    HoursCaption_Label = label(QStringLiteral("HoursCaption_Label"), QStringLiteral("Voraussichtliche Betriebsdauer"));
    Hours_Label = label(QStringLiteral("Hours_Label"), QStringLiteral("10h"));
    for (QLabel *value : {Percent_Label, Voltage_Label, Hours_Label}) {
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        value->setMinimumWidth(110);
    }

    Akku_Image = new QLabel(this);
    Akku_Image->setObjectName(QStringLiteral("Akku_Image"));
    Akku_Image->setPixmap(Pictures::pixmap(Pictures::battery()));
    Akku_Image->setAlignment(Qt::AlignCenter);

    OK_Button = new QPushButton(QStringLiteral("&OK"), this);
    OK_Button->setObjectName(QStringLiteral("OK_Button"));
    OK_Button->setDefault(true);
    SetHint(OK_Button, QStringLiteral("|Schließen des Dialogs"));
    connect(OK_Button, &QPushButton::clicked, this, &QDialog::accept);

    auto *values = new QGridLayout;
    values->setHorizontalSpacing(12);
    values->addWidget(Akku_Image, 0, 0, 3, 1);
    values->addWidget(PercentCaption_Label, 0, 1);
    values->addWidget(Percent_Label, 0, 2);
    values->addWidget(VoltageCaption_Label, 1, 1);
    values->addWidget(Voltage_Label, 1, 2);
    values->addWidget(HoursCaption_Label, 2, 1);
    values->addWidget(Hours_Label, 2, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK_Button);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Volt_Meter, 0, Qt::AlignHCenter);
    layout->addLayout(values);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Volt_Timer = new TFastTimer(this);
    Volt_Timer->setObjectName(QStringLiteral("Volt_Timer"));
    Volt_Timer->setInterval(9);
    Volt_Timer->setResolution(10);
    Volt_Timer->OnTimer = [this](TFastTimer *) { Volt_TimerTimer(); };

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden AKF"));
}

TAkku_Form::~TAkku_Form() = default;

void TAkku_Form::setOfflineStateProvider(std::function<bool()> provider) { m_offline = std::move(provider); }

bool TAkku_Form::isOffline() const { return m_offline ? m_offline() : AppState::instance().OfflineState; }

void TAkku_Form::FormShow()
{
    // The hours come from the device; a link that fails that query is lost,
    // and the window shows no charge of the past as if it were now.
    QString hours;
    bool lost = false;
    if (!isOffline()) {
        EstimateOperatingHours(hours);
        lost = !DeviceLink().connected;
    }
    const double volts = DeviceLink().LastBatteryVoltage;
    const int percent = lost ? 0 : ChargePercent(volts);

    m_sweep.start(percent);
    try {
        Volt_Timer->setEnabled(true);
    } catch (const OutOfResourcesError &error) {
        // The window still shows its texts; only the needle stays where it is.
        ShowError(QString::fromUtf8(error.what()));
    }

    if (lost) {
        Volt_Meter->setPosition(0);
        for (QLabel *label : {Hours_Label, Voltage_Label, Percent_Label})
            label->setText(NotAvailableText);
        return;
    }
    Hours_Label->setText(hours + QStringLiteral(" h"));

    Voltage_Label->setText(NumberFormat::formatFloat("%2f", volts) + QStringLiteral(" V"));

    Percent_Label->setText(percent <= 100 ? QString::number(percent) + QStringLiteral(" %") : QStringLiteral("100 %"));
}

void TAkku_Form::Volt_TimerTimer()
{
    int position = 0;
    if (m_sweep.tick(&position))
        Volt_Meter->setPosition(position);
    else
        Volt_Timer->setEnabled(false);
}

void TAkku_Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAkku_Form::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    Volt_Timer->setEnabled(false);
    SaveFormPlacement(PlacementCode, x(), y());
}
