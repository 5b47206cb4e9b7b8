#pragma once

#include <wx/toplevel.h>

#include <vector>

#include "kit/services.h"
#include "rotator/rotator_host.h"

namespace vantle {

class frmMain;
class frmBrowser;
class Form1;
class aidle;
class churl;
class frmAbout;

// The program's windows. Apart from the main window each exists at most once: whatever refers
// to it first creates and loads it, and every opener reaches that same instance. The list of
// loaded windows, in load order, drives the close sequence.
class Application final : public RotatorHost {
  public:
    explicit Application(Services services);
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    const Services& services() const { return services_; }

    // Creates, registers and shows the main window.
    frmMain& CreateMain();
    frmMain* Main() const { return main_; }

    // Each accessor loads its window, without showing it, when it is not loaded.
    frmBrowser& Refresher();
    Form1& RefresherConfig();
    aidle& Rotator() override;
    churl& RotatorConfig();

    bool IsRotatorLoaded() const;
    // The tool windows when loaded, else null; nothing is loaded for asking.
    frmBrowser* LoadedRefresher() const;
    aidle* LoadedRotator() const;

    // Shows a window modeless without owner: loads it when needed, makes it visible, brings it
    // to the front.
    void ShowModeless(wxTopLevelWindow& window);
    void ShowRotatorConfig() override;
    // Shows the About window modal, owned by the main window; returns when it has closed.
    void ShowAbout();

    // Unloads every other loaded window, hidden ones too, the most recently loaded first, then
    // the main window. Never refused.
    void CloseAll();

    // Loaded windows in the order they were loaded; the main window first. A closed window
    // leaves the list at once, although wx deletes it only when the program is next idle.
    std::vector<wxTopLevelWindow*> LoadedWindows() const;

  private:
    template <class W, class... Args>
    W& Ensure(W*& slot, Args&... args);
    static bool Alive(const wxWindow* window);
    void Register(wxTopLevelWindow* window);
    void OnDestroy(wxWindowDestroyEvent& event);

    Services services_;
    std::vector<wxTopLevelWindow*> loaded_;
    // Cleared when their window is destroyed.
    frmMain* main_ = nullptr;
    frmBrowser* refresher_ = nullptr;
    Form1* refresherConfig_ = nullptr;
    aidle* rotator_ = nullptr;
    churl* rotatorConfig_ = nullptr;
};

}  // namespace vantle
