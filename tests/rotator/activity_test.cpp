#include <gtest/gtest.h>
#include <wx/eventfilter.h>
#include <wx/gauge.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/web_pane.h"
#include "platform/wx_platform.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/http_server.h"

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
function report(kind, e) { fetch('/' + kind + '/' + e.button + '/' + e.clientX + '/' + e.clientY); }
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

    std::unique_ptr<MouseInput> mouse_;
};

// The first nine steps after a load, against the real pointer: where each leaves the cursor,
// and where the click steps press, which is where the step before left the cursor.
TEST_F(ActivityTest, FirstNineStepsMoveTheRealPointerAndClickWhereItWas) {
    ASSERT_TRUE(mouse_->Available()) << "the display takes no synthetic input";
    HttpServer server;
    server.Serve("/page", kRecordingPage);
    WriteIni("[AI_Links]\nMMEnabled=1\n");
    aidle& rotator = ShowRotator();
    rotator.WebBrowser1->Navigate(server.Url("/page"));
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/ready") == 1; }));
    ButtonRecorder recorder(rotator.WebBrowser1->View());
    auto onScreen = [&](int x, int y) {
        return rotator.ClientToScreen(rotator.FromDIP(wxPoint(x, y)));
    };

    // The target, and which indicator the step lights.
    const std::tuple<int, int, char> steps[] = {{320, 450, ' '}, {20, 10, ' '}, {2, 15, 'R'},
                                                {130, 5, ' '},   {20, 10, ' '}, {160, 125, 'L'},
                                                {2, 15, 'R'},    {130, 5, ' '}, {2, 15, 'R'}};
    const wxColour green(0, 192, 0);
    for (int i = 1; i <= 9; ++i) {
        const auto [x, y, lit] = steps[i - 1];
        rotator.Timer1_Timer();
        EXPECT_EQ(rotator.StepCount, i);
        EXPECT_EQ(rotator.Text3, std::to_string(i - 1));
        EXPECT_EQ(wxGetMousePosition(), onScreen(x, y)) << "step " << i;
        EXPECT_EQ(rotator.Label2->GetLabel(), "Y:" + std::to_string(y) + " X:" + std::to_string(x));
        EXPECT_EQ(rotator.Label4->GetForegroundColour() == green, lit == 'L') << "step " << i;
        EXPECT_EQ(rotator.Label5->GetForegroundColour() == green, lit == 'R') << "step " << i;
        EXPECT_EQ(rotator.ProgressBar1->GetValue(), i);
    }

    // Steps 3 and 9 right-click on the window itself, step 6 left-clicks there, and step 7
    // right-clicks inside the page, 5 pixels below the top of the pane.
    ASSERT_TRUE(PumpUntil([&] { return recorder.presses.size() >= 6; }));
    EXPECT_EQ(recorder.presses, (std::vector<Press>{{wxEVT_RIGHT_DOWN, onScreen(20, 10)},
                                                    {wxEVT_RIGHT_UP, onScreen(20, 10)},
                                                    {wxEVT_LEFT_DOWN, onScreen(20, 10)},
                                                    {wxEVT_LEFT_UP, onScreen(20, 10)},
                                                    {wxEVT_RIGHT_DOWN, onScreen(130, 5)},
                                                    {wxEVT_RIGHT_UP, onScreen(130, 5)}}));
    const wxPoint inPage = rotator.WebBrowser1->View()->ScreenToClient(onScreen(160, 125));
    EXPECT_EQ(inPage, rotator.FromDIP(wxPoint(160, 5)));
    const std::string where = "/2/" + std::to_string(inPage.x) + "/" + std::to_string(inPage.y);
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
    EXPECT_EQ(rotator.Label1->GetLabel(), "Running..");

    // A step run by hand still shows its target but touches no input.
    rotator.Timer1_Timer();
    EXPECT_EQ(rotator.Label2->GetLabel(), "Y:450 X:320");
    EXPECT_EQ(unavailable.calls, 0);
    rotator.Command2_Click();

    // With Mouse Movement off there is nothing to say.
    rotator.MMEnabled = "0";
    rotator.Command1_Click();
    EXPECT_EQ(messages.shown.size(), 1u);
    rotator.Command2_Click();
}

}  // namespace
}  // namespace vantle::test
