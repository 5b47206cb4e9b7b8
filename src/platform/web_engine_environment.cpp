// Three panes run at once for days, so every megabyte counts. The choices below go through the
// environment, which the engine's processes start with and the toolkit reads when it starts.
//
// Software rendering: no GL context and compositing buffers in the web process, and the same
// drawing on a display without a GPU. This process then needs no GL at all, so neither GTK nor
// the engine may load a GL driver into it (the software one links a whole compiler library). GTK
// is told so directly; the engine would still open an EGL display here, so EGL is left without a
// driver to load (the list of drivers is read once, at its first use).
//
// Scripts interpreted, not compiled: compiled code grew with every page and every reload. Pages
// behave the same; only heavy scripts run slower.
#include "platform/web_engine_environment.h"

#include <EGL/egl.h>
#include <glib.h>

#include <optional>

namespace vantle {
namespace {

struct Switches {
    bool prepared = false;
    std::vector<std::string> set;
};

Switches& State() {
    static Switches switches;
    return switches;
}

// Sets an environment switch unless the user set it already; true if it was set here.
bool Choose(const char* name, const char* value) {
    if (g_getenv(name) != nullptr) return false;
    g_setenv(name, value, TRUE);
    State().set.emplace_back(name);
    return true;
}

}  // namespace

void PrepareWebEngine() {
    if (State().prepared) return;
    State().prepared = true;
    Choose("GDK_GL", "disable");
    Choose("JSC_useJIT", "0");
    if (Choose("WEBKIT_DISABLE_COMPOSITING_MODE", "1")) {
        // Only for this process: the web process needs its driver.
        constexpr const char* kVendors = "__EGL_VENDOR_LIBRARY_FILENAMES";
        const gchar* user = g_getenv(kVendors);
        const std::optional<std::string> saved =
            user ? std::optional<std::string>(user) : std::nullopt;
        g_setenv(kVendors, "/dev/null", TRUE);
        eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (saved) {
            g_setenv(kVendors, saved->c_str(), TRUE);
        } else {
            g_unsetenv(kVendors);
        }
    }
}

bool WebEnginePrepared() { return State().prepared; }

const std::vector<std::string>& EngineEnvironment() { return State().set; }

}  // namespace vantle
