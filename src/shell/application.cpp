#include "shell/application.h"

#include <algorithm>

#include "refresher/form1.h"
#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "rotator/churl.h"
#include "shell/frm_about.h"
#include "shell/frm_main.h"

namespace vantle {

Application::Application(Services services) : services_(std::move(services)) {
    services_.toolStateChanged = [this] {
        if (Alive(main_)) main_->ToolStateChanged();
    };
}

Application::~Application() {
    // Windows that outlive us (only in tests) must not call back into a dead registry.
    for (wxTopLevelWindow* window : loaded_) {
        window->Unbind(wxEVT_DESTROY, &Application::OnDestroy, this);
    }
}

frmMain& Application::CreateMain() {
    main_ = new frmMain(*this);
    Register(main_);
    main_->Show();
    return *main_;
}

bool Application::Alive(const wxWindow* window) {
    return window != nullptr && !wxTheApp->IsScheduledForDestruction(const_cast<wxWindow*>(window));
}

bool Application::IsRotatorLoaded() const { return Alive(rotator_); }
frmBrowser* Application::LoadedRefresher() const {
    return Alive(refresher_) ? refresher_ : nullptr;
}
aidle* Application::LoadedRotator() const { return Alive(rotator_) ? rotator_ : nullptr; }

template <class W, class... Args>
W& Application::Ensure(W*& slot, Args&... args) {
    if (!Alive(slot)) {
        slot = new W(args...);
        Register(slot);
        slot->Form_Load();
        services_.ToolStateChanged();
    }
    return *slot;
}

frmBrowser& Application::Refresher() { return Ensure(refresher_, services_); }
Form1& Application::RefresherConfig() { return Ensure(refresherConfig_, services_); }
aidle& Application::Rotator() { return Ensure(rotator_, services_, *this); }
churl& Application::RotatorConfig() { return Ensure(rotatorConfig_, services_, *this); }

void Application::ShowModeless(wxTopLevelWindow& window) {
    window.Show();
    window.Raise();
    if (auto* dialog = dynamic_cast<SelfFillingDialog*>(&window)) dialog->ShownByOpener();
}

void Application::ShowRotatorConfig() { ShowModeless(RotatorConfig()); }

void Application::ShowAbout() {
    frmAbout about(*this, main_);
    about.ShowModal();
}

std::vector<wxTopLevelWindow*> Application::LoadedWindows() const {
    std::vector<wxTopLevelWindow*> alive;
    for (wxTopLevelWindow* window : loaded_) {
        if (Alive(window)) alive.push_back(window);
    }
    return alive;
}

void Application::CloseAll() {
    const std::vector<wxTopLevelWindow*> windows = LoadedWindows();
    // Closing, not just destroying, runs each window's own unload (its timers stop at once,
    // not when wx gets round to deleting it). The main window is the one closing us.
    for (std::size_t i = windows.size(); i-- > 1;) windows[i]->Close(true);
    if (!windows.empty()) windows[0]->Destroy();
}

void Application::Register(wxTopLevelWindow* window) {
    loaded_.push_back(window);
    window->Bind(wxEVT_DESTROY, &Application::OnDestroy, this);
}

void Application::OnDestroy(wxWindowDestroyEvent& event) {
    event.Skip();
    wxWindow* window = event.GetWindow();
    auto it = std::find(loaded_.begin(), loaded_.end(), window);
    if (it == loaded_.end()) return;  // a child's destroy event
    loaded_.erase(it);
    auto forget = [window](auto*& slot) {
        if (slot != nullptr && static_cast<wxWindow*>(slot) == window) slot = nullptr;
    };
    forget(main_);
    forget(refresher_);
    forget(refresherConfig_);
    forget(rotator_);
    forget(rotatorConfig_);
    services_.ToolStateChanged();
}

}  // namespace vantle
