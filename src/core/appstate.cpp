#include "core/appstate.h"

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

void ShowHelpTopic(int number)
{
    if (helpHandler())
        helpHandler()(number);
}

void SetHelpTopicHandler(std::function<void(int)> handler) { helpHandler() = std::move(handler); }
