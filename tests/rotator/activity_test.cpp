#include <gtest/gtest.h>
#include <wx/eventfilter.h>
#include <wx/gauge.h>
#include <wx/stattext.h>
#include <wx/utils.h>

#include <cstdlib>
#include <functional>

#include "platform/desktop_portal.h"
#include "platform/web_pane.h"
#include "platform/wx_platform.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/http_server.h"
#include "support/window_access.h"

namespace vantle::test {
namespace {

using Press = std::pair<wxEventType, wxPoint>;

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
    ASSERT_TRUE(mouse_->Available()) << "the display takes no synthetic input";
    EXPECT_TRUE(mouse_->ReachesDesktop()) << "an ordinary X server taken for Xwayland";
    HttpServer server;
    server.Serve("/page", kRecordingPage);
    aidle& rotator = ShowRotator("MMEnabled=1\n");
    TestAccess::WebBrowser1(rotator).Navigate(server.Url("/page"));
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/ready") == 1; }));
    ButtonRecorder recorder(TestAccess::WebBrowser1(rotator).View());
    auto onScreen = [&](int x, int y) {
        return rotator.ClientToScreen(rotator.FromDIP(wxPoint(x, y)));
    };

    // The target, and which indicator the step lights.
    // clang-format off
    const std::tuple<int, int, char> steps[] = {{320, 450, ' '}, {20, 10, ' '}, {2, 15, 'R'}, {130, 5, ' '}, {20, 10, ' '}, {160, 125, 'L'}, {2, 15, 'R'}, {130, 5, ' '}, {2, 15, 'R'}};
    // clang-format on
    const wxColour green(0, 192, 0);
    for (int i = 1; i <= 9; ++i) {
        const auto [x, y, lit] = steps[i - 1];
        rotator.Timer1_Timer();
        EXPECT_EQ(TestAccess::Text3(rotator), std::to_string(i - 1));
        EXPECT_EQ(wxGetMousePosition(), onScreen(x, y)) << "step " << i;
        EXPECT_EQ(Find<wxStaticText>(rotator, "Label2")->GetLabel(),
                  "Y:" + std::to_string(y) + " X:" + std::to_string(x));
        auto isLit = [&](const char* name) {
            return Find<wxStaticText>(rotator, name)->GetForegroundColour() == green;
        };
        EXPECT_EQ(isLit("Label4") ? 'L' : isLit("Label5") ? 'R' : ' ', lit);
    }

    // Steps 3 and 9 right-click on the window itself, step 6 left-clicks there, and step 7
    // right-clicks inside the page, 5 pixels below the top of the pane.
    ASSERT_TRUE(PumpUntil([&] { return recorder.presses.size() >= 6; }));
    const wxPoint a = onScreen(20, 10), b = onScreen(130, 5);
    // clang-format off
    EXPECT_EQ(recorder.presses, (std::vector<Press>{{wxEVT_RIGHT_DOWN, a}, {wxEVT_RIGHT_UP, a}, {wxEVT_LEFT_DOWN, a}, {wxEVT_LEFT_UP, a}, {wxEVT_RIGHT_DOWN, b}, {wxEVT_RIGHT_UP, b}}));
    // clang-format on
    const wxPoint inPage =
        TestAccess::WebBrowser1(rotator).View()->ScreenToClient(onScreen(160, 125));
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
    // A key in the few milliseconds after a step goes unnoticed: a person types on.
    for (int key = 0; key < 5 && !rotator.ActivityPaused(); ++key) {
        ASSERT_EQ(std::system("xdotool key shift"), 0);
        StepsUntil(
            rotator, [&](int steps) { return steps >= 1 || rotator.ActivityPaused(); }, 5s);
    }
    ASSERT_TRUE(rotator.ActivityPaused());

    const std::int16_t held = TestAccess::StepCount(rotator);
    const auto lastInput = std::chrono::steady_clock::now();
    ASSERT_EQ(std::system("xdotool mousemove 600 600"), 0);
    bool pointerKept = true;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (TestAccess::StepCount(rotator) != held) return true;
            pointerKept &= wxGetMousePosition() == wxPoint(600, 600);
            return false;
        },
        20s));
    EXPECT_TRUE(pointerKept);
    EXPECT_GE(std::chrono::steady_clock::now() - lastInput, 2s);
    EXPECT_FALSE(rotator.ActivityPaused());
    rotator.Command2_Click();
}

}  // namespace
}  // namespace vantle::test
