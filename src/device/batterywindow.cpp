#include "device/batterywindow.h"

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

BatteryWindow::BatteryWindow(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden AKF"));

    setObjectName(QStringLiteral("Akku_Form"));
    setWindowTitle(QStringLiteral("Akku Ladestand"));
    setModal(true);

    m_meter = new TDRMeter(this);
    m_meter->setObjectName(QStringLiteral("Volt_Meter"));
    m_meter->setFixedSize(240, 140);
    m_meter->setMin(0);
    m_meter->setMax(100);
    m_meter->setDisplayScale(TDRMeter::Scale::Percent);
    m_meter->setScalePoints(10);
    m_meter->setDisplayText(true);
    m_meter->setColorGradient(false);
    m_meter->setBorder(false);
    m_meter->setColor(palette().color(QPalette::Window));
    m_meter->setScaleColor(QColor(255, 255, 255));
    m_meter->setNeedleColor(QColor(255, 0, 0));
    m_meter->setFontColor(QColor(255, 255, 255));

    auto label = [this](const QString &name, const QString &text) {
        auto *l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    m_percentCaptionLabel = label(QStringLiteral("PercentCaption_Label"), QStringLiteral("Ladestand"));
    m_percentLabel = label(QStringLiteral("Percent_Label"), QStringLiteral("50 %"));
    m_voltageCaptionLabel = label(QStringLiteral("VoltageCaption_Label"), QStringLiteral("Ladestand"));
    m_voltageLabel = label(QStringLiteral("Voltage_Label"), QStringLiteral("4.5 V"));
    m_hoursCaptionLabel = label(QStringLiteral("HoursCaption_Label"), QStringLiteral("Voraussichtliche Betriebsdauer"));
    m_hoursLabel = label(QStringLiteral("Hours_Label"), QStringLiteral("10h"));
    for (QLabel *value : {m_percentLabel, m_voltageLabel, m_hoursLabel}) {
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        value->setMinimumWidth(110);
    }

    m_batteryImage = new QLabel(this);
    m_batteryImage->setObjectName(QStringLiteral("Akku_Image"));
    m_batteryImage->setPixmap(Pictures::pixmap(Pictures::battery()));
    m_batteryImage->setAlignment(Qt::AlignCenter);

    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    SetHint(m_okButton, QStringLiteral("|Schließen des Dialogs"));
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *values = new QGridLayout;
    values->setHorizontalSpacing(12);
    values->addWidget(m_batteryImage, 0, 0, 3, 1);
    values->addWidget(m_percentCaptionLabel, 0, 1);
    values->addWidget(m_percentLabel, 0, 2);
    values->addWidget(m_voltageCaptionLabel, 1, 1);
    values->addWidget(m_voltageLabel, 1, 2);
    values->addWidget(m_hoursCaptionLabel, 2, 1);
    values->addWidget(m_hoursLabel, 2, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_meter, 0, Qt::AlignHCenter);
    layout->addLayout(values);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_sweepTimer = new TFastTimer(this);
    m_sweepTimer->setObjectName(QStringLiteral("Volt_Timer"));
    m_sweepTimer->setInterval(9);
    m_sweepTimer->setResolution(10);
    m_sweepTimer->OnTimer = [this](TFastTimer *) { sweepTick(); };

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden AKF"));
}

BatteryWindow::~BatteryWindow() = default;

void BatteryWindow::setOfflineStateProvider(std::function<bool()> provider) { m_offline = std::move(provider); }

bool BatteryWindow::isOffline() const { return m_offline ? m_offline() : AppState::instance().OfflineState; }

void BatteryWindow::refresh()
{
    // The hours come from the device; a link that fails that query is lost,
    // and the window shows no charge of the past as if it were now.
    const int round = ++m_round;
    if (isOffline()) {
        showReading(QString(), false);
        return;
    }
    for (QLabel *label : {m_hoursLabel, m_voltageLabel, m_percentLabel})
        label->clear();
    m_asking = true;
    AskOperatingHours(this, [this, round](bool, const QString &hours) {
        if (round != m_round)
            return;   // the window was opened anew meanwhile
        m_asking = false;
        showReading(hours, !DeviceLink().connected);
    });
}

void BatteryWindow::showReading(const QString &hours, bool lost)
{
    const double volts = DeviceLink().LastBatteryVoltage;
    const int percent = lost ? 0 : ChargePercent(volts);

    m_sweep.start(percent);
    try {
        m_sweepTimer->setEnabled(true);
    } catch (const OutOfResourcesError &error) {
        // The window still shows its texts; only the needle stays where it is.
        ShowError(QString::fromUtf8(error.what()));
    }

    if (lost) {
        m_meter->setPosition(0);
        for (QLabel *label : {m_hoursLabel, m_voltageLabel, m_percentLabel})
            label->setText(NotAvailableText);
    } else {
        m_hoursLabel->setText(hours + QStringLiteral(" h"));
        m_voltageLabel->setText(NumberFormat::formatFloat("%2f", volts) + QStringLiteral(" V"));
        m_percentLabel->setText(percent <= 100 ? QString::number(percent) + QStringLiteral(" %")
                                               : QStringLiteral("100 %"));
    }
    emit refreshed();
}

void BatteryWindow::sweepTick()
{
    int position = 0;
    if (m_sweep.tick(&position))
        m_meter->setPosition(position);
    else
        m_sweepTimer->setEnabled(false);
}

void BatteryWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        refresh();
}

void BatteryWindow::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    m_sweepTimer->setEnabled(false);
    ++m_round;   // an answer still on its way is not shown any more
    m_asking = false;
    SaveFormPlacement(PlacementCode, x(), y());
}
