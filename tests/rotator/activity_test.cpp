// The Rotator's mouse activity: against the real pointer of the X display, with the pause while a
// person uses the computer; through the remote-desktop portal; and in a Wayland session that also
// offers X11, where the compositor's Xwayland takes its windows, so the topmost Rotator gets its
// place and stays above, and the activity runs but tells the user, once, that it cannot reach the
// desktop. The real Wayland case runs against GNOME's compositor, headless, in a child process
// whose toolkit starts on its Xwayland.
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/eventfilter.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "logic/restore_token.h"
#include "platform/desktop_portal.h"
#include "platform/web_pane.h"
#include "platform/wx_platform.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/child_run.h"
#include "support/http_server.h"
#include "support/processes.h"
#include "support/window_access.h"

// Last: Xlib's macros would take names that gtest and the program use.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#undef None
#undef Bool

namespace vantle::test {
namespace {

using Press = std::pair<wxEventType, wxPoint>;

// A point of the Rotator's client area, given in its designed pixels, on the screen.
wxPoint OnScreen(const aidle& rotator, int x, int y) {
    return rotator.ClientToScreen(rotator.FromDIP(wxPoint(x, y)));
}

// Within 3 pixels each way.
bool Near(wxPoint a, wxPoint b) { return std::abs(a.x - b.x) <= 3 && std::abs(a.y - b.y) <= 3; }

// Button presses and releases that reach the program's windows, at their screen points. Presses
// inside a web page never reach wx; the page reports those itself.
struct ButtonRecorder final : wxEventFilter {
    explicit ButtonRecorder(const wxWindow* page) : page(page) { wxEvtHandler::AddFilter(this); }
    ~ButtonRecorder() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override {
        auto* mouse = dynamic_cast<wxMouseEvent*>(&event);
        auto* window = static_cast<wxWindow*>(event.GetEventObject());
        if (mouse && (mouse->ButtonDown() || mouse->ButtonUp()) && window != page)
            presses.emplace_back(event.GetEventType(),
                                 window->ClientToScreen(mouse->GetPosition()));
        return Event_Skip;
    }
    bool Saw(wxEventType type, wxPoint at) const {
        return std::any_of(presses.begin(), presses.end(), [&](const Press& press) {
            return press.first == type && Near(press.second, at);
        });
    }
    const wxWindow* page;
    std::vector<Press> presses;
};

// Reports every mouse button going down or up in the page as /down/BUTTON/X/Y or /up/...,
// in page coordinates; keeps the engine's context menu from taking the pointer.
constexpr const char* kRecordingPage = R"(<html><body style="margin:0"><script>
for (const kind of ['down', 'up'])
  document.addEventListener('mouse' + kind, e => fetch(`/${kind}/${e.button}/${e.clientX}/${e.clientY}`));
document.addEventListener('contextmenu', e => e.preventDefault());
fetch('/ready');
</script></body></html>)";

class ActivityTest : public AppTest {
  protected:
    ActivityTest() : mouse_(MakeWxMouseInput()), idle_(MakeDesktopIdle(bus_)) {
        services.mouse = mouse_.get();
        services.idle = idle_.get();
    }
    // The windows go before the input and idle time they use.
    ~ActivityTest() override { CloseAllWindows(); }
    aidle& ShowRotator(const std::string& ini) {
        WriteIni("[AI_Links]\n" + ini);
        app().ShowModeless(app().Rotator());
        EXPECT_TRUE(PumpUntil([&] { return app().Rotator().IsShownOnScreen(); }));
        return app().Rotator();
    }
    // Steps counted while `done` is awaited, whatever number the schedule wraps round at.
    bool StepsUntil(const aidle& rotator, const std::function<bool(int steps)>& done,
                    std::chrono::milliseconds deadline) {
        int steps = 0, last = TestAccess::StepCount(rotator);
        return PumpUntil(
            [&] {
                const int now = TestAccess::StepCount(rotator);
                steps += (now - last + kActivitySteps) % kActivitySteps;
                last = now;
                return done(steps);
            },
            deadline);
    }
    DesktopBus bus_;
    std::unique_ptr<MouseInput> mouse_;
    std::unique_ptr<DesktopIdle> idle_;
};

// The first nine steps after a load, against the real pointer: where each leaves the cursor,
// and where the click steps press, which is where the step before left the cursor.
TEST_F(ActivityTest, FirstNineStepsMoveTheRealPointerAndClickWhereItWas) {
    ASSERT_TRUE(mouse_->Available() && mouse_->ReachesDesktop())
        << "the display takes no synthetic input, or an ordinary X server was taken for Xwayland";
    HttpServer server;
    server.Serve("/page", kRecordingPage);
    aidle& rotator = ShowRotator("MMEnabled=1\n");
    TestAccess::WebBrowser1(rotator).Navigate(server.Url("/page"));
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/ready") == 1; }));
    ButtonRecorder recorder(TestAccess::WebBrowser1(rotator).View());

    // The target, and which indicator the step lights.
    // clang-format off
    const std::tuple<int, int, char> steps[] = {{320, 450, ' '}, {20, 10, ' '}, {2, 15, 'R'}, {130, 5, ' '}, {20, 10, ' '}, {160, 125, 'L'}, {2, 15, 'R'}, {130, 5, ' '}, {2, 15, 'R'}};
    // clang-format on
    for (int i = 1; i <= 9; ++i) {
        const auto [x, y, lit] = steps[i - 1];
        rotator.Timer1_Timer();
        EXPECT_EQ(TestAccess::Text3(rotator), std::to_string(i - 1));
        EXPECT_EQ(wxGetMousePosition(), OnScreen(rotator, x, y)) << "step " << i;
        EXPECT_EQ(Find<wxStaticText>(rotator, "Label2")->GetLabel(),
                  "Y:" + std::to_string(y) + " X:" + std::to_string(x));
        auto isLit = [&](const char* name) {
            return Find<wxStaticText>(rotator, name)->GetForegroundColour() == wxColour(0, 192, 0);
        };
        EXPECT_EQ(isLit("Label4") ? 'L' : isLit("Label5") ? 'R' : ' ', lit);
    }

    // Steps 3 and 9 right-click on the window itself, step 6 left-clicks there, and step 7
    // right-clicks inside the page, 5 pixels below the top of the pane.
    ASSERT_TRUE(PumpUntil([&] { return recorder.presses.size() >= 6; }));
    const wxPoint a = OnScreen(rotator, 20, 10), b = OnScreen(rotator, 130, 5);
    // clang-format off
    EXPECT_EQ(recorder.presses, (std::vector<Press>{{wxEVT_RIGHT_DOWN, a}, {wxEVT_RIGHT_UP, a}, {wxEVT_LEFT_DOWN, a}, {wxEVT_LEFT_UP, a}, {wxEVT_RIGHT_DOWN, b}, {wxEVT_RIGHT_UP, b}}));
    // clang-format on
    const wxPoint inPage =
        TestAccess::WebBrowser1(rotator).View()->ScreenToClient(OnScreen(rotator, 160, 125));
    const std::string where = "/2/" + std::to_string(inPage.x) + "/" + std::to_string(inPage.y);
    EXPECT_TRUE(PumpUntil([&] {
        return server.CountFor("/down" + where) + server.CountFor("/up" + where) == 2;
    })) << where;
}

// Rotation goes on without the pointer; a step run by hand shows its target but touches nothing.
TEST_F(ActivityTest, WithoutSyntheticInputStartSaysSoAndGoesOnWithTheRest) {
    UnavailableMouse unavailable;
    services.mouse = &unavailable;
    aidle& rotator = ShowRotator("MMEnabled=1\nFSEnabled=1\n");
    rotator.Command1_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Mouse movement is not available on this display: it needs an X11 display that "
              "accepts synthetic input (the XTEST extension).");
    EXPECT_TRUE(TestAccess::Timer2(rotator).IsRunning() &&
                !TestAccess::Timer1(rotator).IsRunning());
    rotator.Timer1_Timer();
    EXPECT_EQ(Find<wxStaticText>(rotator, "Label2")->GetLabel(), "Y:450 X:320");
    EXPECT_EQ(unavailable.calls, 0);
    rotator.Command2_Click();
    rotator.SetActivitySwitches("1", "0");  // then there is nothing to say
    rotator.Command1_Click();
    EXPECT_EQ(messages.shown.size(), 1u);
}

// With nobody there for a whole round of moves and clicks, its own input never counts as a
// person's. Then someone, played by another program: a key pauses the activity, the pointer they
// move stays where they left it, and the steps go on once mouse and keyboard have been left alone
// for the pause time.
TEST_F(ActivityTest, ItsOwnStepsNeverPauseItAPersonsInputDoesUntilTheyLeaveTheComputerAlone) {
    ASSERT_TRUE(mouse_->Available() && idle_->IdleTime()) << "the display tells no idle time";
    services.timings.activity = 100ms;
    aidle& rotator = ShowRotator("MMEnabled=1\nFSEnabled=0\nPauseTime=2\n");
    rotator.Command1_Click();
    bool everPaused = false;
    EXPECT_TRUE(StepsUntil(
        rotator,
        [&](int steps) {
            everPaused |= rotator.ActivityPaused();
            return everPaused || steps >= kActivitySteps;
        },
        90s));
    EXPECT_FALSE(everPaused);
    // Stop keeps the step number, and Start goes on from it with the progress counting from 1.
    rotator.Command2_Click();
    const int stopped = TestAccess::StepCount(rotator);
    EXPECT_EQ(Find<wxGauge>(rotator, "ProgressBar1")->GetValue(), 0);
    services.timings.activity = 250ms;
    rotator.Command1_Click();
    EXPECT_EQ(TestAccess::StepCount(rotator), stopped);
    ASSERT_TRUE(PumpUntil([&] { return TestAccess::StepCount(rotator) != stopped; }));
    EXPECT_EQ(Find<wxGauge>(rotator, "ProgressBar1")->GetValue(),
              (TestAccess::StepCount(rotator) - stopped + kActivitySteps) % kActivitySteps);
    // A key in the few milliseconds after a step goes unnoticed, and a step has just been made:
    // a person types on, and their next key comes at any moment between steps.
    for (int key = 0; key < 5 && !rotator.ActivityPaused(); ++key) {
        ASSERT_EQ(std::system("xdotool key shift"), 0);
        PumpUntil([&] { return rotator.ActivityPaused(); }, 1s);
    }
    ASSERT_TRUE(rotator.ActivityPaused());

    const std::int16_t held = TestAccess::StepCount(rotator);
    const auto lastInput = std::chrono::steady_clock::now();
    ASSERT_EQ(std::system("xdotool mousemove 600 600"), 0);
    bool pointerKept = true;
    ASSERT_TRUE(PumpUntil(
        [&] {
            return TestAccess::StepCount(rotator) != held ||
                   !(pointerKept = wxGetMousePosition() == wxPoint(600, 600));
        },
        20s));
    EXPECT_TRUE(pointerKept);
    EXPECT_GE(std::chrono::steady_clock::now() - lastInput, 2s);
    EXPECT_FALSE(rotator.ActivityPaused());
    rotator.Command2_Click();
}

// --- Through the remote-desktop portal, against a fake portal on a private session bus --------
// (tests/support/fake_portal.py), which records every call and moves a pointer that the screen's
// edges stop.

// A field of a recorded call, a line "Method key=value ... ".
std::string Field(const std::string& call, const std::string& key) {
    const std::size_t at = call.find(" " + key + "=");
    if (at == std::string::npos) return "(none)";
    const std::size_t from = at + key.size() + 2;
    return call.substr(from, call.find(' ', from) - from);
}

class PortalTest : public AppTest {
  protected:
    void SetUp() override {
        bus_ = std::make_unique<ProcessGroup>(
            "setsid dbus-daemon --session --nofork --print-address 2>/dev/null");
        const std::string address = bus_->ReadLine();
        if (address.empty()) GTEST_SKIP() << "no private session bus: dbus-daemon did not start";
        const wxSize screen = wxGetDisplaySize();
        portal_ = std::make_unique<ProcessGroup>(
            "setsid env DBUS_SESSION_BUS_ADDRESS='" + address + "' /usr/bin/python3 " +
            VANTLE_TEST_SUPPORT_DIR "/fake_portal.py '" + (portalFolder_ / "calls").string() +
            "' " + std::to_string(version_) + " " + std::to_string(screen.x) + "x" +
            std::to_string(screen.y) + " >'" + (portalFolder_ / "log").string() + "' 2>&1");
        ASSERT_TRUE(PumpUntil([&] { return !Calls("ready").empty(); }))
            << ReadFile(portalFolder_ / "log");
        desktop_ = std::make_unique<DesktopBus>(address);
        mouse_ = MakePortalMouseInput(*desktop_, tokenFile_);
        inhibit_ = MakeDesktopIdleInhibit(*desktop_);
        ASSERT_TRUE(mouse_) << "the fake portal was not taken for one";
        services.mouse = mouse_.get();
        services.inhibit = inhibit_.get();
        // Steps are run by hand; the timer only shows whether the activity runs.
        services.timings.activity = std::chrono::hours(1);
    }
    ~PortalTest() override { CloseAllWindows(); }

    std::vector<std::string> Calls(const std::string& prefix = "") const {
        std::vector<std::string> calls;
        std::istringstream in(ReadFile(portalFolder_ / "calls"));
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) calls.push_back(line);
        return calls;
    }
    // The fake's control interface: how the next Start is answered, answering a held one,
    // closing the sessions.
    void Control(const char* method, GVariant* parameters = nullptr) {
        GVariant* reply = g_dbus_connection_call_sync(
            desktop_->Connection(), "org.freedesktop.portal.Desktop",
            "/org/freedesktop/portal/desktop", "org.vantle.test.FakePortal", method, parameters,
            nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        ASSERT_NE(reply, nullptr) << method;
        g_variant_unref(reply);
    }
    aidle& StartRotator(const std::string& ini) {
        WriteIni("[AI_Links]\n" + ini);
        aidle& rotator = app().Rotator();
        app().ShowModeless(rotator);
        rotator.Command1_Click();
        return rotator;
    }
    bool Inhibited() const { return Calls("Inhibit ").size() > Calls("InhibitReleased").size(); }

    int version_ = 2;
    TempFolder portalFolder_{"vantle-portal"};
    std::filesystem::path tokenFile_ = RestoreTokenFile(portalFolder_.path());
    std::unique_ptr<ProcessGroup> bus_, portal_;
    std::unique_ptr<DesktopBus> desktop_;
    std::unique_ptr<MouseInput> mouse_;
    std::unique_ptr<IdleInhibit> inhibit_;
};

// Version 2: the stored token goes with the request and the new one replaces it; the activity
// waits for the approval; one session serves every Start; and each of the 125 steps leaves the
// pointer at its target, pressing the buttons where the step before left it.
TEST_F(PortalTest, ApprovedOnceThenEveryStepLandsOnItsTargetAndClicksThere) {
    ASSERT_TRUE(WriteRestoreToken(tokenFile_, "old-token"));
    Control("SetStartAnswer", g_variant_new("(i)", -1));
    aidle& rotator = StartRotator("MMEnabled=1\nFSEnabled=0\n");
    ASSERT_TRUE(PumpUntil([&] { return !Calls("Start").empty(); }));
    ASSERT_EQ(Calls("CreateSession").size(), 1u);
    const std::string session = Field(Calls("CreateSession")[0], "session");
    ASSERT_EQ(Calls("SelectDevices").size(), 1u);
    const std::string select = Calls("SelectDevices")[0];
    EXPECT_EQ(Field(select, "session") + Field(select, "types") + Field(select, "persist_mode") +
                  Field(select, "restore_token"),
              session + "22old-token");
    EXPECT_EQ(Field(Calls("Start")[0], "session"), session);
    EXPECT_FALSE(TestAccess::Timer1(rotator).IsRunning()) << "ran before the approval";
    EXPECT_FALSE(Inhibited());

    Control("Answer", g_variant_new("(u)", 0));
    ASSERT_TRUE(PumpUntil([&] { return TestAccess::Timer1(rotator).IsRunning() && Inhibited(); }));
    EXPECT_EQ(ReadRestoreToken(tokenFile_), "token-1");
    EXPECT_EQ(Field(Calls("Inhibit ")[0], "flags"), "8");
    rotator.Command2_Click();
    EXPECT_TRUE(PumpUntil([&] { return !Inhibited(); }));
    rotator.Command1_Click();
    EXPECT_TRUE(TestAccess::Timer1(rotator).IsRunning()) << "the open session was not reused";
    EXPECT_EQ(Calls("CreateSession").size(), 1u);
    EXPECT_TRUE(messages.shown.empty());

    // What the fake must see: per step a click at the pointer's place, then a move to the
    // target; the first move after the pin, and again after the place was forgotten.
    std::vector<std::string> expected, seen;
    std::string at = "0,0";
    auto step = [&] {
        rotator.Timer1_Timer();
        const ActivityTarget& target = TargetForStep(TestAccess::StepCount(rotator));
        const char* button = target.kind == StepKind::LeftClick    ? "button 272"
                             : target.kind == StepKind::RightClick ? "button 273"
                                                                   : nullptr;
        for (const char* state : {" 1 at ", " 0 at "})
            if (button != nullptr) expected.push_back(button + std::string(state) + at);
        const wxPoint to = rotator.ClientToScreen(rotator.FromDIP(wxPoint(target.x, target.y)));
        expected.push_back("move to " + (at = std::to_string(to.x) + "," + std::to_string(to.y)));
    };
    expected.push_back("move to 0,0");
    for (int i = 0; i < kActivitySteps; ++i) step();
    mouse_->ForgetPointerPosition();
    expected.push_back("move to 0,0");
    step();
    ASSERT_TRUE(PumpUntil([&] { return Calls("NotifyPointer").size() >= expected.size(); }));
    for (const std::string& call : Calls("NotifyPointer")) {
        EXPECT_EQ(Field(call, "session") + Field(call, "overlap"), session + "False")
            << "sent unanswered";
        seen.push_back(call.rfind("NotifyPointerMotion", 0) == 0
                           ? "move to " + Field(call, "at")
                           : "button " + Field(call, "button") + " " + Field(call, "state") +
                                 " at " + Field(call, "at"));
    }
    EXPECT_EQ(seen, expected);
    rotator.Close(true);
    EXPECT_TRUE(PumpUntil([&] { return !Inhibited(); }));
}

class PortalVersion1Test : public PortalTest {
  protected:
    PortalVersion1Test() { version_ = 1; }
};

// Refused (or granted without the pointer), cancelled, or closed later by the desktop: the activity
// stops with one message each and its inhibit goes, the rotation runs on, and the next Start asks
// afresh. Version 1 keeps no approval, so it is asked without persistence and no token is stored.
TEST_F(PortalVersion1Test, RefusedCancelledOrClosedStopsTheActivityAloneWithOneMessage) {
    const std::pair<int, const char*> answers[] = {{1, "Mouse movement was refused"},
                                                   {3, "Mouse movement was refused"},
                                                   {2, "Mouse movement did not start"},
                                                   {0, "Mouse movement stopped"}};
    for (const auto& [answer, message] : answers) {
        SCOPED_TRACE(message);
        Control("SetStartAnswer", g_variant_new("(i)", answer));
        const std::size_t shown = messages.shown.size();
        aidle& rotator = StartRotator("MMEnabled=1\nFSEnabled=1\n");
        if (answer == 0) {
            ASSERT_TRUE(PumpUntil([&] { return Inhibited(); }));
            EXPECT_TRUE(TestAccess::Timer1(rotator).IsRunning());
            Control("CloseSessions");
        }
        ASSERT_TRUE(PumpUntil([&] { return messages.shown.size() > shown; }));
        EXPECT_EQ(messages.shown.size(), shown + 1);
        EXPECT_EQ(messages.shown.back().text.rfind(message, 0), 0u) << messages.shown.back().text;
        EXPECT_EQ(messages.shown.back().icon, MessageIcon::Exclamation);
        EXPECT_FALSE(TestAccess::Timer1(rotator).IsRunning());
        EXPECT_TRUE(TestAccess::Timer2(rotator).IsRunning());
        EXPECT_TRUE(PumpUntil([&] { return !Inhibited(); }));
        rotator.Command2_Click();
    }
    EXPECT_EQ(Calls("CreateSession").size(), 4u);
    for (const std::string& select : Calls("SelectDevices"))
        EXPECT_EQ(Field(select, "persist_mode") + Field(select, "restore_token"), "(none)(none)");
    EXPECT_FALSE(std::filesystem::exists(tokenFile_));
}

// --- On Xwayland ------------------------------------------------------------------------

constexpr const char* kChildVariable = "VANTLE_XWAYLAND_CHILD";
constexpr const char* kNoteStart = "Mouse movement runs on Xwayland here";

// Real input that reports what Xwayland reports: it reaches X11 programs only.
struct XwaylandMouse final : MouseInput {
    bool Available() const override { return true; }
    void Press(MouseButton) override {}
    void Release(MouseButton) override {}
    void MoveTo(int, int) override { ++moves; }
    bool ReachesDesktop() const override { return false; }
    int moves = 0;
};

using XwaylandNoteTest = AppTest;

TEST_F(XwaylandNoteTest, OncePerRunWhileTheActivityRunsEachTime) {
    XwaylandMouse mouse;
    services.mouse = &mouse;
    for (int run = 0; run < 2; ++run) {  // the Rotator loaded afresh each time
        WriteIni("[AI_Links]\nMMEnabled=1\nFSEnabled=0\n");
        aidle& rotator = app().Rotator();
        app().ShowModeless(rotator);
        rotator.Command1_Click();
        const int before = mouse.moves;
        EXPECT_TRUE(PumpUntil([&] { return mouse.moves > before; }));
        rotator.Command2_Click();
        rotator.Close(true);
        PumpUntil([&] { return wxTopLevelWindows.empty(); });
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind(kNoteStart, 0), 0u) << messages.shown[0].text;
    EXPECT_EQ(messages.shown[0].title, "Vantle");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
}

// --- Under the compositor -------------------------------------------------------------------

Display* XDisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

Window XWindowOf(wxWindow& window) {
    return GDK_WINDOW_XID(gtk_widget_get_window(window.GetHandle()));
}

// A property of 32-bit items (atoms, windows, cardinals).
std::vector<long> Property(Window window, const char* name, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(XDisplay(), window, XInternAtom(XDisplay(), name, False), 0, 64, False,
                           type, &actualType, &format, &count, &after, &data) == Success &&
        data) {
        if (format == 32)
            values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
        XFree(data);
    }
    return values;
}

Window ActiveWindow() {
    const auto active = Property(DefaultRootWindow(XDisplay()), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return active.empty() ? 0 : static_cast<Window>(active[0]);
}

// Runs in the child that the last test starts on the compositor's Xwayland.
TEST_F(XwaylandNoteTest, DISABLED_ChildOnXwayland) {
    if (std::getenv(kChildVariable) == nullptr) GTEST_SKIP() << "run by the test below";
    ASSERT_TRUE(GDK_IS_X11_DISPLAY(gdk_display_get_default())) << "GTK did not choose X11";
    const std::unique_ptr<MouseInput> mouse = MakeWxMouseInput();
    ASSERT_TRUE(mouse->Available() && !mouse->ReachesDesktop()) << "Xwayland not told apart";
    services.mouse = mouse.get();

    // Another window of ours holds the focus, which the Rotator must leave where it is.
    auto* holder = new wxFrame(nullptr, wxID_ANY, "holder", wxPoint(600, 500), wxSize(200, 100));
    holder->Show();
    holder->Raise();
    EXPECT_TRUE(PumpUntil([&] { return ActiveWindow() == XWindowOf(*holder); }, 20s));

    // Opened as the menu opens it: loaded, which shows it without activation, then shown and
    // raised.
    WriteIni("[AI_Links]\nMMEnabled=1\nFSEnabled=0\nOTEnabled=1\n");
    aidle& rotator = app().Rotator();
    app().ShowModeless(rotator);
    const Window window = XWindowOf(rotator);
    const Atom aboveAtom = XInternAtom(XDisplay(), "_NET_WM_STATE_ABOVE", False);
    bool above = false;
    wxPoint origin;  // the outer corner of the frame, once the window manager has framed it
    EXPECT_TRUE(PumpUntil(
        [&] {
            const auto states = Property(window, "_NET_WM_STATE", XA_ATOM);
            above = std::find(states.begin(), states.end(), long(aboveAtom)) != states.end();
            const auto extents = Property(window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
            Window child = 0;
            XTranslateCoordinates(XDisplay(), window, DefaultRootWindow(XDisplay()), 0, 0,
                                  &origin.x, &origin.y, &child);
            if (extents.size() == 4) origin -= wxPoint(int(extents[0]), int(extents[2]));
            return above && extents.size() == 4 && origin == rotator.FromDIP(wxPoint(100, 100));
        },
        20s))
        << "above: " << above << ", frame at " << origin.x << "," << origin.y;
    XSync(XDisplay(), False);
    EXPECT_EQ(ActiveWindow(), XWindowOf(*holder));

    rotator.Command1_Click();
    const int start = TestAccess::StepCount(rotator);
    EXPECT_TRUE(PumpUntil([&] { return TestAccess::StepCount(rotator) > start; }));
    rotator.Command2_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind(kNoteStart, 0), 0u) << messages.shown[0].text;
    holder->Destroy();
}

// The compositor's Xwayland, its display and authority file, once it takes clients; empty if the
// compositor ends or a minute passes first.
std::pair<std::string, std::string> OpenableXwayland(const ProcessGroup& compositor) {
    for (const auto end = std::chrono::steady_clock::now() + 60s;
         compositor.Running() && std::chrono::steady_clock::now() < end; usleep(20'000))
        for (const ChildProcess& process : Descendants(compositor.pid)) {
            if (process.name != "Xwayland") continue;
            std::pair<std::string, std::string> found;
            std::ifstream cmdline("/proc/" + std::to_string(process.pid) + "/cmdline");
            for (std::string arg, last; std::getline(cmdline, arg, '\0'); last = arg) {
                if (arg.size() > 1 && arg[0] == ':') found.first = arg;
                if (last == "-auth") found.second = arg;
            }
            const char* set = std::getenv("XAUTHORITY");
            const std::string ours = set ? set : "";
            setenv("XAUTHORITY", found.second.c_str(), 1);
            Display* x = found.first.empty() ? nullptr : XOpenDisplay(found.first.c_str());
            ours.empty() ? unsetenv("XAUTHORITY") : setenv("XAUTHORITY", ours.c_str(), 1);
            if (x != nullptr) {
                XCloseDisplay(x);
                return found;
            }
        }
    return {};
}

// --- Through the remote-desktop portal, with the desktop's whole stack ----------------------

constexpr const char* kProbeVariable = "VANTLE_PROBE_LOG";

// Whether the Wayland window beneath recorded an event whose line starts with `what` ("motion",
// "enter", "press 3", ...) at `at`.
bool ProbeSaw(const std::string& what, wxPoint at) {
    std::istringstream lines(ReadFile(std::getenv(kProbeVariable)));
    wxPoint point;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(what + " ", 0) == 0 &&
            std::istringstream(line.substr(what.size())) >> point.x >> point.y && Near(point, at))
            return true;
    return false;
}

// Runs in the child that the test below starts on the compositor's Xwayland, with the session's
// bus and its portal, while the desktop's approval dialog is answered for the user.
TEST_F(XwaylandNoteTest, DISABLED_ChildThroughThePortal) {
    if (std::getenv(kChildVariable) == nullptr) GTEST_SKIP() << "run by the test below";
    DesktopBus bus;
    const std::unique_ptr<MouseInput> mouse =
        MakeDesktopMouseInput(bus, RestoreTokenFile(std::getenv("XDG_CONFIG_HOME")));
    ASSERT_TRUE(mouse->ReachesDesktop() && mouse->WindowPlaceKnown()) << "XTest was chosen";
    const std::unique_ptr<IdleInhibit> inhibit = MakeDesktopIdleInhibit(bus);
    services.mouse = mouse.get();
    services.inhibit = inhibit.get();
    services.timings.activity = 1s;

    // Not topmost: beside a topmost window shown without activation, the approval dialog here
    // ignored the accessibility bus's toggle. The topmost placement has its own test above.
    WriteIni("[AI_Links]\nMMEnabled=1\nFSEnabled=0\nOTEnabled=0\n");
    aidle& rotator = app().Rotator();
    app().ShowModeless(rotator);
    ASSERT_TRUE(PumpUntil(
        [&] { return Property(XWindowOf(rotator), "_NET_FRAME_EXTENTS", XA_CARDINAL).size() == 4; },
        20s))
        << "the window manager did not frame the Rotator";
    ButtonRecorder recorder(nullptr);
    rotator.Command1_Click();
    ASSERT_TRUE(PumpUntil([&] { return TestAccess::Timer1(rotator).IsRunning(); }, 60s))
        << "the desktop's approval did not come";
    // Step 1 goes below the window, onto the Wayland window: exactly where XTest would go.
    const wxPoint first = OnScreen(rotator, 320, 450);
    EXPECT_TRUE(
        PumpUntil([&] { return ProbeSaw("motion", first) || ProbeSaw("enter", first); }, 20s))
        << "the Wayland window saw no move to " << first.x << "," << first.y << ":\n"
        << ReadFile(std::getenv(kProbeVariable));
    // Steps 2 and 3 move onto the Rotator and right-click there (or on the Wayland window, if the
    // compositor stacked that above): the click where step 2 left the pointer shows the move too.
    // Meanwhile the desktop never counts the session idle for long.
    const wxPoint second = OnScreen(rotator, 20, 10);
    const std::unique_ptr<DesktopIdle> idle = MakeDesktopIdle(bus);
    std::optional<std::chrono::milliseconds> longestIdle;
    EXPECT_TRUE(PumpUntil(
        [&] {
            if (const auto now = idle->IdleTime())
                longestIdle = std::max(longestIdle.value_or(*now), *now);
            return TestAccess::StepCount(rotator) >= 5;
        },
        20s));
    EXPECT_TRUE((recorder.Saw(wxEVT_RIGHT_DOWN, second) && recorder.Saw(wxEVT_RIGHT_UP, second)) ||
                (ProbeSaw("press 3", second) && ProbeSaw("release 3", second)))
        << ReadFile(std::getenv(kProbeVariable));
    ASSERT_TRUE(longestIdle) << "no idle time from the compositor";
    EXPECT_LT(*longestIdle, 1500ms);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
    rotator.Command2_Click();
}

// GNOME's compositor, headless, with a session bus whose services (the portals, the permission
// store, the accessibility bus) start on demand in its session; it ends with the test, Xwayland
// included. First the Rotator through X11's input, then, where the desktop's portal stack is
// installed, through the remote-desktop portal.
TEST(XwaylandTest, RotatorOnXwaylandAboveWithTheNoteThenThroughThePortalKeepingTheSessionAwake) {
    TempFolder runtime("vantle-wayland");  // private to us, as XDG_RUNTIME_DIR must be
    const std::string socket = "vantle-test-wayland", log = runtime / "session.log",
                      probeLog = runtime / "probe.log";
    // A clean environment: none of this process's switches (no GL, no accessibility bridge)
    // reach the desktop's own programs.
    const std::string session = "-i PATH=/usr/bin:/bin HOME='" + runtime.path().string() +
                                "' XDG_RUNTIME_DIR='" + runtime.path().string() +
                                "' WAYLAND_DISPLAY=" + socket + " XDG_CURRENT_DESKTOP=GNOME";
    ProcessGroup desktop("setsid env " + session +
                         " dbus-run-session -- sh -c 'echo \"$DBUS_SESSION_BUS_ADDRESS\"; exec "
                         "mutter --headless --wayland --wayland-display=" +
                         socket + " --virtual-monitor 1024x768 >>" + log + " 2>&1' 2>>" + log);
    const std::string address = desktop.ReadLine();
    const auto xwayland =
        address.empty() ? std::pair<std::string, std::string>() : OpenableXwayland(desktop);
    if (xwayland.first.empty())
        GTEST_SKIP() << "no session bus, or mutter --headless did not start Xwayland:\n"
                     << ReadFile(log);
    auto runChild = [&](const char* test, std::vector<std::pair<std::string, std::string>> env) {
        env.insert(env.end(), {{kChildVariable, "1"},
                               {"DISPLAY", xwayland.first},
                               {"XAUTHORITY", xwayland.second},
                               {"WAYLAND_DISPLAY", socket},
                               {"XDG_RUNTIME_DIR", runtime.path()}});
        const auto [exitCode, output] = RunTestsInChild(test, env);
        EXPECT_EQ(exitCode, 0) << output << "\nThe session:\n" << ReadFile(log);
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
    };
    runChild("XwaylandNoteTest.DISABLED_ChildOnXwayland", {});

    for (const char* program :
         {"/usr/libexec/xdg-desktop-portal", "/usr/libexec/xdg-desktop-portal-gnome",
          "/usr/libexec/xdg-permission-store", "/usr/libexec/at-spi-bus-launcher"})
        if (access(program, X_OK) != 0)
            GTEST_SKIP() << "no portal part: " << program << " is not installed";
    if (std::system("/usr/bin/python3 -c 'import gi; gi.require_version(\"Atspi\", \"2.0\"); "
                    "gi.require_version(\"Gtk\", \"3.0\")' 2>/dev/null") != 0)
        GTEST_SKIP()
            << "no portal part: python3-gi with the Atspi and Gtk 3 bindings is not installed";
    DesktopBus bus(address);
    if (!MakePortalMouseInput(bus, {}))
        GTEST_SKIP() << "xdg-desktop-portal offers no remote-desktop pointer here:\n"
                     << ReadFile(log);
    const std::string clients = "setsid env " + session + " DBUS_SESSION_BUS_ADDRESS='" + address +
                                "' /usr/bin/python3 " + VANTLE_TEST_SUPPORT_DIR;
    ProcessGroup probe(clients + "/pointer_probe.py " + probeLog + " 2>>" + log);
    if (!PumpUntil([&] { return ReadFile(probeLog).find("ready") != std::string::npos; }, 30s))
        GTEST_SKIP() << "the Wayland window did not open:\n" << ReadFile(log);
    ProcessGroup approver(clients + "/approve_dialog.py 80 >>" + log + " 2>&1");
    TempFolder config("vantle-config");
    runChild("XwaylandNoteTest.DISABLED_ChildThroughThePortal",
             {{kProbeVariable, probeLog},
              {"XDG_CONFIG_HOME", config.path()},
              {"DBUS_SESSION_BUS_ADDRESS", address}});
}

}  // namespace
}  // namespace vantle::test
