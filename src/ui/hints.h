#pragma once
#include <QString>
#include <functional>

class QWidget;

// Long hints ("|text" in the window designs) are the widgets' status tips.
// The main window installs one handler that receives every status tip of
// every window of the program (also of modal dialogs, whose tips Qt would
// otherwise not pass to the main window).
void InstallHintHandler(std::function<void(const QString &)> handler);
// Sets short and long hint from a "short|long" text, as the designs give them.
void SetHint(QWidget *widget, const QString &hint);
