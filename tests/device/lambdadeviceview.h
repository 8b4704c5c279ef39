#pragma once
#include "device/deviceview.h"

#include <functional>

// A device view that runs the test's lambdas; a call without one does nothing
// (and gives no weight).
struct LambdaDeviceView : DeviceView
{
    std::function<void(const QString &)> onStatus;
    std::function<void(bool)> onButtons;
    std::function<void(bool)> onScaleItem;
    std::function<void(bool)> onForceTestState;
    std::function<void(const QStringList &)> onForceValues;
    std::function<void()> onPlot;
    std::function<void(const QStringList &)> onDeviceInfo;
    std::function<int()> onAskWeight;
    std::function<void()> onSaveSettings;
    std::function<void()> onGoOnline;
    std::function<void()> onGoOffline;

    void setStatus(const QString &text) override { call(onStatus, text); }
    void enableButtons(bool on) override { call(onButtons, on); }
    void enableScaleItem(bool on) override { call(onScaleItem, on); }
    void forceTestStateChanged(bool running) override { call(onForceTestState, running); }
    void showForceValues(const QStringList &values) override { call(onForceValues, values); }
    void plotChanged() override { call(onPlot); }
    void showDeviceInfo(const QStringList &values) override { call(onDeviceInfo, values); }
    int askReferenceWeight() override { return onAskWeight ? onAskWeight() : 0; }
    void saveDialogSettings() override { call(onSaveSettings); }
    void bringOnline() override { call(onGoOnline); }
    void takeOffline() override { call(onGoOffline); }

private:
    template <typename F, typename... A>
    static void call(const F &f, A &&...args)
    {
        if (f)
            f(std::forward<A>(args)...);
    }
};
