#pragma once
#include <QStringList>

// What the device functions show and ask while they run. The settings
// dialog implements it over its device pages and its bottom bar; tests
// record the calls.
class DeviceView
{
public:
    virtual ~DeviceView() = default;
    virtual void setStatus(const QString &text) = 0;               // status line
    virtual void enableButtons(bool on) = 0;                       // "&OK", "&Abbrechen", "&Kalibrieren "
    virtual void enableScaleItem(bool on) = 0;                     // "&Kennlinie"
    virtual void forceTestStateChanged(bool running) = 0;          // start/stop buttons, menu items
    virtual void showForceValues(const QStringList &values) = 0;   // the seven force values
    virtual void plotChanged() = 0;                                // the trace picture changed
    virtual void showDeviceInfo(const QStringList &values) = 0;    // the seven controller labels
    virtual int askReferenceWeight() = 0;                          // grams; 0 = not confirmed
    virtual void saveDialogSettings() = 0;                         // SaveSettings with the dialog's values
    virtual void bringOnline() = 0;                                // the main window's device routines
    virtual void takeOffline() = 0;
};
