#include "refresher/frm_browser.h"

#include <wx/button.h>
#include <wx/evtloop.h>
#include <wx/panel.h>
#include <wx/statbox.h>

#include <algorithm>

#include "kit/services.h"
#include "kit/twips.h"
#include "kit/vantle_icon.h"
#include "logic/numbers.h"
#include "logic/refresh_logic.h"
#include "platform/web_pane.h"
#include "seams/program_start.h"

namespace vantle {

using namespace refresher;

void PaneTimer::SetEnabled(bool enabled) {
    if (enabled) {
        StartPeriod();
    } else {
        Stop();
    }
}

void PaneTimer::SetInterval(std::int32_t milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    if (IsRunning()) StartPeriod();
}

void PaneTimer::StartPeriod() {
    due_ = MonotonicClock::now() + std::chrono::milliseconds(interval_);
    SleepUntilDue();
}

void PaneTimer::SleepUntilDue() {
    StartOnce(std::max(1, MillisecondsUntil(due_, MonotonicClock::now())));
}

void PaneTimer::Notify() {
    const MonotonicClock::time_point now = MonotonicClock::now();
    if (now < due_) {
        SleepUntilDue();
        return;
    }
    // Armed before the tick runs: the tick may change the interval, stop the timer, or wait
    // while further ticks fall due.
    due_ = NextTick(due_, std::chrono::milliseconds(interval_), now);
    SleepUntilDue();
    wxTimer::Notify();
}

// The window is destroyed only when no handler of its own is left on the stack: a handler that
// ran a nested event loop comes back to a window that still exists, sees IsClosing() and leaves
// it alone.
class frmBrowser::HandlerScope {
  public:
    explicit HandlerScope(frmBrowser& window) : window_(window) { ++window_.handlersRunning_; }
    ~HandlerScope() {
        if (--window_.handlersRunning_ == 0 && window_.closing_) window_.Destroy();
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

  private:
    frmBrowser& window_;
};

frmBrowser::frmBrowser(const Services& services)
    : wxFrame(nullptr, wxID_ANY, "Vantle Surfer Window", wxDefaultPosition, wxDefaultSize,
              wxDEFAULT_FRAME_STYLE & ~wxMAXIMIZE_BOX),
      Timer1(this, static_cast<std::int32_t>(services.timings.paneFirstTick1.count())),
      Timer2(this, static_cast<std::int32_t>(services.timings.paneFirstTick2.count())),
      services_(services) {
    SetName("frmBrowser");
    SetIcons(VantleIcons());
    BuildControls();
    PlaceClientArea();

    pane1_ = {brwWebBrowser.get(), &Timer1, Link::First};
    pane2_ = {brwWebBrowser2.get(), &Timer2, Link::Second};

    Bind(wxEVT_CLOSE_WINDOW, &frmBrowser::Form_Unload, this);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { Timer1_Timer(); }, Timer1.GetId());
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { Timer2_Timer(); }, Timer2.GetId());
}

frmBrowser::~frmBrowser() = default;

void frmBrowser::BuildControls() {
    auto* client = new wxPanel(this);
    // Created in tab order; the frame is drawn behind the buttons it holds, whose positions
    // are designed relative to it.
    brwWebBrowser = std::make_unique<WebPane>(client, TwipsPoint(this, 0, 0),
                                              TwipsSize(this, 5400, 1920), "brwWebBrowser");
    brwWebBrowser2 = std::make_unique<WebPane>(client, TwipsPoint(this, 0, 2040),
                                               TwipsSize(this, 5415, 2055), "brwWebBrowser2");
    const int frameTop = 4080;
    Frame1 = new wxStaticBox(client, wxID_ANY, "Controls", TwipsPoint(this, 0, frameTop),
                             TwipsSize(this, 5415, 855), 0, "Frame1");
    Command1 = new wxButton(client, wxID_ANY, "Start", TwipsPoint(this, 120, frameTop + 240),
                            TwipsSize(this, 1215, 495), 0, wxDefaultValidator, "Command1");
    Command1->SetToolTip("Start Vantlesurfer");
    Command1->SetBackgroundColour(wxColour(0, 192, 0));
    Command2 = new wxButton(client, wxID_ANY, "Stop", TwipsPoint(this, 4080, frameTop + 240),
                            TwipsSize(this, 1215, 495), 0, wxDefaultValidator, "Command2");
    Command2->SetToolTip("Stop Vantlesurfer");
    Command2->SetBackgroundColour(wxColour(255, 0, 0));

    brwWebBrowser->SetNewWindowPolicy([this](const std::string& url) { return NewWindow2(url); });
    brwWebBrowser2->SetNewWindowPolicy([this](const std::string& url) { return NewWindow2(url); });
    Command1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command1_Click(); });
    Command2->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command2_Click(); });
}

void frmBrowser::PlaceClientArea() {
    SetClientSize(TwipsSize(this, 5445, 4905));
    MoveClientOriginTo(this, TwipsPoint(this, 3060, 3420));
}

RefresherSettings frmBrowser::Settings() { return {ini_, services_.settings}; }

bool frmBrowser::IsActive(const Pane& pane) { return IsNumberOne(Settings().Active(pane.link)); }

void frmBrowser::Form_Load() {
    HandlerScope scope(*this);
    brwWebBrowser->SetSilent(true);
    brwWebBrowser2->SetSilent(true);
    const std::string address1 = Settings().Address(Link::First);
    const std::string address2 = Settings().Address(Link::Second);
    auto loadIfActive = [this](Pane& pane, const std::string& address) {
        const bool active = IsActive(pane);
        if (active && !closing_) pane.browser->Navigate(address);
    };
    loadIfActive(pane1_, address1);
    if (!closing_) loadIfActive(pane2_, address2);
}

void frmBrowser::Command1_Click() {
    HandlerScope scope(*this);
    reloadsSinceStart_ = 0;
    Command1->Disable();
    Command2->Enable();
    startedAt_ = MonotonicClock::now();
    pauseTime_ = PauseTimeFrom(Settings().PauseTime());
    if (closing_) return;
    // The intervals stay as they are: the first tick after opening comes at the design-time
    // interval, the configured one applies from that tick on.
    for (Pane* pane : {&pane1_, &pane2_}) {
        const bool active = IsActive(*pane);
        if (closing_) return;
        if (active) pane->timer->SetEnabled(true);
    }
    services_.ToolStateChanged();
}

void frmBrowser::Command2_Click() {
    Command1->Enable();
    Command2->Disable();
    Timer1.SetEnabled(false);
    Timer2.SetEnabled(false);
    Close(true);
}

void frmBrowser::Timer1_Timer() { Tick(pane1_); }
void frmBrowser::Timer2_Timer() { Tick(pane2_); }

void frmBrowser::Tick(Pane& pane) {
    // A tick of this pane's timer while its previous tick still waits would pile wait upon
    // wait; the other pane's ticks are not held up.
    if (closing_ || pane.inTick) return;
    // A page still loading is left to finish: nothing is read, not even the interval.
    if (pane.browser->Busy()) return;

    HandlerScope scope(*this);
    pane.inTick = true;
    // A pane someone is using is left alone: no reload, no navigation, no wait.
    if (HeldAtTick(pane) || closing_) {
        pane.inTick = false;
        return;
    }
    const std::string address = Settings().Address(pane.link);
    const std::string interval = Settings().Interval(pane.link);
    if (!closing_) {
        const TickPlan plan = PlanTick(address, interval, pane.browser->LocationURL());
        ++reloadsSinceStart_;
        if (plan.interval) pane.timer->SetInterval(*plan.interval);
        if (plan.navigate) {
            // After navigating back, the page gets ten seconds (Timings::paneWait; shorter in
            // tests) before the tick ends. Meanwhile events flow: the other pane ticks, the
            // buttons and the dialog work, and this pane's own ticks find it still in its tick
            // and do nothing. Closing the window ends the wait at once, and the tick then
            // leaves the window alone; the window is destroyed when this tick returns.
            pane.browser->Navigate(address);
            Wait(services_.timings.paneWait);
        } else {
            pane.browser->Refresh();
        }
    }
    pane.inTick = false;
}

// The pause time is read only for a pane someone has used since Start, so a pane nobody touched
// reads the settings file as it always has.
bool frmBrowser::HeldAtTick(const Pane& pane) {
    const auto input = pane.browser->LastInput();
    if (!input || *input < startedAt_) return false;
    pauseTime_ = PauseTimeFrom(Settings().PauseTime());
    return HeldByInput(input, startedAt_, pauseTime_, MonotonicClock::now());
}

bool frmBrowser::IsPaneHeld(Link link) const {
    const Pane& pane = link == Link::First ? pane1_ : pane2_;
    return pane.timer->Enabled() &&
           HeldByInput(pane.browser->LastInput(), startedAt_, pauseTime_, MonotonicClock::now());
}

void frmBrowser::Wait(std::chrono::milliseconds TimeToWait) {
    HandlerScope scope(*this);
    const MonotonicClock::time_point deadline = WaitDeadline(MonotonicClock::now(), TimeToWait);
    const int sleep = MillisecondsUntil(deadline, MonotonicClock::now());
    if (closing_ || sleep == 0) return;

    // Sleeps until an event comes or the alarm rings; the alarm sleeps again when a timer
    // could not hold the whole span.
    wxGUIEventLoop loop;
    wxTimer alarm;
    alarm.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        const int left = MillisecondsUntil(deadline, MonotonicClock::now());
        if (left > 0) {
            alarm.StartOnce(left);
        } else {
            loop.ScheduleExit();
        }
    });
    alarm.StartOnce(sleep);
    waits_.push_back(&loop);
    loop.Run();
    waits_.erase(std::find(waits_.begin(), waits_.end(), &loop));
}

bool frmBrowser::NewWindow2(const std::string& url) {
    if (closing_) return false;
    HandlerScope scope(*this);
    const std::string allow = Settings().Allow();
    if (closing_ || !PopupAllowed(allow, url)) return false;
    // The pane itself never opens a window; an allowed one goes to the user's own browser. No
    // message exists for a browser that cannot be opened: the program start says why on
    // standard error, and the page goes on either way.
    services_.programs->OpenInBrowser(url);
    return true;
}

void frmBrowser::Form_Unload(wxCloseEvent&) {
    // Never refused.
    Destroy();
}

bool frmBrowser::Destroy() {
    // Closed or destroyed directly, by whoever: the timers end now, not when wx gets round to
    // deleting the window, and every wait ends at once (wx unwinds nested loops inner first).
    Timer1.SetEnabled(false);
    Timer2.SetEnabled(false);
    if (!closing_) {
        closing_ = true;
        for (wxEventLoopBase* wait : waits_) wait->ScheduleExit();
    }
    services_.ToolStateChanged();
    if (handlersRunning_ > 0) {
        Hide();
        return true;
    }
    return wxFrame::Destroy();
}

status::RefresherStatus frmBrowser::Status() const {
    status::RefresherStatus now;
    now.running = startedAt_ != MonotonicClock::time_point::max() && !closing_;
    now.reloadsSinceStart = reloadsSinceStart_;
    const MonotonicClock::time_point clock = MonotonicClock::now();
    const WebPane::LoadFailure* latest = nullptr;
    const Pane* panes[] = {&pane1_, &pane2_};
    for (std::size_t i = 0; i < now.panes.size(); ++i) {
        const PaneTimer& timer = *panes[i]->timer;
        now.panes[i].ticking = now.running && timer.Enabled();
        now.panes[i].nextTickIn = status::SecondsLeft(timer.Due() - clock);
        now.panes[i].pausedForUser = IsPaneHeld(i == 0 ? Link::First : Link::Second);
        const auto& failure = panes[i]->browser->LastLoadFailure();
        if (failure && (latest == nullptr || latest->at < failure->at)) latest = &*failure;
    }
    if (latest != nullptr)
        now.lastFailure = status::LoadFailure{status::LocalClockTime(latest->at), latest->message};
    return now;
}

}  // namespace vantle
