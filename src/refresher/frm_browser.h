#pragma once

#include <wx/frame.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "logic/pause_time.h"
#include "logic/refresh_logic.h"
#include "logic/refresher_settings.h"
#include "logic/status_text.h"
#include "settings/mod_ini.h"

class wxButton;
class wxEventLoopBase;
class wxStaticBox;

namespace vantle {

class WebPane;
struct Services;

// A window timer as the window's designer sees it: an interval that is kept while the timer is
// off; switching it on, or giving it another interval while it runs, starts a new period.
// Each tick is due one interval after the previous one was, so a steady cadence does not drift
// by the time the ticks take.
class PaneTimer : public wxTimer {
  public:
    PaneTimer(wxEvtHandler* owner, std::int32_t interval) : wxTimer(owner), interval_(interval) {}

    void SetEnabled(bool enabled);
    bool Enabled() const { return IsRunning(); }
    void SetInterval(std::int32_t milliseconds);
    std::int32_t Interval() const { return interval_; }
    // When the next tick is due, while the timer is on.
    refresher::MonotonicClock::time_point Due() const { return due_; }

    void Notify() override;

  private:
    void StartPeriod();
    void SleepUntilDue();

    std::int32_t interval_;
    refresher::MonotonicClock::time_point due_{};
};

// The Url Refresher: two browser panes that, once started, each reload their page at their own
// interval, or go back to their stored address and give it time to load. Every setting is read
// from the settings file at the moment it is used, so a save in the configuration dialog
// reaches a running window without notice.
class frmBrowser : public wxFrame {
  public:
    explicit frmBrowser(const Services& services);
    ~frmBrowser() override;

    void Form_Load();
    void Command1_Click();  // Start
    void Command2_Click();  // Stop
    void Timer1_Timer();
    void Timer2_Timer();

    // Returns after that long, the program's events flowing all the while (the other pane's
    // ticks, the buttons, the dialog), or at once when the window is closed meanwhile. The
    // caller must not touch the window after a wait that ended with IsClosing().
    void Wait(std::chrono::milliseconds TimeToWait);

    // Closing and destroying are one: the window is deleted once no handler of its own that
    // runs a nested event loop is left on the stack, and hidden until then.
    bool Destroy() override;

    // Closed, but still on its way out: a handler of its own that runs a nested event loop
    // (a wait, a message box) has not returned yet. The window is destroyed when it has.
    bool IsClosing() const { return closing_; }

    // What the main window's status panel tells of this window.
    status::RefresherStatus Status() const;
    // Whether a person's key, click or wheel in the link's running pane holds its ticks now,
    // by the pause time as last read (at Start, and at each tick after such input).
    bool IsPaneHeld(refresher::Link link) const;

  private:
    // Tests drive the panes and the timers as well as read them: one friend, not an accessor each.
    friend struct TestAccess;

    std::unique_ptr<WebPane> brwWebBrowser;
    std::unique_ptr<WebPane> brwWebBrowser2;
    wxStaticBox* Frame1 = nullptr;
    wxButton* Command1 = nullptr;
    wxButton* Command2 = nullptr;
    PaneTimer Timer1;
    PaneTimer Timer2;

    // What tells the two panes apart.
    struct Pane {
        WebPane* browser = nullptr;
        PaneTimer* timer = nullptr;
        refresher::Link link = refresher::Link::First;
        bool inTick = false;
    };

    // Held by every handler that may run a nested event loop, so that the window outlives it.
    class HandlerScope;

    void BuildControls();
    void PlaceClientArea();
    refresher::RefresherSettings Settings();
    bool IsActive(const Pane& pane);
    void Tick(Pane& pane);
    bool HeldAtTick(const Pane& pane);
    bool NewWindow2(const std::string& url);
    void Form_Unload(wxCloseEvent& event);

    const Services& services_;
    IniFields ini_;
    Pane pane1_;
    Pane pane2_;
    bool closing_ = false;
    int handlersRunning_ = 0;
    std::vector<wxEventLoopBase*> waits_;  // innermost last

    std::int64_t reloadsSinceStart_ = 0;  // for Status()
    // Never, until Start. Input in a pane counts from Start on: what came before it, the click on
    // Start among it, was someone starting the tool, not using a page.
    refresher::MonotonicClock::time_point startedAt_ = refresher::MonotonicClock::time_point::max();
    std::chrono::seconds pauseTime_ = kDefaultPauseTime;
};

}  // namespace vantle
