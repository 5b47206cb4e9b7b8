#include "rotator/aidle.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/weakref.h>

#include "kit/grow_to_fit.h"
#include "kit/services.h"
#include "kit/twips.h"
#include "kit/vantle_icon.h"
#include "logic/mouse_buttons.h"
#include "logic/numbers.h"
#include "logic/pause_time.h"
#include "logic/rotator_settings.h"
#include "platform/web_pane.h"
#include "platform/wx_platform.h"
#include "rotator/rotator_host.h"
#include "seams/desktop_idle.h"
#include "seams/idle_inhibit.h"
#include "seams/message_boxes.h"
#include "seams/mouse_input.h"

namespace vantle {
namespace {

const wxSize kClientSize(452, 232);
const wxPoint kClientOrigin(3, 19);
const wxPoint kTopmostPosition(100, 100);

constexpr const char* kNoMouseMovement =
    "Mouse movement is not available on this display: it needs an X11 display that accepts "
    "synthetic input (the XTEST extension).";
constexpr const char* kXwaylandMouse =
    "Mouse movement runs on Xwayland here: its moves and clicks reach Vantle's own window and "
    "other X11 programs only. The desktop's cursor does not move, and the desktop does not "
    "count them as someone using it.";
constexpr const char* kNativeWaylandMouse =
    "Mouse movement runs on a Wayland desktop where Vantle's windows do not know their place: "
    "the cursor's targets are measured from the desktop's top-left corner, not from the "
    "Rotator's window.";
constexpr const char* kMouseRefused =
    "Mouse movement was refused: the desktop did not allow Vantle to move the pointer. The "
    "activity stops; the rotation goes on. The next Start asks again.";
constexpr const char* kMouseCancelled =
    "Mouse movement did not start: the desktop's request to allow it ended without an answer. "
    "The activity stops; the rotation goes on. The next Start asks again.";
constexpr const char* kMouseClosed =
    "Mouse movement stopped: the desktop ended Vantle's permission to move the pointer. The "
    "rotation goes on. The next Start asks again.";
constexpr const char* kMouseGone =
    "Mouse movement is not available any more: the desktop's remote-desktop service does not "
    "answer. The rotation goes on.";

const char* WhyMouseStopped(InputSession state) {
    switch (state) {
        case InputSession::Refused:
            return kMouseRefused;
        case InputSession::Closed:
            return kMouseClosed;
        case InputSession::Unavailable:
            return kMouseGone;
        default:
            return kMouseCancelled;
    }
}

// The unlit indicator's text. The window border colour it was drawn in is grey on the desktop
// it was designed for, but nearly white in GTK themes, unreadable on the light yellow face.
wxColour IndicatorGrey() { return wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT); }
const wxColour kIndicatorGreen(0, 192, 0);

void SetIndicator(wxStaticText* indicator, bool lit) {
    indicator->SetForegroundColour(lit ? kIndicatorGreen : IndicatorGrey());
    indicator->Refresh();
}

// A captioned frame with a white face; its children are placed relative to it.
wxPanel* MakeFrame(wxWindow* parent, const wxString& caption, wxPoint pos, wxSize size) {
    auto* face = new wxPanel(parent, wxID_ANY, parent->FromDIP(pos), parent->FromDIP(size));
    face->SetBackgroundColour(*wxWHITE);
    new wxStaticBox(face, wxID_ANY, caption, wxPoint(0, 0), face->GetSize());
    return face;
}

}  // namespace

aidle::aidle(const Services& services, RotatorHost& host)
    : wxFrame(nullptr, wxID_ANY, "URL Rotator", wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxFRAME_TOOL_WINDOW),
      Timer1(this),
      Timer2(this),
      services_(services),
      host_(host) {
    SetName("aidle");
    SetIcons(VantleIcons());
    BuildControls();
    SetClientSize(FromDIP(kClientSize));
    MoveClientOriginTo(this, FromDIP(kClientOrigin));

    Bind(wxEVT_CLOSE_WINDOW, &aidle::Form_Unload, this);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { Timer1_Timer(); }, Timer1.GetId());
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { Timer2_Timer(); }, Timer2.GetId());
}

aidle::~aidle() = default;

void aidle::BuildControls() {
    auto* client = new wxPanel(this);
    auto dip = [this](int x, int y) { return FromDIP(wxPoint(x, y)); };
    auto dipSize = [this](int w, int h) { return FromDIP(wxSize(w, h)); };

    ProgressBar1 = new wxGauge(client, wxID_ANY, 10, dip(0, 0), dipSize(15, 121), wxGA_VERTICAL,
                               wxDefaultValidator, "ProgressBar1");

    wxPanel* Frame2 = MakeFrame(client, "Status and Controls", {16, 0}, {217, 121});
    Command1 = new wxButton(Frame2, wxID_ANY, "Start", dip(8, 32), dipSize(73, 49), 0,
                            wxDefaultValidator, "Command1");
    Command1->SetBackgroundColour(wxColour(0, 192, 0));
    Command2 = new wxButton(Frame2, wxID_ANY, "Sto&p", dip(136, 32), dipSize(73, 49), 0,
                            wxDefaultValidator, "Command2");
    Command2->SetBackgroundColour(wxColour(255, 0, 0));
    Command2->SetToolTip("Shortcut keys are ALt+P");
    Command2->Disable();
    Label1 = new wxStaticText(Frame2, wxID_ANY, "Not Running", dip(64, 16), dipSize(89, 17),
                              wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE, "Label1");
    Label1->SetForegroundColour(*wxRED);
    Label1->SetFont(Label1->GetFont().Bold());
    Label2 = new wxStaticText(Frame2, wxID_ANY, "", dip(8, 80), dipSize(209, 17),
                              wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE, "Label2");
    Label2->SetFont(Label2->GetFont().Bold().Italic());
    Label4 = new wxStaticText(Frame2, wxID_ANY, "Left Click", dip(8, 96), dipSize(57, 17),
                              wxBORDER_SIMPLE | wxST_NO_AUTORESIZE, "Label4");
    Label5 = new wxStaticText(Frame2, wxID_ANY, "Right Click", dip(152, 96), dipSize(57, 17),
                              wxBORDER_SIMPLE | wxST_NO_AUTORESIZE, "Label5");
    for (wxStaticText* indicator : {Label4, Label5}) {
        indicator->SetBackgroundColour(wxColour(255, 255, 192));
        SetIndicator(indicator, false);
    }
    GrowToFit(Label1, Grow::KeepCentre);
    GrowToFit(Label4, Grow::KeepFirst);
    GrowToFit(Label5, Grow::KeepLast);

    wxPanel* Frame1 = MakeFrame(client, "Url:s for Rotation", {240, 0}, {209, 121});
    List1 = new wxListBox(Frame1, wxID_ANY, dip(8, 16), dipSize(193, 82), 0, nullptr, wxLB_SINGLE,
                          wxDefaultValidator, "List1");
    Command4 = new wxButton(Frame1, wxID_ANY, "Configure", dip(40, 96), dipSize(121, 17), 0,
                            wxDefaultValidator, "Command4");

    WebBrowser1 = std::make_unique<WebPane>(client, dip(0, 120), dipSize(449, 105), "WebBrowser1");
    // An unattended rotation must not open windows: the pane refuses every new window.

    Command1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command1_Click(); });
    Command2->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command2_Click(); });
    Command4->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Command4_Click(); });
}

void aidle::Form_Load() {
    StepCount = 0;
    ProgressBar1->SetRange(10);
    ProgressBar1->SetValue(0);

    const RotatorSettings stored = RotatorSettings::Read(ini_, services_.settings);
    for (const std::string& link : stored.links) List1->Append(wxString::FromUTF8(link));
    FSenabled = stored.fakeSurfing;
    MMEnabled = stored.mouseMovement;
    OTEnabled = stored.onTop;

    if (IsTextOne(OTEnabled)) {
        // Topmost, at the designed point, shown without taking the focus from whatever the
        // user is doing. The client area keeps its designed size.
        SetWindowStyleFlag(GetWindowStyleFlag() | wxSTAY_ON_TOP);
        Move(FromDIP(kTopmostPosition));
        ShowWithoutActivating();
    }
}

// wx raises by presenting the window, which asks the window manager to activate it as well.
void aidle::Raise() {
    if (!HasFlag(wxSTAY_ON_TOP) || !RaiseWithoutActivating(*this)) wxFrame::Raise();
}

void aidle::Command1_Click() {
    SetCursor(wxCursor(wxCURSOR_WAIT));
    Command1->Disable();
    Command2->Enable();
    // Moving nothing while the indicators report clicks would pass a failure off as work done:
    // without synthetic input the activity does not start, and the user is told why. Input that
    // reaches only X11 programs (Xwayland) still drives this window and its page, so there the
    // activity runs, and the user is told once per run what it cannot do.
    bool mouseMissing = false;
    const char* mouseNote = nullptr;
    if (IsTextOne(MMEnabled)) {
        if (MouseInput* mouse = UsableMouse()) {
            if (!mouse->limitsTold) {
                mouseNote = !mouse->ReachesDesktop()     ? kXwaylandMouse
                            : !mouse->WindowPlaceKnown() ? kNativeWaylandMouse
                                                         : nullptr;
                mouse->limitsTold = mouseNote != nullptr;
            }
            pause_ = PauseWhileInUse(
                PauseTimeFrom(RotatorSettings::Read(ini_, services_.settings).pauseTime));
            BeginActivity(*mouse);
        } else {
            mouseMissing = true;
        }
    }
    if (IsTextOne(FSenabled)) {
        Timer2.Start(services_.timings.rotation.count());
        rotationDue_ = std::chrono::steady_clock::now() + services_.timings.rotation;
        WebBrowser1->Navigate(services_.firstPage.empty() ? kSearchPortalHome
                                                          : services_.firstPage);
    }
    List1->SetSelection(wxNOT_FOUND);
    Label1->SetLabel("Running..");
    if (mouseMissing) mouseNote = kNoMouseMovement;
    if (mouseNote != nullptr && services_.messages != nullptr) {
        services_.messages->Show(mouseNote, modIni::kAppTitle, MessageIcon::Exclamation);
    }
    services_.ToolStateChanged();
}

// The desktop may ask the user first: the activity's first step comes one interval after its
// answer. The window may be gone by the time the desktop answers.
void aidle::BeginActivity(MouseInput& mouse) {
    awaitingMouse_ = true;
    wxWeakRef<aidle> self(this);
    mouse.Prepare(
        [self](InputSession state) {
            if (!self || !self->awaitingMouse_) return;
            self->awaitingMouse_ = false;
            if (state != InputSession::Ready) return self->MouseActivityEnded(state);
            self->pause_.Start(PauseWhileInUse::Clock::now());
            self->Timer1.Start(self->services_.timings.activity.count());
            if (self->services_.inhibit != nullptr) self->services_.inhibit->Hold();
        },
        [self](InputSession state) {
            if (self && self->Timer1.IsRunning()) self->MouseActivityEnded(state);
        });
}

void aidle::StopActivity() {
    awaitingMouse_ = false;
    Timer1.Stop();
    pause_ = PauseWhileInUse(std::chrono::seconds(0));
    if (services_.inhibit != nullptr) services_.inhibit->Release();
}

// The rotation goes on without the activity; the user learns why, once.
void aidle::MouseActivityEnded(InputSession why) {
    StopActivity();
    SetIndicator(Label4, false);
    SetIndicator(Label5, false);
    if (services_.messages != nullptr)
        services_.messages->Show(WhyMouseStopped(why), modIni::kAppTitle, MessageIcon::Exclamation);
}

void aidle::Command2_Click() {
    SetCursor(wxNullCursor);
    Command1->Enable();
    Command2->Disable();
    StopActivity();
    Timer2.Stop();
    Label1->SetLabel("Not Running");
    SetIndicator(Label4, false);
    SetIndicator(Label5, false);
    ProgressBar1->SetValue(0);
    services_.ToolStateChanged();
}

void aidle::Command4_Click() { host_.ShowRotatorConfig(); }

void aidle::SetActivitySwitches(const std::string& fakeSurfing, const std::string& mouseMovement) {
    FSenabled = fakeSurfing;
    MMEnabled = mouseMovement;
}

void aidle::Timer2_Timer() {
    rotationDue_ = std::chrono::steady_clock::now() + services_.timings.rotation;
    const int count = static_cast<int>(List1->GetCount());
    if (count == 0) return;
    int index = List1->GetSelection();
    if (index == count - 1) index = wxNOT_FOUND;
    List1->SetSelection(index + 1);
    WebBrowser1->Navigate(List1->GetString(index + 1).utf8_string());
}

void aidle::Timer1_Timer() {
    if (!MayStepNow()) return;
    Text3 = std::to_string(StepCount);
    StepCount = NextStepNumber(StepCount);

    const ActivityTarget& target = TargetForStep(StepCount);
    TargetY = target.y;
    TargetX = target.x;
    Label2->SetLabel(TargetCaption(TargetX, TargetY));
    Label2->Update();
    // The click lands where the previous step left the cursor, before this step moves it.
    switch (target.kind) {
        case StepKind::RightClick:
            SetIndicator(Label4, false);
            if (MouseInput* mouse = UsableMouse()) mouse_buttons::RightClick(*mouse);
            SetIndicator(Label5, true);
            break;
        case StepKind::LeftClick:
            LeftClick();
            SetIndicator(Label4, true);
            SetIndicator(Label5, false);
            break;
        default:
            SetIndicator(Label4, false);
            SetIndicator(Label5, false);
            break;
    }
    ProgressBar1->SetValue(NextProgressValue(ProgressBar1->GetValue()));
    ProgressBar1->Update();

    if (std::optional<ScreenExtent> screen = ScreenInTargetUnits()) {
        KeepTargetOnScreen(TargetX, TargetY, *screen);
    }
    // The hidden fields Text1 and Text2 hold the window's cursor target: the move takes the target
    // from them, read back as numbers, rather than from the numbers in hand, so the text they show
    // is always the target the cursor went to.
    Text1 = std::to_string(TargetX);
    Text2 = std::to_string(TargetY);
    const std::optional<double> x = ParseNumber(Text1);
    const std::optional<double> y = ParseNumber(Text2);
    if (x && y) MoveMouse(static_cast<float>(*x), static_cast<float>(*y));
    if (MouseInput* mouse = UsableMouse())
        pause_.OwnInput(PauseWhileInUse::Clock::now(), mouse->InputLatency());
}

// The time is taken before the desktop is asked, so the idle time it tells covers at least the
// time since the last step when nobody else made input.
bool aidle::MayStepNow() {
    const auto now = PauseWhileInUse::Clock::now();
    std::optional<std::chrono::milliseconds> idle;
    if (services_.idle != nullptr) idle = services_.idle->IdleTime();
    const bool wasPaused = pause_.Paused();
    const bool mayStep = pause_.MayStep(now, idle);
    // The person may move the pointer anywhere: a backend that moves by steps must find it again.
    if (pause_.Paused() && !wasPaused) {
        if (MouseInput* mouse = UsableMouse()) mouse->ForgetPointerPosition();
    }
    return mayStep;
}

void aidle::LeftDown() {
    if (MouseInput* mouse = UsableMouse()) mouse->Press(MouseButton::Left);
}

void aidle::LeftClick() {
    LeftDown();
    if (MouseInput* mouse = UsableMouse()) mouse_buttons::LeftUp(*mouse);
}

void aidle::MoveMouse(float x, float y) {
    MouseInput* mouse = UsableMouse();
    const std::optional<std::int32_t> clientX = NearestInt32(x);
    const std::optional<std::int32_t> clientY = NearestInt32(y);
    if (mouse == nullptr || !clientX || !clientY) return;
    const wxPoint client = FromDIP(wxPoint(*clientX, *clientY));
    const wxPoint screen = mouse->WindowPlaceKnown() ? ClientToScreen(client) : client;
    mouse->MoveTo(screen.x, screen.y);
}

MouseInput* aidle::UsableMouse() const {
    MouseInput* mouse = services_.mouse;
    return mouse != nullptr && mouse->Available() ? mouse : nullptr;
}

// Targets are 96-DPI pixels, so the screen is measured in the same units.
std::optional<ScreenExtent> aidle::ScreenInTargetUnits() const {
    const wxSize size = ToDIP(wxGetDisplaySize());
    if (size.x <= 0 || size.y <= 0) return std::nullopt;
    return ScreenExtent{static_cast<float>(size.x), static_cast<float>(size.y)};
}

void aidle::Form_Unload(wxCloseEvent&) {
    // The timers end with the window, now rather than when wx deletes it.
    StopActivity();
    Timer2.Stop();
    Destroy();
    services_.ToolStateChanged();
}

status::RotatorStatus aidle::Status() const {
    status::RotatorStatus now;
    // Stop can be pressed exactly while the Rotator runs.
    now.running = Command2->IsEnabled();
    now.rotating = Timer2.IsRunning();
    now.link = List1->GetSelection() + 1;  // none selected: the start page
    now.links = static_cast<int>(List1->GetCount());
    now.nextRotationIn = status::SecondsLeft(rotationDue_ - std::chrono::steady_clock::now());
    now.activity = Timer1.IsRunning();
    now.activityPausedForUser = pause_.Paused();
    return now;
}

}  // namespace vantle
