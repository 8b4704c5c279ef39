#include "app/settingsdialog.h"

#include "app/generalpage.h"
#include "app/informationpage.h"
#include "core/actionlog.h"
#include "core/settings.h"
#include "device/controllerpage.h"
#include "device/devicefunctions.h"
#include "device/forcesensorpage.h"
#include "device/referenceweightdialog.h"
#include "device/shotsensorpage.h"
#include "ui/hints.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const QString PlacementCode = QStringLiteral("CF");
// Tab indexes of the device pages.
constexpr int FirstDevicePage = 1;
constexpr int LastDevicePage = 3;
} // namespace

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
{
    WriteLogLine(QStringLiteral("Initialisierung : [Start] Laden CF"));

    setObjectName(QStringLiteral("Config_Form"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setModal(true);

    m_device = new DeviceFunctions(this);
    m_device->setObjectName(QStringLiteral("Device"));

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_generalPage = new GeneralPage;
    m_controllerPage = new ControllerPage(m_device);
    m_forceSensorPage = new ForceSensorPage(m_device);
    m_shotSensorPage = new ShotSensorPage;
    m_informationPage = new InformationPage;
    m_pages->addTab(m_generalPage, QStringLiteral("Allgemein"));
    m_pages->addTab(m_controllerPage, QStringLiteral("Controller"));
    m_pages->addTab(m_forceSensorPage, QStringLiteral("Kraftsensor"));
    m_pages->addTab(m_shotSensorPage, QStringLiteral("Schußsensor"));
    m_pages->addTab(m_informationPage, QStringLiteral("Information"));
    // Device tabs hidden and pages disabled until the service access shows them.
    setServicePages(false);
    m_pages->setCurrentIndex(0);
    connect(m_pages, &QTabWidget::currentChanged, this, &SettingsDialog::pageChanged);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buildBottomBar());

    m_device->setView(this);
    debugCapture0 = [this] { m_device->DebugCapture0(); };
    debugCapture1 = [this] { m_device->DebugCapture1(); };

    // Service access to the device pages.
    auto *service = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
    service->setContext(Qt::WindowShortcut);
    connect(service, &QShortcut::activated, this, &SettingsDialog::toggleServicePages);

    // The dialog sees F10 and F11 before its controls do.
    for (const int key : {int(Qt::Key_F10), int(Qt::Key_F11)}) {
        auto *shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, key] { handleFunctionKey(key); });
    }

    setFixedSize(sizeHint().expandedTo(QSize(520, 0)));

    LoadFormPlacement(this, PlacementCode);
    WriteLogLine(QStringLiteral("Initialisierung : [Erfolg] Laden CF"));
}

SettingsDialog::~SettingsDialog()
{
    // The device functions outlive this view for a moment (a child object).
    m_device->setView(nullptr);
}

QWidget *SettingsDialog::buildBottomBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Bottom_Panel"));

    m_statusLabel = new QLabel(bar);
    m_statusLabel->setObjectName(QStringLiteral("TestStatus_Label"));
    m_statusLabel->setAutoFillBackground(true);
    QPalette pal = m_statusLabel->palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 128));
    pal.setColor(QPalette::WindowText, QColor(255, 255, 255));
    m_statusLabel->setPalette(pal);
    QFont font = m_statusLabel->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    m_statusLabel->setFont(font);
    m_statusLabel->setContentsMargins(6, 2, 6, 2);
    m_statusLabel->setMinimumHeight(QFontMetrics(font).height() + 8);

    m_okButton = new QPushButton(QStringLiteral("&OK"), bar);
    m_okButton->setObjectName(QStringLiteral("OK_Button"));
    m_okButton->setDefault(true);
    SetHint(m_okButton, QStringLiteral("|Beenden und Einstellungen übernehmen"));
    connect(m_okButton, &QPushButton::clicked, this, &SettingsDialog::okClicked);

    m_cancelButton = new QPushButton(QStringLiteral("&Abbrechen"), bar);
    m_cancelButton->setObjectName(QStringLiteral("Cancel_Button"));
    SetHint(m_cancelButton, QStringLiteral("|Abbrechen und Einstellungen verwerfen"));
    connect(m_cancelButton, &QPushButton::clicked, this, &SettingsDialog::cancelClicked);

    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_statusLabel, 1);
    layout->addWidget(m_okButton);
    layout->addWidget(m_cancelButton);
    return bar;
}

void SettingsDialog::setPlotSize(const QSize &size) { m_forceSensorPage->setPlotSize(size); }

bool SettingsDialog::servicePagesShown() const { return m_pages->isTabVisible(FirstDevicePage); }

void SettingsDialog::setServicePages(bool shown)
{
    const int current = m_pages->currentIndex();
    for (int index = FirstDevicePage; index <= LastDevicePage; ++index) {
        m_pages->setTabVisible(index, shown);
        m_pages->setTabEnabled(index, shown);
    }
    // A hidden device page gives way to "Allgemein".
    if (!shown && current >= FirstDevicePage && current <= LastDevicePage)
        m_pages->setCurrentIndex(0);
}

void SettingsDialog::toggleServicePages()
{
    if (m_device->busy())
        return;
    setServicePages(!servicePagesShown());
}

void SettingsDialog::loadSettings()
{
    Settings &s = Settings::instance();
    LoadSettings(s);
    m_generalPage->load(s);
    m_controllerPage->load(s);
    m_shotSensorPage->load(s);
}

SettingsDialogValues SettingsDialog::values() const
{
    SettingsDialogValues v;
    m_generalPage->store(v);
    m_controllerPage->store(v);
    return v;
}

void SettingsDialog::activated()
{
    m_pageChangeAllowed = true;
    m_controllerPage->rememberPortDevices();
    loadSettings();
    m_statusLabel->clear();
    enableScaleItem(Settings::instance().KS_Zero != -1);
    // Each opening starts with the device pages hidden.
    setServicePages(false);
}

void SettingsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activated();
}

void SettingsDialog::okClicked()
{
    SaveSettings(values());
    WriteLogLine(QStringLiteral("Ausführen : Einstellungen speichern"));
    accept();
}

void SettingsDialog::cancelClicked() { reject(); }

void SettingsDialog::done(int r)
{
    // Never leaves the force test's timers or the stream running.
    m_device->shutDown();
    // Device files chosen for the port names count only with "&OK".
    if (r != QDialog::Accepted)
        m_controllerPage->restorePortDevices();
    m_device->FollowPortSetting();
    SaveFormPlacement(PlacementCode, x(), y());
    QDialog::done(r);
}

void SettingsDialog::reject()
{
    // Esc and the title bar wait until the device function has ended.
    if (m_device->busy())
        return;
    QDialog::reject();
}

void SettingsDialog::closeEvent(QCloseEvent *event)
{
    if (m_device->busy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool SettingsDialog::handleFunctionKey(int key)
{
    if (key == Qt::Key_F10) {
        if (debugCapture0)
            debugCapture0();
        return true;
    }
    if (key == Qt::Key_F11) {
        if (debugCapture1)
            debugCapture1();
        return true;
    }
    return false;
}

void SettingsDialog::pageChanged(int index)
{
    if ((m_pageChangeAllowed && m_device->pageChangeAllowed()) || index == m_shownPage) {
        m_shownPage = index;
        return;
    }
    const QSignalBlocker blocker(m_pages);
    m_pages->setCurrentIndex(m_shownPage);
}

void SettingsDialog::setStatus(const QString &text) { m_statusLabel->setText(text); }

void SettingsDialog::enableButtons(bool on)
{
    m_okButton->setEnabled(on);
    m_cancelButton->setEnabled(on);
    m_forceSensorPage->setCalibrationEnabled(on);
}

void SettingsDialog::enableScaleItem(bool on) { m_forceSensorPage->scaleAction()->setEnabled(on); }

void SettingsDialog::forceTestStateChanged(bool running) { m_forceSensorPage->setTestRunning(running); }

void SettingsDialog::showForceValues(const QStringList &values) { m_forceSensorPage->showValues(values); }

void SettingsDialog::plotChanged() { m_forceSensorPage->updatePlot(); }

void SettingsDialog::showDeviceInfo(const QStringList &values) { m_controllerPage->showDeviceInfo(values); }

int SettingsDialog::askReferenceWeight()
{
    if (!m_weightDialog)
        m_weightDialog = new ReferenceWeightDialog(this);
    return m_weightDialog->askWeight();
}

void SettingsDialog::saveDialogSettings()
{
    SaveSettings(values());
    m_controllerPage->rememberPortDevices();
}

void SettingsDialog::bringOnline()
{
    if (goOnline)
        goOnline();
}

void SettingsDialog::takeOffline()
{
    if (goOffline)
        goOffline();
}
