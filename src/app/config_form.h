#pragma once
#include "core/settings.h"

#include <QDialog>
#include <QHash>
#include <functional>

class DeviceFunctions;
class PortDeviceBox;
class QAction;
class QButtonGroup;
class QMenu;
class QToolButton;
class TSKL_Form;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

// "Einstellungen": the general program settings, a hint text for the control
// under the mouse pointer, and the maker's web site and support address.
//
// Page control: "Allgemein" and "Information" are the visible tabs. The device
// pages "Controller", "Kraftsensor" and "Schußsensor" sit between them with
// their tabs hidden and disabled; Ctrl+Shift+S shows them (service access)
// and hides them again. Their functions live in DeviceFunctions.
class TConfig_Form : public QDialog
{
    Q_OBJECT
public:
    explicit TConfig_Form(QWidget *parent = nullptr);
    ~TConfig_Form() override;

    // Reloads the settings store into the record and fills the controls.
    void SettingsToDialog();
    // The values of the controls, as SaveSettings takes them.
    SettingsDialogValues DialogValues() const;

    // Each time the dialog is shown.
    void FormActivate();
    // "&OK": save, log, close with Accepted. "&Abbrechen": close with Rejected.
    void OK_ButtonClick();
    void Cancel_ButtonClick();
    // The two links of the "Information" page.
    void Homepage_LabelClick();
    void SupportMail_LabelClick();
    // A click on the group "Programm" itself.
    void Programm_GroupBoxClick();
    // The dialog's key handler, run before the focused control sees the key.
    // True when the key was handled (F10, F11).
    bool FormKeyDown(int key);

    // Hover on `control` writes `text` into `area` (a page's hint label).
    void AddHoverHint(QWidget *control, const QString &text, QLabel *area);

    // False while a device function must keep the current page (zero-point
    // adjustment, force test); the page control then refuses page changes.
    bool pageChangeAllowed = true;

    // Debug captures bound to F10 and F11; empty until the device functions
    // are placed on the dialog, then the keys do nothing.
    std::function<void()> debugCapture0;
    std::function<void()> debugCapture1;

    // Hand an address to the desktop; tests replace them.
    std::function<bool(const QString &)> openWebPage;
    std::function<bool(const QString &)> openMailAddress;

    QTabWidget *PageControl;
    QWidget *Allgemein_Page;
    QWidget *Controller_Page;
    QWidget *Kraftsensor_Page;
    QWidget *Schusssensor_Page;
    QWidget *Information_Page;

    // "Allgemein"
    QGroupBox *Programm_GroupBox;
    QLabel *Benutzer_Label;
    QLineEdit *Benutzer_Edit;
    QCheckBox *Offline_CheckBox;
    QCheckBox *Backup_CheckBox;
    QCheckBox *Reorg_CheckBox;
    QCheckBox *Logfile_CheckBox;
    QCheckBox *Sound_CheckBox;
    QGroupBox *Hinweis_GroupBox;
    QLabel *Hinweis_Label;

    // "Controller" (hidden)
    QRadioButton *COM1_RadioButton;
    QRadioButton *COM2_RadioButton;
    // The device file each port name opens, chosen from the machine's serial
    // ports; stored in the settings section "Ports" as soon as it is chosen
    // and put back when the dialog closes without "&OK".
    PortDeviceBox *COM1Device_ComboBox;
    PortDeviceBox *COM2Device_ComboBox;
    QLabel *COM1Device_Label;
    QLabel *COM2Device_Label;
    void ChoosePortDevice(int index, const QString &deviceFile);
    QLabel *Controller_Label;
    QComboBox *Controller_ComboBox;
    QLabel *ControllerHinweis_Label;
    QPushButton *Geraetetest_Button;
    // "Hardware Revision" ... "Hersteller", in the order they are queried.
    QList<QLabel *> DeviceInfo_Labels;

    // "Kraftsensor" (hidden)
    QWidget *Shape1;                    // the force trace
    QList<QLabel *> ForceValue_Labels;  // "Signalpegel 12 Bit" ... "Abzugsgewicht in g"
    QPushButton *TestStart_Button;
    QPushButton *TestStop_Button;
    QToolButton *Kalibrieren_Button;
    QMenu *Kalibrieren_Menu;
    QAction *Nullpunkt_Item;
    QAction *Kennlinie_Item;
    QAction *Information_Item;

    // "Schußsensor" (hidden)
    QLabel *Empfindlichkeit_Label;
    QLabel *Schuesse_Label;
    QToolButton *SchussKalibrieren_Button;

    // The device functions behind the three device pages.
    DeviceFunctions *Device;
    // Weight entry of the scale factor (made on first use when not set).
    TSKL_Form *SKL_Form = nullptr;
    // The main window's device routines.
    std::function<void()> goOnline;
    std::function<void()> goOffline;

    // Ctrl+Shift+S: device pages shown (visible, enabled) or hidden again;
    // refused while a device function runs.
    void ToggleServicePages();
    bool servicePagesShown() const;
    // Size of the force trace (tests and screenshots).
    void setPlotSize(const QSize &size);

    // "Information"
    QLabel *Logo_Image;
    QLabel *Internet_Label;
    QLabel *Homepage_Label;
    QLabel *Support_Label;
    QLabel *SupportMail_Label;

    // Bottom bar
    QLabel *TestStatus_Label;
    QPushButton *OK_Button;
    QPushButton *Cancel_Button;

    static const QString GroupHint;  // text of a click on the group "Programm"

    void done(int r) override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct HoverHint
    {
        QString text;
        QLabel *area;
    };

    void buildAllgemein();
    void buildDevicePages();
    QWidget *buildControllerPage();
    QWidget *buildKraftsensorPage();
    QWidget *buildSchusssensorPage();
    void connectDevice();
    void setServicePages(bool shown);
    int askReferenceWeight();
    void buildInformation();
    QWidget *buildBottomBar();
    void setPortButtons(bool com1, bool com2);
    void showPortDevices();
    void rememberPortDevices();
    void restorePortDevices();
    void PageControlChange(int index);

    QButtonGroup *m_portGroup = nullptr;
    QString m_portDevicesAtOpen[2];   // "Ports" as stored when the dialog opened
    QHash<QObject *, HoverHint> m_hoverHints;
    int m_shownPage = 0;
};
