#pragma once

#include <string>
#include <vector>

namespace vantle {

// Lets GTK open an X11 display first where the session offers both X11 and Wayland (a Wayland
// desktop with Xwayland): only there can the program place its windows, keep one above the
// others and move the pointer. A GDK_BACKEND the user set wins; without an X display GTK goes
// on to Wayland. Call it before the toolkit opens its display.
void PreferX11Backend();

// Whether an X server is Xwayland, a Wayland compositor's X11 server for older programs: it has
// the XWAYLAND extension (Xwayland 23.1 and later, Debian 13's), or its RandR outputs are named
// XWAYLAND0, XWAYLAND1 ... (older ones, Debian 12's; newer ones take the compositor's names), or
// the session it serves says "wayland". `sessionType` is XDG_SESSION_TYPE, or null.
bool LooksLikeXwayland(bool hasXwaylandExtension, const std::vector<std::string>& outputNames,
                       const char* sessionType);

// The device pixels per GTK logical pixel of the monitor at a point: what synthetic input must
// multiply wx's points by.
int DeviceScaleAt(int x, int y);

}  // namespace vantle
