#include "platform/display_backend.h"

#include <gdk/gdk.h>

#include <string_view>

namespace vantle {

void PreferX11Backend() {
    if (g_getenv("GDK_BACKEND") == nullptr) gdk_set_allowed_backends("x11,*");
}

bool LooksLikeXwayland(bool hasXwaylandExtension, const std::vector<std::string>& outputNames,
                       const char* sessionType) {
    if (hasXwaylandExtension) return true;
    if (sessionType != nullptr && std::string_view(sessionType) == "wayland") return true;
    for (const std::string& name : outputNames) {
        if (std::string_view(name).substr(0, 8) == "XWAYLAND") return true;
    }
    return false;
}

int DeviceScaleAt(int x, int y) {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor =
        display != nullptr ? gdk_display_get_monitor_at_point(display, x, y) : nullptr;
    return monitor != nullptr ? gdk_monitor_get_scale_factor(monitor) : 1;
}

}  // namespace vantle
