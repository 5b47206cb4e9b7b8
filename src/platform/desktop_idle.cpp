#include <gdk/gdk.h>
#include <gio/gio.h>

#include <memory>

#include "platform/desktop_portal.h"
#ifdef GDK_WINDOWING_X11
#include <X11/extensions/scrnsaver.h>
#include <gdk/gdkx.h>
#endif

namespace vantle {
namespace {

using std::chrono::milliseconds;

// A Wayland session's idle time, from its compositor over the session bus. Under Xwayland the X
// server sees only the input that reaches X11 windows, so even there the desktop is asked.
class SessionBusIdle final : public DesktopIdle {
  public:
    explicit SessionBusIdle(GDBusConnection* connection) : connection_(connection) {}

    std::optional<milliseconds> IdleTime() override {
        // GNOME's compositor answers in milliseconds; Plasma's screen saver service does too,
        // although the interface it follows speaks of seconds.
        if (auto idle = Ask("org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                            "org.gnome.Mutter.IdleMonitor", "GetIdletime", "(t)"))
            return idle;
        return Ask("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                   "org.freedesktop.ScreenSaver", "GetSessionIdleTime", "(u)");
    }

  private:
    std::optional<milliseconds> Ask(const char* name, const char* path, const char* interface,
                                    const char* method, const char* replyType) {
        // Short: the activity's step waits for the answer, and a desktop that does not answer
        // at once is one that cannot say.
        constexpr int kTimeoutMs = 250;
        GVariant* reply = g_dbus_connection_call_sync(
            connection_, name, path, interface, method, nullptr, G_VARIANT_TYPE(replyType),
            G_DBUS_CALL_FLAGS_NO_AUTO_START, kTimeoutMs, nullptr, nullptr);
        if (reply == nullptr) return std::nullopt;
        guint64 idle = 0;
        if (g_variant_is_of_type(reply, G_VARIANT_TYPE("(t)"))) {
            g_variant_get(reply, "(t)", &idle);
        } else {
            guint32 idle32 = 0;
            g_variant_get(reply, "(u)", &idle32);
            idle = idle32;
        }
        g_variant_unref(reply);
        return milliseconds(idle);
    }

    GDBusConnection* connection_;
};

#ifdef GDK_WINDOWING_X11

// An X11 session's idle time, from the server's screen-saver extension: XTest input counts, and
// each request is handled after the input before it, so a read right after a move sees it.
class X11Idle final : public DesktopIdle {
  public:
    explicit X11Idle(Display* display) : display_(display), info_(XScreenSaverAllocInfo()) {}
    ~X11Idle() override { XFree(info_); }

    std::optional<milliseconds> IdleTime() override {
        if (info_ == nullptr ||
            !XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info_))
            return std::nullopt;
        return milliseconds(info_->idle);
    }

  private:
    Display* display_;
    XScreenSaverInfo* info_;
};

#endif  // GDK_WINDOWING_X11

class NoIdle final : public DesktopIdle {
  public:
    std::optional<milliseconds> IdleTime() override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<DesktopIdle> MakeDesktopIdle(DesktopBus& bus) {
    if (g_getenv("WAYLAND_DISPLAY") != nullptr) {
        if (bus.Connection() == nullptr) return std::make_unique<NoIdle>();
        return std::make_unique<SessionBusIdle>(bus.Connection());
    }
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    if (display != nullptr && GDK_IS_X11_DISPLAY(display)) {
        Display* xdisplay = gdk_x11_display_get_xdisplay(display);
        int firstEvent = 0, firstError = 0;
        if (XScreenSaverQueryExtension(xdisplay, &firstEvent, &firstError))
            return std::make_unique<X11Idle>(xdisplay);
    }
#endif
    return std::make_unique<NoIdle>();
}

}  // namespace vantle
