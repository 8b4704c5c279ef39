#pragma once
#include <QtGlobal>

// Returns once the window system has carried out every drawing request this
// program sent before the call: a round trip on X11 (the X server handles a
// connection's requests in order, so its reply comes after the picture was
// put on the screen). False, at once, where there is no such round trip.
bool SyncWithWindowSystem();

// When a picture painted and flushed (repaint()) after beforeNs was shown,
// on Clock::monotonicNs: after the round trip where there is one, otherwise
// the end of its paint (paintedNs), or now when it was not painted since.
qint64 ShownAfterPaint(qint64 beforeNs, qint64 paintedNs);
