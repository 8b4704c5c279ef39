#pragma once
#include <QList>
#include <QWidget>

class DeviceFunctions;
class HoverHints;
class PortDeviceBox;
class QButtonGroup;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
struct Settings;
struct SettingsDialogValues;

// "Controller": the port the trainer is on and the device file each port
// name opens, the controller model, the detection and what the controller
// reports.
class ControllerPage : public QWidget
{
    Q_OBJECT
public:
    // The port buttons and "Gerätetest durchführen" run `device`'s functions.
    explicit ControllerPage(DeviceFunctions *device, QWidget *parent = nullptr);

    // Port buttons, controller model and port devices as stored. A port
    // index other than 0 or 1 leaves both buttons unchecked, a model other
    // than 0 or 1 no model chosen.
    void load(const Settings &settings);
    // The page's part of what SaveSettings takes.
    void store(SettingsDialogValues &values) const;

    // "Hardware Revision" ... "Hersteller"; a missing value shows "-".
    void showDeviceInfo(const QStringList &values);

    // The device file for "COM1" (0) or "COM2" (1): stored in "Ports" at
    // once, logged and shown.
    void choosePortDevice(int index, const QString &deviceFile);
    // "Ports" as stored when the dialog opened; put back when it closes
    // without "&OK".
    void rememberPortDevices();
    void restorePortDevices();

    QRadioButton *com1Button() const { return m_com1Button; }
    QRadioButton *com2Button() const { return m_com2Button; }
    PortDeviceBox *com1DeviceBox() const { return m_deviceBoxes[0]; }
    PortDeviceBox *com2DeviceBox() const { return m_deviceBoxes[1]; }
    QLabel *com1DeviceLabel() const { return m_deviceLabels[0]; }
    QLabel *com2DeviceLabel() const { return m_deviceLabels[1]; }
    QComboBox *controllerBox() const { return m_controllerBox; }
    QPushButton *detectButton() const { return m_detectButton; }
    QLabel *hintLabel() const { return m_hintLabel; }
    // In the order they are queried.
    const QList<QLabel *> &deviceInfoLabels() const { return m_deviceInfoLabels; }

private:
    void setPortButtons(bool com1, bool com2);
    void showPortDevices();

    HoverHints *m_hints;
    QButtonGroup *m_portGroup;
    QRadioButton *m_com1Button;
    QRadioButton *m_com2Button;
    PortDeviceBox *m_deviceBoxes[2];
    QLabel *m_deviceLabels[2];
    QComboBox *m_controllerBox;
    QPushButton *m_detectButton;
    QLabel *m_hintLabel;
    QList<QLabel *> m_deviceInfoLabels;
    QString m_portDevicesAtOpen[2];
};
