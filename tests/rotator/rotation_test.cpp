#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/arrstr.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/stattext.h>

#include "platform/web_pane.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/http_server.h"
#include "support/window_access.h"

namespace vantle::test {
namespace {

class RotationTest : public AppTest {
  protected:
    RotationTest() {
        for (int i = 1; i <= 5; ++i) server.Serve(Path(i), "<p>page " + std::to_string(i) + "</p>");
        // The first page asks for a new window, which the Rotator refuses, then says it asked.
        server.Serve("/portal",
                     "<body onload=\"window.open('/popup'); fetch('/asked')\">portal</body>");
        services.firstPage = server.Url("/portal");
        services.timings.rotation = 600ms;
    }

    static std::string Path(int i) { return "/link" + std::to_string(i); }

    // The five local links, rotation on and mouse movement off; the window shown with a page
    // loaded, so that the engine is up before a test starts the clock.
    aidle& Open() {
        std::string ini = "[AI_Links]\nFSEnabled=1\nMMEnabled=0\nOTEnabled=0\n";
        for (int i = 1; i <= 5; ++i)
            ini += "Link" + std::to_string(i) + "=" + server.Url(Path(i)) + "\n";
        WriteIni(ini);
        aidle& rotator = app().Rotator();
        app().ShowModeless(rotator);
        TestAccess::WebBrowser1(rotator).Navigate(server.Url(Path(5)));
        EXPECT_TRUE(Shows(rotator, server.Url(Path(5)), wxNOT_FOUND) &&
                    PumpUntil([&] { return !TestAccess::WebBrowser1(rotator).Busy(); }));
        return rotator;
    }

    // Until the list selects entry `selected` and the pane shows `url`. The pane reports its
    // address as soon as it is sent there, so a page need not load before the next tick.
    static bool Shows(aidle& rotator, const std::string& url, int selected) {
        return PumpUntil([&] {
            return Find<wxListBox>(rotator, "List1")->GetSelection() == selected &&
                   TestAccess::WebBrowser1(rotator).LocationURL() == url;
        });
    }

    HttpServer server;
};

// Anything but exactly "1" turns a switch off: then neither the load nor Start navigates. Empty
// and absent keys give empty entries, never another key's value.
TEST_F(RotationTest, LoadFillsTheListAndSwitchesAndStartWithBothOffOnlyChangesTheControls) {
    WriteIni(
        "[AI_Links]\nLink1=first\nLink2=second\nLink3=\nLink5=fifth\nFSEnabled=0\nMMEnabled="
        "yes\nOTEnabled=2\n");
    aidle& rotator = app().Rotator();
    app().ShowModeless(rotator);
    EXPECT_EQ(wxJoin(Find<wxListBox>(rotator, "List1")->GetStrings(), '|'), "first|second|||fifth");
    EXPECT_EQ(TestAccess::Switches(rotator), "0yes2");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(rotator.HasFlag(wxSTAY_ON_TOP));
    rotator.Command1_Click();
    EXPECT_FALSE(TestAccess::Timer1(rotator).IsRunning() ||
                 TestAccess::Timer2(rotator).IsRunning());
    EXPECT_EQ(Find<wxStaticText>(rotator, "Label1")->GetLabel(), "Running..");
    PumpFor(services.timings.rotation * 2);
    EXPECT_TRUE(server.Requests().empty());
}

// Driven by the real timer, once round and on into the next round; the next Start after Stop
// begins again at the portal and Link1.
TEST_F(RotationTest, StartShowsThePortalThenEachLinkInTurnAndAfterStopBeginsAgain) {
    aidle& rotator = Open();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first Start" : "Start after Stop");
        rotator.Command1_Click();
        EXPECT_TRUE(Find<wxButton>(rotator, "Command2")->IsEnabled() &&
                    !Find<wxButton>(rotator, "Command1")->IsEnabled());
        EXPECT_FALSE(TestAccess::Timer1(rotator).IsRunning()) << "Mouse Movement is off";
        ASSERT_TRUE(Shows(rotator, services.firstPage, wxNOT_FOUND));
        for (int step = 0; step < (round == 0 ? 7 : 1); ++step)
            ASSERT_TRUE(Shows(rotator, server.Url(Path(step % 5 + 1)), step % 5)) << step;
        rotator.Command2_Click();
        EXPECT_FALSE(TestAccess::Timer2(rotator).IsRunning());
        EXPECT_EQ(Find<wxStaticText>(rotator, "Label1")->GetLabel(), "Not Running");
        EXPECT_TRUE(Find<wxButton>(rotator, "Command1")->IsEnabled() &&
                    !Find<wxButton>(rotator, "Command2")->IsEnabled());
        EXPECT_EQ(Find<wxGauge>(rotator, "ProgressBar1")->GetValue(), 0) << "no activity step ran";
    }
    // The last page sent for is shown in full once nothing replaces it.
    EXPECT_TRUE(PumpUntil(
        [&] { return !TestAccess::WebBrowser1(rotator).Busy() && server.CountFor(Path(1)); }));
}

// Stepped by hand: the portal's new window refused, then the entry after the selected one, an
// empty entry visited as a blank page.
TEST_F(RotationTest, EachStepShowsTheEntryAfterTheSelectedOne) {
    aidle& rotator = Open();
    Find<wxListBox>(rotator, "List1")->SetString(3, "");
    rotator.Command1_Click();
    TestAccess::Timer2(rotator).Stop();
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/asked") == 1; }, 30s));
    // The pane asks the window's policy once the engine's request has returned.
    PumpUntil([] { return !wxTheApp->HasPendingEvents(); });
    EXPECT_TRUE(programs.opened.empty());
    Find<wxListBox>(rotator, "List1")->SetSelection(1);
    for (const auto& url : {server.Url(Path(3)), std::string("about:blank")}) {
        rotator.Timer2_Timer();
        EXPECT_TRUE(Shows(rotator, url, url == "about:blank" ? 3 : 2));
    }
}

TEST_F(RotationTest, OnTopPlacesTheWindowTopmostAtOneHundredShownWithoutActivation) {
    WriteIni("[AI_Links]\nOTEnabled=1\n");
    aidle& rotator = app().Rotator();  // loaded, not shown by anyone
    EXPECT_TRUE(rotator.IsShown());
    EXPECT_EQ(rotator.GetPosition(), rotator.FromDIP(wxPoint(100, 100)));
    rotator.Command1_Click();
    rotator.Command2_Click();
    EXPECT_TRUE(rotator.HasFlag(wxSTAY_ON_TOP));
}

}  // namespace
}  // namespace vantle::test
