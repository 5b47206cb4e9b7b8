// The pane talks to WebKitGTK directly where wxWebView 3.2 has no say (dialogs, permissions,
// rendering, caches) or gets it wrong (script-opened windows).
#include "platform/web_pane.h"

#include <webkit2/webkit2.h>
#include <wx/app.h>
#include <wx/log.h>
#include <wx/weakref.h>
#include <wx/webview.h>

#include <memory>
#include <string>

namespace vantle {

struct WebPane::Engine {
    // Both cleared when the view goes, so a pane that outlives its view (a window destroyed in
    // an unusual order) never touches freed memory.
    wxWeakRef<wxWebView> view;
    WebKitWebView* web = nullptr;
    NewWindowPolicy policy;
    bool silent = false;
    // Deferred policy calls check this token, so none of them reaches a destroyed pane.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);

    void Connect(const char* signal, GCallback handler) {
        g_signal_connect(web, signal, handler, this);
    }

    // Every new-window request ends here exactly once, whichever way the engine raised it. The
    // policy runs after the engine's signal has returned: it may start programs or process
    // events, neither of which belongs inside a signal the engine is waiting on.
    void AskPolicy(const gchar* uri) {
        std::weak_ptr<bool> token = alive;
        wxTheApp->CallAfter([this, token, url = std::string(uri ? uri : "")] {
            if (token.expired()) return;
            // A copy, so a policy that replaces itself is not destroyed while it runs.
            const NewWindowPolicy decide = policy;
            if (decide) decide(url);
        });
    }

    static const gchar* RequestUri(WebKitNavigationAction* action) {
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        return request ? webkit_uri_request_get_uri(request) : nullptr;
    }

    // window.open() from script. wx 3.2.2 answers this by returning the same view, which the
    // engine rejects by aborting the process; returning no view refuses the window cleanly.
    static WebKitWebView* OnCreate(WebKitWebView*, WebKitNavigationAction* action, Engine* engine) {
        engine->AskPolicy(RequestUri(action));
        return nullptr;
    }

    // A link or form aimed at a new window (target="_blank"). wx's own "decide-policy" handler
    // runs first, refuses the request in the engine and raises this event for it.
    void OnNewWindow(wxWebViewEvent& event) { AskPolicy(event.GetURL().utf8_str()); }

    // Silent answers: alerts are acknowledged, confirm and prompt are cancelled (the answer a
    // person walking away would give: confirm() yields false, prompt() null), and a page that
    // asks before being left is always left, so navigation and reload are never held up.
    static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, Engine* engine) {
        if (!engine->silent) return FALSE;
        switch (webkit_script_dialog_get_dialog_type(dialog)) {
            case WEBKIT_SCRIPT_DIALOG_CONFIRM:
                webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
                break;
            case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
                webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
                break;
            default:
                break;
        }
        return TRUE;
    }

    // Authentication, file and colour choosers, permission requests: each refused the way its
    // request type offers.
    template <typename Request, void (*refuse)(Request*)>
    static gboolean RefuseIfSilent(WebKitWebView*, Request* request, Engine* engine) {
        if (!engine->silent) return FALSE;
        refuse(request);
        return TRUE;
    }
    template <typename Request, void (*refuse)(Request*)>
    void RefuseWhenSilent(const char* signal) {
        Connect(signal, G_CALLBACK((RefuseIfSilent<Request, refuse>)));
    }

    // Print dialogs and desktop notifications: swallowed.
    static gboolean SwallowIfSilent(WebKitWebView*, gpointer, Engine* engine) {
        return engine->silent;
    }
};

namespace {

// Three panes run at once for days, each page in a web process of its own, so what every web
// process holds counts three times. Both choices below are made through the environment the
// engine's processes start with, so they have to be in place before the first view; each is set
// once, unless the user set it already.
//
// Software rendering: no GL context and compositing buffers in every web process (each page's
// process needed 25 to 50 MB less without them), and the same drawing on a display without a
// GPU. The per-view setting comes too late, because wx creates the view and starts loading in
// one call, and switching a view that is already loading makes the engine drop the next
// navigation.
//
// Scripts interpreted, not compiled: compiled code took 3 to 5 MB in every web process, more as
// the reloads went on. Pages behave the same; only heavy scripts run slower.
std::vector<std::string>& SwitchesSet() {
    static std::vector<std::string> names;
    return names;
}

void ChooseLeanEngine() {
    [[maybe_unused]] static const bool done = [] {
        for (const char* name : {"WEBKIT_DISABLE_COMPOSITING_MODE", "JSC_useJIT"}) {
            if (g_getenv(name) != nullptr) continue;
            g_setenv(name, name[0] == 'W' ? "1" : "0", TRUE);
            SwitchesSet().emplace_back(name);
        }
        return true;
    }();
}

}  // namespace

const std::vector<std::string>& EngineEnvironment() { return SwitchesSet(); }

WebPane::WebPane(wxWindow* parent, const wxPoint& pos, const wxSize& size, const wxString& name)
    : engine_(std::make_unique<Engine>()) {
    ChooseLeanEngine();
    view_ =
        wxWebView::New(parent, wxID_ANY, "about:blank", pos, size, wxWebViewBackendWebKit, 0, name);
    Engine& engine = *engine_;
    engine.view = view_;
    engine.web = static_cast<WebKitWebView*>(view_->GetNativeBackend());
    g_object_add_weak_pointer(G_OBJECT(engine.web), reinterpret_cast<gpointer*>(&engine.web));

    // wx connects its "create" handler with the wxWebViewWebKit object as data, which is the
    // address of view_ (single inheritance from wxWebView).
    const guint create = g_signal_lookup("create", WEBKIT_TYPE_WEB_VIEW);
    if (g_signal_handlers_disconnect_matched(
            engine.web, static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA),
            create, 0, nullptr, nullptr, static_cast<gpointer>(view_)) == 0) {
        wxLogDebug("WebPane: wx's \"create\" handler was not found; nothing disconnected");
    }

    engine.Connect("create", G_CALLBACK(Engine::OnCreate));
    engine.Connect("script-dialog", G_CALLBACK(Engine::OnScriptDialog));
    engine.RefuseWhenSilent<WebKitAuthenticationRequest, webkit_authentication_request_cancel>(
        "authenticate");
    engine.RefuseWhenSilent<WebKitFileChooserRequest, webkit_file_chooser_request_cancel>(
        "run-file-chooser");
    engine.RefuseWhenSilent<WebKitColorChooserRequest, webkit_color_chooser_request_cancel>(
        "run-color-chooser");
    engine.RefuseWhenSilent<WebKitPermissionRequest, webkit_permission_request_deny>(
        "permission-request");
    engine.Connect("print", G_CALLBACK(Engine::SwallowIfSilent));
    engine.Connect("show-notification", G_CALLBACK(Engine::SwallowIfSilent));
    view_->Bind(wxEVT_WEBVIEW_NEWWINDOW, &Engine::OnNewWindow, &engine);

    WebKitSettings* settings = webkit_web_view_get_settings(engine.web);
    // Without this the engine drops script-opened windows that lack a user gesture before
    // anyone is asked; the policy is meant to see every request.
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    // Pages here are reloaded, not browsed back and forth: the smallest caches serve them as
    // well. The context is shared by all panes; setting it again is harmless.
    webkit_web_context_set_cache_model(webkit_web_view_get_context(engine.web),
                                       WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
}

WebPane::~WebPane() {
    if (engine_->view) {
        engine_->view->Unbind(wxEVT_WEBVIEW_NEWWINDOW, &Engine::OnNewWindow, engine_.get());
    }
    if (engine_->web) {
        g_signal_handlers_disconnect_by_data(engine_->web, engine_.get());
        g_object_remove_weak_pointer(G_OBJECT(engine_->web),
                                     reinterpret_cast<gpointer*>(&engine_->web));
    }
}

void WebPane::SetSilent(bool silent) { engine_->silent = silent; }

void WebPane::Navigate(const std::string& url) {
    if (!engine_->web) return;
    webkit_web_view_load_uri(engine_->web, url.empty() ? "about:blank" : url.c_str());
}

// Also after the web process died: the engine then starts a new one and loads the page it
// last showed (although it reports an empty address meanwhile).
void WebPane::Refresh() {
    if (engine_->web) webkit_web_view_reload(engine_->web);
}

bool WebPane::Busy() const { return engine_->web && webkit_web_view_is_loading(engine_->web); }

std::string WebPane::LocationURL() const {
    const gchar* uri = engine_->web ? webkit_web_view_get_uri(engine_->web) : nullptr;
    return uri ? std::string(uri) : std::string();
}

void WebPane::SetNewWindowPolicy(NewWindowPolicy policy) { engine_->policy = std::move(policy); }

}  // namespace vantle
