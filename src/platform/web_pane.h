#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class wxWindow;
typedef struct _WebKitWebView WebKitWebView;

namespace vantle {

// One browser pane, as every window of the program uses it: navigate, refresh, busy, current
// address, silent, and a say on every new window a page asks for. It hides the engine's quirks
// (see web_pane.cpp) from the windows.
//
// The pane's view is a child window of `parent`; the WebPane object itself is owned by that
// parent window (a member), so it is destroyed before wx destroys the parent's children.
// All panes' pages run in one web process of the engine's.
class WebPane {
  public:
    // Decides a page's request to open a new window at `url`: true lets it open (in the
    // user's default browser; the pane never opens windows of its own), false refuses it.
    using NewWindowPolicy = std::function<bool(const std::string& url)>;

    WebPane(wxWindow* parent, const wxPoint& pos, const wxSize& size, const wxString& name);
    ~WebPane();
    WebPane(const WebPane&) = delete;
    WebPane& operator=(const WebPane&) = delete;

    // Silent panes show no dialog of the engine's: alerts, prompts, authentication, file
    // choosers and permission requests are answered without asking anyone.
    void SetSilent(bool silent);
    // An empty address shows a blank page.
    void Navigate(const std::string& url);
    void Refresh();
    bool Busy() const;
    std::string LocationURL() const;
    // Without a policy every new window is refused.
    void SetNewWindowPolicy(NewWindowPolicy policy);
    // When a key, a mouse button or the wheel was last pressed or turned inside the page;
    // nothing before the first time. The page gets that input as it always does.
    std::optional<std::chrono::steady_clock::time_point> LastInput() const;

    // The last page that could not be loaded: when, and the engine's reason. A load cut short
    // by the next one (a reload while loading) is not a failure.
    struct LoadFailure {
        std::chrono::system_clock::time_point at;
        std::string message;
    };
    const std::optional<LoadFailure>& LastLoadFailure() const;

    // The child window that shows the page.
    wxWindow* View() const { return view_; }
    // The engine's view inside it; null once the engine has destroyed it.
    WebKitWebView* Web() const;

  private:
    struct Engine;
    wxWindow* view_ = nullptr;
    std::unique_ptr<Engine> engine_;
};

}  // namespace vantle
