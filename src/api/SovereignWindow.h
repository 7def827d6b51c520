#pragma once

#include <QtGlobal>

// The Sovereign's own window, named by the handle it gave as SovereignHWnd.
class SovereignWindow {
public:
    // Asks the window system to activate the window. Only X11 names windows by a number a
    // Sovereign can hand over; elsewhere (offscreen, Wayland) nothing happens. True when the
    // request was made.
    static bool bringToForeground(qint32 handle);
};
