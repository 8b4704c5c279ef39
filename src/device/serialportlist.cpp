#include "device/serialportlist.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QStandardItemModel>
#include <QTreeView>
#include <algorithm>

namespace {

std::function<QList<SerialPortEntry>()> &lister()
{
    static std::function<QList<SerialPortEntry>()> f;
    return f;
}

QList<SerialPortEntry> qtPorts()
{
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString file = info.portName();
#else
        const QString file = info.systemLocation();
#endif
        ports.append({file, info.description(), info.manufacturer()});
    }
    return ports;
}

} // namespace

QList<SerialPortEntry> AvailableSerialPorts()
{
    QList<SerialPortEntry> ports = lister() ? lister()() : qtPorts();
    std::sort(ports.begin(), ports.end(), [](const SerialPortEntry &a, const SerialPortEntry &b) {
        return QString::compare(a.deviceFile, b.deviceFile, Qt::CaseInsensitive) < 0;
    });
    return ports;
}

void SetSerialPortLister(std::function<QList<SerialPortEntry>()> f) { lister() = std::move(f); }

QString PortDeviceDescription(const QString &deviceFile)
{
#ifdef Q_OS_WIN
    return QStringLiteral("öffnet ") + deviceFile;
#else
    const QFileInfo info(deviceFile);
    if (!info.exists())
        return QStringLiteral("öffnet %1 – nicht vorhanden").arg(deviceFile);
    const QString target = info.canonicalFilePath();
    if (info.isSymLink() && !target.isEmpty() && target != deviceFile)
        return QStringLiteral("öffnet %1 (über %2)").arg(target, deviceFile);
    return QStringLiteral("öffnet ") + deviceFile;
#endif
}

PortDeviceBox::PortDeviceBox(QWidget *parent)
    : QComboBox(parent)
    , m_model(new QStandardItemModel(0, 3, this))
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(14);
    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("Gerätedatei"), QStringLiteral("Beschreibung"), QStringLiteral("Hersteller")});
    auto *view = new QTreeView(this);
    view->setRootIsDecorated(false);
    view->setAllColumnsShowFocus(true);
    view->setUniformRowHeights(true);
    view->header()->setStretchLastSection(true);
    setModel(m_model);
    setView(view);
    setModelColumn(0);
    connect(this, &QComboBox::activated, this, [this](int row) { choose(itemText(row)); });
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] { choose(deviceFile()); });
}

void PortDeviceBox::refill(const QString &current)
{
    const QSignalBlocker blocker(this);
    m_model->removeRows(0, m_model->rowCount());
    const auto addRow = [this](const QString &file, const QString &description, const QString &maker) {
        QList<QStandardItem *> row;
        for (const QString &text : {file, description, maker}) {
            auto *item = new QStandardItem(text);
            item->setEditable(false);
            row << item;
        }
        m_model->appendRow(row);
    };
    const QList<SerialPortEntry> ports = AvailableSerialPorts();
    const bool listed = std::any_of(ports.begin(), ports.end(),
                                    [&](const SerialPortEntry &p) { return p.deviceFile == current; });
    // A stored choice that is not a port of the machine (a link, or gone) stays on top.
    if (!current.isEmpty() && !listed)
        addRow(current, QFileInfo::exists(current) ? QString() : QStringLiteral("nicht vorhanden"), QString());
    for (const SerialPortEntry &p : ports)
        addRow(p.deviceFile, p.description, p.manufacturer);
    setCurrentIndex(findText(current, Qt::MatchExactly));
    setEditText(current);
    m_shown = current;
    setToolTip(current);
}

void PortDeviceBox::showPopup()
{
    refill(deviceFile());
    auto *tree = static_cast<QTreeView *>(view());
    int width = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        tree->resizeColumnToContents(column);
        width += tree->columnWidth(column);
    }
    tree->setMinimumWidth(width + 24);
    QComboBox::showPopup();
}

void PortDeviceBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose(deviceFile());
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void PortDeviceBox::choose(const QString &deviceFile)
{
    if (deviceFile == m_shown)
        return;
    m_shown = deviceFile;
    setToolTip(deviceFile);
    emit deviceChosen(deviceFile);
}
