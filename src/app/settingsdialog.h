#pragma once
#include "device/deviceview.h"

#include <QDialog>
#include <functional>

class ControllerPage;
class DeviceFunctions;
class ForceSensorPage;
class GeneralPage;
class InformationPage;
class QLabel;
class QPushButton;
class QTabWidget;
class ReferenceWeightDialog;
class ShotSensorPage;
struct SettingsDialogValues;

// "Einstellungen": the general program settings, a hint text for the control
// under the mouse pointer, and the maker's web site and support address.
//
// Pages: "Allgemein" and "Information" are the visible tabs. The device
// pages "Controller", "Kraftsensor" and "Schußsensor" sit between them with
// their tabs hidden and disabled; Ctrl+Shift+S shows them (service access)
// and hides them again. Their functions live in DeviceFunctions, which
// report here.
class SettingsDialog : public QDialog, public DeviceView
{
    Q_OBJECT
public:
    explicit SettingsDialog(QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // Reloads the settings store into the record and fills the pages.
    void loadSettings();
    // The values of the pages, as SaveSettings takes them.
    SettingsDialogValues values() const;

    // "&OK": save, log, close with Accepted. "&Abbrechen": close with Rejected.
    void okClicked();
    void cancelClicked();

    // The dialog's key handler, run before the focused control sees the key.
    // True when the key was handled (F10, F11).
    bool handleFunctionKey(int key);

    // False while a device function must keep the current page (zero-point
    // adjustment, force test); the page control then refuses page changes.
    // Every showing allows them again.
    void setPageChangeAllowed(bool allowed) { m_pageChangeAllowed = allowed; }
    bool pageChangeAllowed() const { return m_pageChangeAllowed; }

    // Debug captures bound to F10 and F11 (the device functions' captures;
    // tests replace them). Empty: the keys do nothing.
    std::function<void()> debugCapture0;
    std::function<void()> debugCapture1;

    // The main window's device routines.
    std::function<void()> goOnline;
    std::function<void()> goOffline;

    // Weight entry of the scale factor (made on first use when not set).
    void setReferenceWeightDialog(ReferenceWeightDialog *dialog) { m_weightDialog = dialog; }
    ReferenceWeightDialog *referenceWeightDialog() const { return m_weightDialog; }

    // Ctrl+Shift+S: device pages shown (visible, enabled) or hidden again;
    // refused while a device function runs.
    void toggleServicePages();
    bool servicePagesShown() const;
    // Size of the force trace (tests and screenshots).
    void setPlotSize(const QSize &size);

    QTabWidget *pageControl() const { return m_pages; }
    GeneralPage *generalPage() const { return m_generalPage; }
    ControllerPage *controllerPage() const { return m_controllerPage; }
    ForceSensorPage *forceSensorPage() const { return m_forceSensorPage; }
    ShotSensorPage *shotSensorPage() const { return m_shotSensorPage; }
    InformationPage *informationPage() const { return m_informationPage; }
    QLabel *statusLabel() const { return m_statusLabel; }
    QPushButton *okButton() const { return m_okButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    DeviceFunctions *device() const { return m_device; }

    void done(int r) override;
    void reject() override;

    // DeviceView
    void setStatus(const QString &text) override;
    void enableButtons(bool on) override;
    void enableScaleItem(bool on) override;
    void forceTestStateChanged(bool running) override;
    void showForceValues(const QStringList &values) override;
    void plotChanged() override;
    void showDeviceInfo(const QStringList &values) override;
    int askReferenceWeight() override;
    void saveDialogSettings() override;
    void bringOnline() override;
    void takeOffline() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildBottomBar();
    void setServicePages(bool shown);
    void pageChanged(int index);
    // Each time the dialog is shown.
    void activated();

    DeviceFunctions *m_device;
    QTabWidget *m_pages;
    GeneralPage *m_generalPage;
    ControllerPage *m_controllerPage;
    ForceSensorPage *m_forceSensorPage;
    ShotSensorPage *m_shotSensorPage;
    InformationPage *m_informationPage;
    QLabel *m_statusLabel;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
    ReferenceWeightDialog *m_weightDialog = nullptr;
    bool m_pageChangeAllowed = true;
    int m_shownPage = 0;
};
