#include "platform/wx_platform.h"

#include <gio/gio.h>
#include <glib.h>
#include <gtk/gtk.h>
#include <wx/msgdlg.h>
#include <wx/window.h>

#include <cstdio>

#include "platform/web_engine_environment.h"

namespace vantle {
namespace {

class WxMessageBoxes final : public MessageBoxes {
  public:
    void Show(const std::string& text, const std::string& title, MessageIcon icon) override {
        long style = wxOK;
        switch (icon) {
            case MessageIcon::None:
                style |= wxICON_NONE;
                break;
            case MessageIcon::Information:
                style |= wxICON_INFORMATION;
                break;
            case MessageIcon::Exclamation:
                style |= wxICON_EXCLAMATION;
                break;
        }
        wxMessageBox(wxString::FromUTF8(text), wxString::FromUTF8(title), style);
    }
};

// Every start that fails says why on standard error, in the system's words: a caller's own
// message, where it has one, cannot tell a missing program from one that may not run.
class WxProgramStart final : public ProgramStart {
  public:
    bool Start(const std::string& path) override {
        // Not wxExecute: it forks first and reports success even when the program cannot run.
        // GLib reports a failed exec back to us, and reaps the child itself. An argument
        // vector, not a command line: the path is never split or interpreted.
        std::string program = path;
        char* argv[] = {program.data(), nullptr};
        gchar** environment = g_get_environ();
        for (const std::string& name : EngineEnvironment()) {
            environment = g_environ_unsetenv(environment, name.c_str());
        }
        GError* error = nullptr;
        const bool started = g_spawn_async(nullptr, argv, environment, G_SPAWN_DEFAULT, nullptr,
                                           nullptr, nullptr, &error);
        g_strfreev(environment);
        Report("cannot start " + path, error);
        return started;
    }
    // The desktop's handler for the address's scheme, without the panes' engine switches (a
    // browser built on the same engine would otherwise run without its JIT and compositing).
    bool OpenInBrowser(const std::string& url) override {
        GAppLaunchContext* context = g_app_launch_context_new();
        for (const std::string& name : EngineEnvironment()) {
            g_app_launch_context_unsetenv(context, name.c_str());
        }
        GError* error = nullptr;
        const bool opened = g_app_info_launch_default_for_uri(url.c_str(), context, &error);
        g_object_unref(context);
        Report("cannot open " + url + " in the browser", error);
        return opened;
    }

  private:
    // Says `error`, if there is one, and frees it.
    static void Report(const std::string& failed, GError* error) {
        if (error == nullptr) return;
        std::fprintf(stderr, "Vantle: %s: %s\n", failed.c_str(), error->message);
        g_error_free(error);
    }
};

}  // namespace

std::unique_ptr<MessageBoxes> MakeWxMessageBoxes() { return std::make_unique<WxMessageBoxes>(); }
std::unique_ptr<ProgramStart> MakeWxProgramStart() { return std::make_unique<WxProgramStart>(); }

bool RaiseWithoutActivating(wxWindow& window) {
    GdkWindow* native = gtk_widget_get_window(window.GetHandle());
    if (native == nullptr) return false;
    gdk_window_raise(native);
    return true;
}

}  // namespace vantle
