#include "core/appstate.h"

#include "core/changenotifier.h"

namespace {
std::function<void(int)> &helpHandler()
{
    static std::function<void(int)> handler;
    return handler;
}
} // namespace

AppState &AppState::instance()
{
    static AppState state;
    return state;
}

ChangeNotifier &AppState::notifier()
{
    static ChangeNotifier notifier;
    return notifier;
}

namespace {
template <typename T>
void assign(T &field, const T &value)
{
    if (field == value)
        return;
    field = value;
    AppState::notifier().notify();
}
} // namespace

void AppState::setOffline(bool offline) { assign(OfflineState, offline); }
void AppState::setBusyTitle(bool busy) { assign(BusyTitle, busy); }
void AppState::setActivityTitle(const QString &title) { assign(ActivityTitle, title); }

void ShowHelpTopic(int number)
{
    if (helpHandler())
        helpHandler()(number);
}

void SetHelpTopicHandler(std::function<void(int)> handler) { helpHandler() = std::move(handler); }
