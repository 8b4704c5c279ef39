#pragma once
#include <QComboBox>
#include <QList>
#include <QString>
#include <functional>

class QStandardItemModel;

// One serial port of the machine, as Qt's serial port information names it.
struct SerialPortEntry
{
    QString deviceFile;   // what a port name opens: /dev/ttyUSB0 (COM3 on Windows)
    QString description;  // "USB-Serial Controller"
    QString manufacturer; // "Prolific Technology Inc."
};

// The serial ports of the machine, sorted by device file.
QList<SerialPortEntry> AvailableSerialPorts();
// Tests put a fixed list in place; an empty function restores Qt's.
void SetSerialPortLister(std::function<QList<SerialPortEntry>()> lister);

// What a port name opens, for the settings dialog: the device file, the file a
// link (such as the virtual trainer's) points to, or that it is missing.
QString PortDeviceDescription(const QString &deviceFile);

// The device file behind one port name: the drop-down lists the machine's
// serial ports with description and maker (read anew each time it opens);
// another path, such as the virtual trainer's link, can be typed.
class PortDeviceBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PortDeviceBox(QWidget *parent = nullptr);

    // Lists the ports again and shows `current` as the choice.
    void refill(const QString &current);
    QString deviceFile() const { return currentText().trimmed(); }

    void showPopup() override;

protected:
    // Return confirms a typed path; it does not close the dialog.
    void keyPressEvent(QKeyEvent *event) override;

signals:
    // A port was picked from the list or a typed path was confirmed.
    void deviceChosen(const QString &deviceFile);

private:
    void choose(const QString &deviceFile);

    QStandardItemModel *m_model;
    QString m_shown;
};
