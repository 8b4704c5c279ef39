#include "device/forcesensorpage.h"

#include "device/devicefunctions.h"

#include <QAction>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// The force trace: the kept picture of the force test, drawn as it is.
class PlotBox : public QWidget
{
public:
    PlotBox(const ForceTest &test, QWidget *parent)
        : QWidget(parent)
        , m_test(test)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_test.plot());
    }

private:
    const ForceTest &m_test;
};
} // namespace

ForceSensorPage::ForceSensorPage(DeviceFunctions *device, QWidget *parent)
    : QWidget(parent)
    , m_device(device)
{
    setObjectName(QStringLiteral("Kraftsensor_Page"));

    m_plot = new PlotBox(device->forceTest(), this);
    m_plot->setObjectName(QStringLiteral("Shape1"));

    auto *values = new QGroupBox(QStringLiteral("Messwerte"), this);
    auto *form = new QFormLayout(values);
    const QStringList captions = {QStringLiteral("Signalpegel 12 Bit"),
                                  QStringLiteral("Signalpegel dezimal (normal)"),
                                  QStringLiteral("Signalpegel dezimal (zentriert)"),
                                  QStringLiteral("Signalpegel dezimal (Offset)"),
                                  QStringLiteral("Signalpegel normiert"),
                                  QStringLiteral("Messwerte je Sekunde"),
                                  QStringLiteral("Abzugsgewicht in g")};
    const QStringList names = {QStringLiteral("Pegel12Bit_Label"),    QStringLiteral("PegelNormal_Label"),
                               QStringLiteral("PegelZentriert_Label"), QStringLiteral("PegelOffset_Label"),
                               QStringLiteral("PegelNormiert_Label"),  QStringLiteral("Messrate_Label"),
                               QStringLiteral("Abzugsgewicht_Label")};
    const QFontMetrics metrics(font());
    for (int i = 0; i < captions.size(); ++i) {
        auto *value = new QLabel(QStringLiteral("-"), values);
        value->setObjectName(names.at(i));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("00000,0")));
        m_valueLabels << value;
        form->addRow(captions.at(i), value);
    }

    m_startButton = new QPushButton(QStringLiteral("Test &Starten"), this);
    m_startButton->setObjectName(QStringLiteral("TestStart_Button"));
    m_stopButton = new QPushButton(QStringLiteral("Test &Beenden"), this);
    m_stopButton->setObjectName(QStringLiteral("TestStop_Button"));
    m_stopButton->setEnabled(false);

    m_calibrateButton = new QToolButton(this);
    m_calibrateButton->setObjectName(QStringLiteral("Kalibrieren_Button"));
    m_calibrateButton->setText(QStringLiteral("&Kalibrieren "));
    m_calibrateButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_calibrateButton->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(m_calibrateButton);
    menu->setObjectName(QStringLiteral("Kalibrieren_Menu"));
    m_zeroPointAction = menu->addAction(QStringLiteral("&Nullpunkt"));
    m_zeroPointAction->setObjectName(QStringLiteral("Nullpunkt_Item"));
    m_scaleAction = menu->addAction(QStringLiteral("&Kennlinie"));
    m_scaleAction->setObjectName(QStringLiteral("Kennlinie_Item"));
    m_informationAction = menu->addAction(QStringLiteral("&Information"));
    m_informationAction->setObjectName(QStringLiteral("Information_Item"));
    m_calibrateButton->setMenu(menu);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_stopButton);
    buttons->addStretch(1);
    buttons->addWidget(m_calibrateButton);

    auto *top = new QHBoxLayout;
    top->addWidget(m_plot, 0, Qt::AlignTop);
    top->addWidget(values, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    setPlotSize(device->forceTest().plotSize());
    connect(m_zeroPointAction, &QAction::triggered, device, &DeviceFunctions::ZeroPoint);
    connect(m_scaleAction, &QAction::triggered, device, &DeviceFunctions::ScaleFactor);
    connect(m_informationAction, &QAction::triggered, device, &DeviceFunctions::Information);
    connect(m_startButton, &QPushButton::clicked, device, &DeviceFunctions::StartForceTest);
    connect(m_stopButton, &QPushButton::clicked, device, &DeviceFunctions::StopForceTest);
}

void ForceSensorPage::showValues(const QStringList &values)
{
    for (int i = 0; i < m_valueLabels.size() && i < values.size(); ++i)
        m_valueLabels.at(i)->setText(values.at(i));
}

void ForceSensorPage::setTestRunning(bool running)
{
    m_startButton->setEnabled(!running);
    m_stopButton->setEnabled(running);
    m_zeroPointAction->setEnabled(!running);
    m_scaleAction->setEnabled(!running);
    m_informationAction->setEnabled(!running);
}

void ForceSensorPage::setCalibrationEnabled(bool on) { m_calibrateButton->setEnabled(on); }

void ForceSensorPage::updatePlot() { m_plot->update(); }

void ForceSensorPage::setPlotSize(const QSize &size)
{
    m_device->forceTest().setPlotSize(size);
    m_plot->setFixedSize(m_device->forceTest().plotSize());
    m_plot->update();
}
