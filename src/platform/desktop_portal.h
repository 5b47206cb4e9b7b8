#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "seams/desktop_idle.h"
#include "seams/idle_inhibit.h"
#include "seams/mouse_input.h"

typedef struct _GDBusConnection GDBusConnection;

namespace vantle {

// The program's own connection to the session bus, opened once and kept for the program's life:
// the desktop ends a remote-desktop session, and drops an inhibit, when the connection that made
// it closes. A private connection rather than GLib's shared one, so that nothing else in the
// process can close it.
class DesktopBus {
  public:
    // Connects to the bus at `address`, the session bus's when empty; Connection() is null when
    // that fails.
    explicit DesktopBus(const std::string& address = "");
    ~DesktopBus();
    DesktopBus(const DesktopBus&) = delete;
    DesktopBus& operator=(const DesktopBus&) = delete;
    GDBusConnection* Connection() const { return connection_; }

  private:
    GDBusConnection* connection_ = nullptr;
};

// Pointer input through the desktop's remote-desktop portal, whose session persists its
// approval in `tokenFile` where the portal can (empty: nowhere); nothing when the bus has no
// such portal or it offers no pointer.
std::unique_ptr<MouseInput> MakePortalMouseInput(DesktopBus& bus,
                                                 const std::filesystem::path& tokenFile);

// The mouse input for this session: on a Wayland session (WAYLAND_DISPLAY set) the portal's
// when there is one, otherwise XTest as on X11.
std::unique_ptr<MouseInput> MakeDesktopMouseInput(DesktopBus& bus,
                                                  const std::filesystem::path& tokenFile);

// The session's idle inhibit: the portal's (idle only), else org.freedesktop.ScreenSaver's,
// else one that does nothing.
std::unique_ptr<IdleInhibit> MakeDesktopIdleInhibit(DesktopBus& bus);

// The desktop's idle time (desktop_idle.cpp): a Wayland session's compositor tells it over the
// bus, even to a program on Xwayland; an X11 server through its screen-saver extension.
std::unique_ptr<DesktopIdle> MakeDesktopIdle(DesktopBus& bus);

}  // namespace vantle
