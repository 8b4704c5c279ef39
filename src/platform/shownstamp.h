#pragma once
#include <QtGlobal>
#include <functional>

class QWindow;

// When the window system carried out what a window drew so far. On X11 a
// zero-length append to a property of the window goes out on the program's
// own X connection right behind the picture; the X server handles a
// connection's requests in order and stamps the PropertyNotify it sends back
// with its clock (the clock of its input events) when it got there, that is
// once the picture is on the screen. The answer comes later through the event
// loop; no round trip is waited for.
namespace ShownStamp {

// Asks for the stamp of window's last picture; done gets the X server's time
// in ms. False (and done never runs) where there is no X server.
bool request(QWindow *window, std::function<void(quint32 serverMs)> done);

} // namespace ShownStamp
