#include "device/controllerpage.h"

#include "core/actionlog.h"
#include "core/settings.h"
#include "device/devicefunctions.h"
#include "device/serialport.h"
#include "device/serialportlist.h"
#include "ui/hints.h"
#include "ui/hoverhints.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
const QString PortHint = QStringLiteral(
    "Wählen Sie die Schnittstelle aus, an dem Sie das Vantrel angeschlossen haben. Achten Sie darauf, "
    "das kein anderes Gerät diese Schnittstelle verwendet.");
const QString PortDeviceHint = QStringLiteral(
    "Wählen Sie, welche Schnittstelle des Rechners unter diesem Namen geöffnet wird, zum Beispiel ein "
    "USB-Adapter (/dev/ttyUSB0, /dev/ttyACM0). Die Liste zeigt die vorhandenen seriellen Schnittstellen mit "
    "Beschreibung und Hersteller.");
const QString ControllerHint = QStringLiteral(
    "Wählen Sie hier den verwendetet Controllertyp aus. Um die Richtigkeit der Angaben zu überprüfen, "
    "führen Sie einen Controllertest durch.");
} // namespace

ControllerPage::ControllerPage(DeviceFunctions *device, QWidget *parent)
    : QWidget(parent)
    , m_hints(new HoverHints(this))
{
    setObjectName(QStringLiteral("Controller_Page"));
    m_com1Button = new QRadioButton(QStringLiteral("COM &1"), this);
    m_com1Button->setObjectName(QStringLiteral("COM1_RadioButton"));
    m_com2Button = new QRadioButton(QStringLiteral("COM &2"), this);
    m_com2Button->setObjectName(QStringLiteral("COM2_RadioButton"));
    m_portGroup = new QButtonGroup(this);
    m_portGroup->addButton(m_com1Button, 0);
    m_portGroup->addButton(m_com2Button, 1);
    for (int i = 0; i < 2; ++i) {
        const QString port = QStringLiteral("COM%1Device").arg(i + 1);
        m_deviceBoxes[i] = new PortDeviceBox(this);
        m_deviceBoxes[i]->setObjectName(port + QStringLiteral("_ComboBox"));
        m_deviceLabels[i] = new QLabel(this);
        m_deviceLabels[i]->setObjectName(port + QStringLiteral("_Label"));
        m_deviceLabels[i]->setTextFormat(Qt::PlainText);
        connect(m_deviceBoxes[i], &PortDeviceBox::deviceChosen, this,
                [this, i](const QString &file) { choosePortDevice(i, file); });
    }

    auto *controllerLabel = new QLabel(QStringLiteral("&Controller"), this);
    controllerLabel->setObjectName(QStringLiteral("Controller_Label"));
    m_controllerBox = new QComboBox(this);
    m_controllerBox->setObjectName(QStringLiteral("Controller_ComboBox"));
    m_controllerBox->addItems({QStringLiteral("Bauart1"), QStringLiteral("Bauart2")});
    SetHint(m_controllerBox, QStringLiteral("|Controllertyp auswählen"));
    controllerLabel->setBuddy(m_controllerBox);

    m_detectButton = new QPushButton(QStringLiteral("Gerätetest durchführen"), this);
    m_detectButton->setObjectName(QStringLiteral("Geraetetest_Button"));

    auto *infoGroup = new QGroupBox(QStringLiteral("Geräteinformation"), this);
    infoGroup->setObjectName(QStringLiteral("Geraeteinfo_GroupBox"));
    auto *info = new QFormLayout(infoGroup);
    const QStringList captions = {QStringLiteral("Hardware Revision"), QStringLiteral("Software Revision"),
                                  QStringLiteral("Seriennummer"),      QStringLiteral("Controllertyp"),
                                  QStringLiteral("Controller Revision"), QStringLiteral("Gerätetyp"),
                                  QStringLiteral("Hersteller")};
    const QStringList names = {QStringLiteral("HWRev_Label"),        QStringLiteral("SWRev_Label"),
                               QStringLiteral("Seriennummer_Label"), QStringLiteral("ControllerTyp_Label"),
                               QStringLiteral("ControllerRev_Label"), QStringLiteral("Geraetetyp_Label"),
                               QStringLiteral("Hersteller_Label")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *value = new QLabel(QStringLiteral("-"), infoGroup);
        value->setObjectName(names.at(i));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_deviceInfoLabels << value;
        info->addRow(captions.at(i), value);
    }

    auto *hintGroup = new QGroupBox(QStringLiteral("Hinweis"), this);
    m_hintLabel = HoverHints::makeArea(hintGroup, QStringLiteral("ControllerHinweis_Label"), QString());
    (new QVBoxLayout(hintGroup))->addWidget(m_hintLabel, 1);

    auto *controls = new QFormLayout;
    controls->addRow(m_com1Button, m_deviceBoxes[0]);
    controls->addRow(QString(), m_deviceLabels[0]);
    controls->addRow(m_com2Button, m_deviceBoxes[1]);
    controls->addRow(QString(), m_deviceLabels[1]);
    controls->addRow(controllerLabel, m_controllerBox);
    controls->addRow(m_detectButton);
    auto *left = new QVBoxLayout;
    left->addLayout(controls);
    left->addWidget(infoGroup, 1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(hintGroup, 1);

    m_hints->add(m_com1Button, PortHint, m_hintLabel);
    m_hints->add(m_com2Button, PortHint, m_hintLabel);
    m_hints->add(m_deviceBoxes[0], PortDeviceHint, m_hintLabel);
    m_hints->add(m_deviceBoxes[1], PortDeviceHint, m_hintLabel);
    m_hints->add(controllerLabel, ControllerHint, m_hintLabel);
    m_hints->add(m_detectButton, ControllerHint, m_hintLabel);

    connect(m_detectButton, &QPushButton::clicked, device, &DeviceFunctions::DetectController);
    connect(m_com1Button, &QRadioButton::clicked, device,
            [this, device] { device->ChoosePort(0, qMax(0, m_controllerBox->currentIndex())); });
    connect(m_com2Button, &QRadioButton::clicked, device,
            [this, device] { device->ChoosePort(1, qMax(0, m_controllerBox->currentIndex())); });
}

void ControllerPage::load(const Settings &s)
{
    m_controllerBox->setCurrentIndex(s.Controller == 0 || s.Controller == 1 ? s.Controller : -1);
    setPortButtons(s.COM_Index == 0, s.COM_Index == 1);
    showPortDevices();
}

void ControllerPage::store(SettingsDialogValues &v) const
{
    v.com1Checked = m_com1Button->isChecked();
    v.com2Checked = m_com2Button->isChecked();
    v.controllerText = m_controllerBox->currentText();
}

void ControllerPage::showDeviceInfo(const QStringList &values)
{
    for (int i = 0; i < m_deviceInfoLabels.size(); ++i)
        m_deviceInfoLabels.at(i)->setText(values.value(i, QStringLiteral("-")));
}

void ControllerPage::setPortButtons(bool com1, bool com2)
{
    // An exclusive group cannot be left with no button checked.
    m_portGroup->setExclusive(false);
    m_com1Button->setChecked(com1);
    m_com2Button->setChecked(com2);
    m_portGroup->setExclusive(true);
}

void ControllerPage::showPortDevices()
{
    for (int i = 0; i < 2; ++i) {
        const QString file = PortDeviceFile(PortNames[i]);
        m_deviceBoxes[i]->refill(file);
        m_deviceLabels[i]->setText(PortDeviceDescription(file));
    }
}

void ControllerPage::rememberPortDevices()
{
    for (int i = 0; i < 2; ++i)
        m_portDevicesAtOpen[i] = StoredPortDeviceFile(PortNames[i]);
}

void ControllerPage::restorePortDevices()
{
    for (int i = 0; i < 2; ++i)
        if (StoredPortDeviceFile(PortNames[i]) != m_portDevicesAtOpen[i])
            SetPortDeviceFile(PortNames[i], m_portDevicesAtOpen[i]);
}

void ControllerPage::choosePortDevice(int index, const QString &deviceFile)
{
    if (index < 0 || index > 1)
        return;
    SetPortDeviceFile(PortNames[index], deviceFile);
    WriteLogLine(QStringLiteral("Ausführen : [Setup] ") + PortNames[index] + u'=' + PortDeviceFile(PortNames[index]));
    showPortDevices();
}
