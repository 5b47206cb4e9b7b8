#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/eventfilter.h>
#include <wx/gauge.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/web_pane.h"
#include "platform/wx_platform.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/http_server.h"

namespace vantle::test {
namespace {

const wxColour kGreen(0, 192, 0);

// Button presses and releases that reach any of the program's windows, with the screen point
// they happened at. Presses inside a web page never reach wx; the page reports those itself.
class ButtonRecorder final : public wxEventFilter {
  public:
    struct Event {
        wxEventType type;
        wxPoint screen;
    };
    explicit ButtonRecorder(const wxWindow* ignored) : ignored_(ignored) {
        wxEvtHandler::AddFilter(this);
    }
    ~ButtonRecorder() override { wxEvtHandler::RemoveFilter(this); }

    int FilterEvent(wxEvent& event) override {
        const wxEventType type = event.GetEventType();
        if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_UP || type == wxEVT_RIGHT_DOWN ||
            type == wxEVT_RIGHT_UP) {
            auto* window = static_cast<wxWindow*>(event.GetEventObject());
            if (window != ignored_) {
                const wxPoint at = static_cast<wxMouseEvent&>(event).GetPosition();
                events.push_back({type, window->ClientToScreen(at)});
            }
        }
        return Event_Skip;
    }

    std::vector<Event> events;

  private:
    const wxWindow* ignored_;
};

// Reports every mouse button going down or up in the page as /down/BUTTON/X/Y or /up/...,
// in page coordinates; keeps the engine's context menu from taking the pointer.
constexpr const char* kRecordingPage = R"(<html><body style="margin:0">
<script>
function report(kind, e) {
  fetch('/' + kind + '/' + e.button + '/' + e.clientX + '/' + e.clientY);
}
document.addEventListener('mousedown', e => report('down', e));
document.addEventListener('mouseup', e => report('up', e));
document.addEventListener('contextmenu', e => e.preventDefault());
fetch('/ready');
</script></body></html>)";

class UnavailableMouse final : public MouseInput {
  public:
    bool Available() const override { return false; }
    void Press(MouseButton) override { ++calls; }
    void Release(MouseButton) override { ++calls; }
    void MoveTo(int, int) override { ++calls; }
    int calls = 0;
};

class ActivityTest : public AppTest {
  protected:
    ActivityTest() : mouse_(MakeWxMouseInput()) { services.mouse = mouse_.get(); }

    aidle& ShowRotator() {
        aidle& rotator = app().Rotator();
        app().ShowModeless(rotator);
        EXPECT_TRUE(PumpUntil([&] { return rotator.IsShownOnScreen(); }));
        return rotator;
    }

    static wxPoint OnScreen(const aidle& rotator, int x, int y) {
        return rotator.ClientToScreen(rotator.FromDIP(wxPoint(x, y)));
    }

    std::unique_ptr<MouseInput> mouse_;
};

TEST_F(ActivityTest, TheDisplayTakesSyntheticInput) { EXPECT_TRUE(mouse_->Available()); }

// The first nine steps after a load, against the real pointer: where each leaves the cursor,
// and where the click steps press, which is where the step before left the cursor.
TEST_F(ActivityTest, FirstNineStepsMoveTheRealPointerAndClickWhereItWas) {
    HttpServer server;
    server.Serve("/page", kRecordingPage);
    WriteIni("[AI_Links]\nMMEnabled=1\n");
    aidle& rotator = ShowRotator();
    rotator.WebBrowser1->Navigate(server.Url("/page"));
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/ready") == 1; }));
    ButtonRecorder recorder(rotator.WebBrowser1->View());

    struct Expected {
        wxPoint target;
        const char* caption;
        bool leftLit;
        bool rightLit;
    };
    const Expected steps[] = {
        {{320, 450}, "Y:450 X:320", false, false}, {{20, 10}, "Y:10 X:20", false, false},
        {{2, 15}, "Y:15 X:2", false, true},        {{130, 5}, "Y:5 X:130", false, false},
        {{20, 10}, "Y:10 X:20", false, false},     {{160, 125}, "Y:125 X:160", true, false},
        {{2, 15}, "Y:15 X:2", false, true},        {{130, 5}, "Y:5 X:130", false, false},
        {{2, 15}, "Y:15 X:2", false, true},
    };
    for (int i = 1; i <= 9; ++i) {
        const Expected& step = steps[i - 1];
        rotator.Timer1_Timer();
        EXPECT_EQ(rotator.StepCount, i);
        EXPECT_EQ(rotator.Text3, std::to_string(i - 1));
        EXPECT_EQ(wxGetMousePosition(), OnScreen(rotator, step.target.x, step.target.y))
            << "step " << i;
        EXPECT_EQ(rotator.Label2->GetLabel(), step.caption) << "step " << i;
        EXPECT_EQ(rotator.Label4->GetForegroundColour() == kGreen, step.leftLit) << "step " << i;
        EXPECT_EQ(rotator.Label5->GetForegroundColour() == kGreen, step.rightLit) << "step " << i;
        EXPECT_EQ(rotator.ProgressBar1->GetValue(), i);
    }

    // Steps 3 and 9 right-click on the window itself, step 6 left-clicks there, and step 7
    // right-clicks inside the page, 5 pixels below the top of the pane.
    ASSERT_TRUE(PumpUntil([&] { return recorder.events.size() >= 6; }));
    const std::vector<std::pair<wxEventType, wxPoint>> expected = {
        {wxEVT_RIGHT_DOWN, OnScreen(rotator, 20, 10)}, {wxEVT_RIGHT_UP, OnScreen(rotator, 20, 10)},
        {wxEVT_LEFT_DOWN, OnScreen(rotator, 20, 10)},  {wxEVT_LEFT_UP, OnScreen(rotator, 20, 10)},
        {wxEVT_RIGHT_DOWN, OnScreen(rotator, 130, 5)}, {wxEVT_RIGHT_UP, OnScreen(rotator, 130, 5)},
    };
    std::vector<std::pair<wxEventType, wxPoint>> seen;
    for (const ButtonRecorder::Event& event : recorder.events) {
        seen.emplace_back(event.type, event.screen);
    }
    EXPECT_EQ(seen, expected);

    const wxPoint inPage = rotator.WebBrowser1->View()->ScreenToClient(OnScreen(rotator, 160, 125));
    const std::string where = "/2/" + std::to_string(inPage.x) + "/" + std::to_string(inPage.y);
    EXPECT_EQ(inPage, rotator.FromDIP(wxPoint(160, 5)));
    EXPECT_TRUE(PumpUntil([&] {
        return server.CountFor("/down" + where) == 1 && server.CountFor("/up" + where) == 1;
    })) << "no right click at "
        << where << " in the page";
}

// Driven by the real timer: Stop keeps the step number, and the next Start goes on from it
// with the progress indicator counting from 1 again.
TEST_F(ActivityTest, StopKeepsTheStepAndStartGoesOnFromIt) {
    WriteIni("[AI_Links]\nMMEnabled=1\nFSEnabled=0\n");
    aidle& rotator = ShowRotator();
    rotator.Command1_Click();
    ASSERT_TRUE(rotator.Timer1.IsRunning());
    ASSERT_TRUE(PumpUntil([&] { return rotator.StepCount >= 3; }));
    rotator.Command2_Click();
    const int stopped = rotator.StepCount;
    EXPECT_FALSE(rotator.Timer1.IsRunning());
    EXPECT_EQ(rotator.ProgressBar1->GetValue(), 0);
    const wxColour grey = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    EXPECT_EQ(rotator.Label4->GetForegroundColour(), grey);
    EXPECT_EQ(rotator.Label5->GetForegroundColour(), grey);

    rotator.Command1_Click();
    EXPECT_EQ(rotator.StepCount, stopped);
    ASSERT_TRUE(PumpUntil([&] { return rotator.StepCount > stopped; }));
    // Whatever tick the pump stopped at, the steps since Start and the progress agree.
    EXPECT_EQ(rotator.ProgressBar1->GetValue(), rotator.StepCount - stopped);
    EXPECT_EQ(rotator.Text3, std::to_string(rotator.StepCount - 1));
    rotator.Command2_Click();
}

TEST_F(ActivityTest, WithoutSyntheticInputStartSaysSoAndGoesOnWithTheRest) {
    UnavailableMouse unavailable;
    services.mouse = &unavailable;
    HttpServer server;
    server.Serve("/portal", "<html><body>portal</body></html>");
    services.firstPage = server.Url("/portal");
    WriteIni("[AI_Links]\nMMEnabled=1\nFSEnabled=1\n");
    aidle& rotator = ShowRotator();

    rotator.Command1_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Mouse movement is not available on this display: it needs an X11 display that "
              "accepts synthetic input (the XTEST extension).");
    EXPECT_EQ(messages.shown[0].title, "Vantle");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(rotator.Timer1.IsRunning());
    EXPECT_TRUE(rotator.Timer2.IsRunning());
    EXPECT_FALSE(rotator.Command1->IsEnabled());
    EXPECT_EQ(rotator.Label1->GetLabel(), "Running..");
    EXPECT_TRUE(PumpUntil([&] { return server.CountFor("/portal") == 1; }));

    // A step run by hand still shows its target but touches no input.
    rotator.Timer1_Timer();
    EXPECT_EQ(rotator.Label2->GetLabel(), "Y:450 X:320");
    EXPECT_EQ(unavailable.calls, 0);
    rotator.Command2_Click();
}

TEST_F(ActivityTest, NoMouseSeamAtAllIsReportedTooButNotWhenMouseMovementIsOff) {
    services.mouse = nullptr;
    WriteIni("[AI_Links]\nMMEnabled=1\n");
    aidle& rotator = ShowRotator();
    rotator.Command1_Click();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(rotator.Timer1.IsRunning());
    rotator.Command2_Click();

    rotator.MMEnabled = "0";
    rotator.Command1_Click();
    EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
}  // namespace vantle::test
