#pragma once
#include <QString>
#include <functional>

class ChangeNotifier;

// Program-wide state owned by the main window and read by other windows.
// The setters announce a change through notifier(); the main window's
// menus, status bar and title strip follow it.
struct AppState
{
    bool OfflineState = true;   // the device is not connected
    bool BusyTitle = true;      // keep ActivityTitle although the main window has the focus
    QString ActivityTitle;      // text of the main window's title strip

    void setOffline(bool offline);
    void setBusyTitle(bool busy);
    void setActivityTitle(const QString &title);

    static AppState &instance();
    static ChangeNotifier &notifier();
};

// Shows a help page in the main window's help pane (F1 in other windows).
// The main window installs the handler; without one nothing happens.
void ShowHelpTopic(int number);
void SetHelpTopicHandler(std::function<void(int)> handler);
