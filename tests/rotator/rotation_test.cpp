#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/stattext.h>

#include <string>
#include <vector>

#include "platform/web_pane.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/http_server.h"

namespace vantle::test {
namespace {

class RotationTest : public AppTest {
  protected:
    RotationTest() {
        for (int i = 1; i <= 5; ++i) server.Serve(Path(i), "<p>page " + std::to_string(i) + "</p>");
        // The first page asks for a new window, which the Rotator refuses.
        server.Serve("/portal", "<body onload=\"window.open('/popup')\">portal</body>");
        services.firstPage = server.Url("/portal");
        services.timings.rotation = 600ms;
    }

    static std::string Path(int i) { return "/link" + std::to_string(i); }

    // The five local links, rotation on and mouse movement off; the window loaded and shown.
    aidle& Open() {
        std::string ini = "[AI_Links]\n";
        for (int i = 1; i <= 5; ++i)
            ini += "Link" + std::to_string(i) + "=" + server.Url(Path(i)) + "\n";
        WriteIni(ini + "FSEnabled=1\nMMEnabled=0\n");
        aidle& rotator = app().Rotator();
        app().ShowModeless(rotator);
        return rotator;
    }

    bool Requested(const std::string& path, std::size_t count = 1) {
        return PumpUntil([&] { return server.CountFor(path) >= count; });
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
    std::vector<std::string> entries;
    for (unsigned i = 0; i < rotator.List1->GetCount(); ++i)
        entries.push_back(rotator.List1->GetString(i).utf8_string());
    EXPECT_EQ(entries, (std::vector<std::string>{"first", "second", "", "", "fifth"}));
    EXPECT_EQ(rotator.FSenabled + rotator.MMEnabled + rotator.OTEnabled, "0yes2");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(rotator.HasFlag(wxSTAY_ON_TOP));
    rotator.Command1_Click();
    EXPECT_FALSE(rotator.Timer1.IsRunning() || rotator.Timer2.IsRunning());
    EXPECT_EQ(rotator.Label1->GetLabel(), "Running..");
    PumpFor(services.timings.rotation * 2);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(RotationTest, StartShowsThePortalThenEachLinkInTurnAndAfterStopBeginsAgain) {
    aidle& rotator = Open();
    rotator.Command1_Click();
    EXPECT_TRUE(rotator.Command2->IsEnabled() && !rotator.Command1->IsEnabled());
    EXPECT_FALSE(rotator.Timer1.IsRunning()) << "Mouse Movement is off";
    // The selection marks the entry shown: once round, and on into the next round.
    for (int step = 0; step < 7; ++step)
        ASSERT_TRUE(PumpUntil([&] { return rotator.List1->GetSelection() == step % 5; })) << step;
    rotator.Command2_Click();
    EXPECT_FALSE(rotator.Timer2.IsRunning());
    EXPECT_EQ(rotator.Label1->GetLabel(), "Not Running");
    EXPECT_TRUE(rotator.Command1->IsEnabled() && !rotator.Command2->IsEnabled());
    EXPECT_EQ(rotator.ProgressBar1->GetValue(), 0) << "no activity step ran";

    // One visit per turn, in order, and nothing else: the portal's new window was refused.
    ASSERT_TRUE(Requested(Path(2), 2));
    std::vector<std::string> order;
    for (const auto& request : server.Requests())
        if (request.path != "/favicon.ico") order.push_back(request.path);
    EXPECT_EQ(order, (std::vector<std::string>{"/portal", "/link1", "/link2", "/link3", "/link4",
                                               "/link5", "/link1", "/link2"}));
    EXPECT_TRUE(programs.opened.empty());

    server.ClearRequests();
    rotator.Command1_Click();
    ASSERT_TRUE(Requested("/portal") && Requested(Path(1)));
    EXPECT_EQ(server.CountFor(Path(3)), 0u);
}

// Stepped by hand: the entry after the selected one, an empty entry visited as a blank page.
TEST_F(RotationTest, EachStepShowsTheEntryAfterTheSelectedOne) {
    aidle& rotator = Open();
    rotator.List1->SetString(3, "");
    rotator.Command1_Click();
    rotator.Timer2.Stop();
    ASSERT_TRUE(Requested("/portal"));
    rotator.List1->SetSelection(1);
    for (const auto& url : {server.Url(Path(3)), std::string("about:blank")}) {
        rotator.Timer2_Timer();
        EXPECT_TRUE(PumpUntil([&] { return rotator.WebBrowser1->LocationURL() == url; })) << url;
    }
    EXPECT_EQ(rotator.List1->GetSelection(), 3);
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
