// The pane makes its WebKitGTK view itself and embeds it as a native child window: wxWebView
// gives every view a web process of its own and decides new windows its own way, while the
// panes share one process and put every new window to their policy.
#include "platform/web_pane.h"

#include <webkit2/webkit2.h>
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/nativewin.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/navigation_gate.h"
#include "platform/web_engine_environment.h"
#include "platform/web_sandbox.h"

namespace vantle {

struct WebPane::Engine final : NavigationGate::Client {
    // What all panes share. A static object, not a pointer: built with the first pane, it is
    // destroyed at exit, after every pane has left it, and the gate's destructor then removes
    // whatever timeout it still has.
    struct Panes {
        NavigationGate gate;
        std::vector<Engine*> living;  // oldest first
    };
    static Panes& Shared() {
        static Panes panes;
        return panes;
    }

    // Cleared when the view goes, so a pane that outlives its view (a window destroyed in an
    // unusual order) never touches freed memory.
    WebKitWebView* web = nullptr;
    NewWindowPolicy policy;
    bool silent = false;
    std::optional<std::chrono::steady_clock::time_point> lastInput;
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

    // window.open() from script. Returning no view refuses the window in the engine.
    static WebKitWebView* OnCreate(WebKitWebView*, WebKitNavigationAction* action, Engine* engine) {
        engine->AskPolicy(RequestUri(action));
        return nullptr;
    }

    // A link or form aimed at a new window (target="_blank"): refused in the engine and put to
    // the policy. Every other decision is left to the engine.
    static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, Engine* engine) {
        if (type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) return FALSE;
        engine->AskPolicy(RequestUri(webkit_navigation_policy_decision_get_navigation_action(
            WEBKIT_NAVIGATION_POLICY_DECISION(decision))));
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }

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

    // Noted, never taken: returning FALSE lets the page have the key, click or wheel.
    static gboolean OnInput(GtkWidget*, GdkEvent*, Engine* engine) {
        engine->lastInput = std::chrono::steady_clock::now();
        return FALSE;
    }

    bool BeginLoading(const std::string& address) override {
        if (!web) return false;
        webkit_web_view_load_uri(web, address.c_str());
        return true;
    }

    static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, Engine* engine) {
        Shared().gate.Release(*engine);
    }
    static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, Engine* engine) {
        Shared().gate.Release(*engine);
        return FALSE;
    }
    // Kept for the status panel.
    std::optional<LoadFailure> lastFailure;
    static gboolean RecordFailure(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error,
                                  Engine* engine) {
        if (error != nullptr &&
            !g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
            engine->lastFailure = LoadFailure{std::chrono::system_clock::now(), error->message};
        return FALSE;
    }

    static void OnTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, Engine* engine) {
        Shared().gate.Release(*engine);
    }

    // Every pane's page runs in one web process, whichever window the pane is in: each process
    // held a software GL driver, the engine's relocated code and caches of its own, which three
    // panes paid three times. The cost is isolation: a page that crashes or hangs the process
    // does so for every pane, and each pane then shows its page again when it next navigates or
    // reloads.
    static WebKitWebView* NewView() {
        for (const Engine* other : Shared().living)
            if (other->web)
                return WEBKIT_WEB_VIEW(webkit_web_view_new_with_related_view(other->web));
        return WEBKIT_WEB_VIEW(webkit_web_view_new());
    }
};

WebPane::WebPane(wxWindow* parent, const wxPoint& pos, const wxSize& size, const wxString& name)
    : engine_(std::make_unique<Engine>()) {
    wxASSERT_MSG(WebEnginePrepared(), "PrepareWebEngine() runs before the toolkit starts");
    PrepareWebSandbox();
    Engine& engine = *engine_;
    engine.web = Engine::NewView();
    g_object_add_weak_pointer(G_OBJECT(engine.web), reinterpret_cast<gpointer*>(&engine.web));
    Engine::Shared().living.push_back(&engine);

    // The view sits in a box so that it sees input before wx does, as a page expects; wx only
    // gets what the page leaves alone.
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(box), GTK_WIDGET(engine.web), TRUE, TRUE, 0);
    gtk_widget_show(GTK_WIDGET(engine.web));
    view_ = new wxNativeWindow(parent, wxID_ANY, box);
    view_->SetName(name);
    view_->SetSize(wxRect(pos, size));

    engine.Connect("load-changed", G_CALLBACK(Engine::OnLoadChanged));
    engine.Connect("load-failed", G_CALLBACK(Engine::OnLoadFailed));
    engine.Connect("load-failed", G_CALLBACK(Engine::RecordFailure));
    engine.Connect("web-process-terminated", G_CALLBACK(Engine::OnTerminated));
    engine.Connect("create", G_CALLBACK(Engine::OnCreate));
    engine.Connect("decide-policy", G_CALLBACK(Engine::OnDecidePolicy));
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
    for (const char* input : {"key-press-event", "button-press-event", "scroll-event"})
        engine.Connect(input, G_CALLBACK(Engine::OnInput));

    // Shared by all panes' views, like the context; setting them again is harmless.
    WebKitSettings* settings = webkit_web_view_get_settings(engine.web);
    // Without this the engine drops script-opened windows that lack a user gesture before
    // anyone is asked; the policy is meant to see every request.
    webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
    // Pages here are reloaded, not browsed back and forth: the smallest caches serve them as
    // well.
    webkit_web_context_set_cache_model(webkit_web_view_get_context(engine.web),
                                       WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
}

WebPane::~WebPane() {
    Engine::Shared().gate.Forget(*engine_);
    auto& living = Engine::Shared().living;
    living.erase(std::find(living.begin(), living.end(), engine_.get()));
    if (engine_->web) {
        g_signal_handlers_disconnect_by_data(engine_->web, engine_.get());
        g_object_remove_weak_pointer(G_OBJECT(engine_->web),
                                     reinterpret_cast<gpointer*>(&engine_->web));
    }
}

void WebPane::SetSilent(bool silent) { engine_->silent = silent; }

void WebPane::Navigate(const std::string& url) {
    if (engine_->web) Engine::Shared().gate.Navigate(*engine_, url.empty() ? "about:blank" : url);
}

// Also after the web process died: the engine then starts a new one and loads the page it
// last showed (although it reports an empty address meanwhile).
// A navigation still waiting to start loads the page anyway.
void WebPane::Refresh() {
    if (engine_->web && !Engine::Shared().gate.Waiting(*engine_))
        webkit_web_view_reload(engine_->web);
}

// A navigation waiting to start counts as loading, and its address as the one shown, as the
// engine reports a navigation it has begun.
bool WebPane::Busy() const {
    return engine_->web &&
           (Engine::Shared().gate.Waiting(*engine_) || webkit_web_view_is_loading(engine_->web));
}

std::string WebPane::LocationURL() const {
    if (auto waiting = Engine::Shared().gate.Waiting(*engine_)) return *waiting;
    const gchar* uri = engine_->web ? webkit_web_view_get_uri(engine_->web) : nullptr;
    return uri ? std::string(uri) : std::string();
}

void WebPane::SetNewWindowPolicy(NewWindowPolicy policy) { engine_->policy = std::move(policy); }

std::optional<std::chrono::steady_clock::time_point> WebPane::LastInput() const {
    return engine_->lastInput;
}

WebKitWebView* WebPane::Web() const { return engine_->web; }

const std::optional<WebPane::LoadFailure>& WebPane::LastLoadFailure() const {
    return engine_->lastFailure;
}

}  // namespace vantle
