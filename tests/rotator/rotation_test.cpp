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
        for (int i = 1; i <= 5; ++i) {
            server.Serve(Path(i), "<html><body>page " + std::to_string(i) + "</body></html>");
        }
        server.Serve("/portal", "<html><body>portal</body></html>");
        services.firstPage = server.Url("/portal");
        services.timings.rotation = 600ms;
    }

    static std::string Path(int i) { return "/link" + std::to_string(i); }

    // Settings with the five local links and the given switches.
    void WriteSettings(const std::string& fs, const std::string& mm, const std::string& ot) {
        std::string ini = "[AI_Links]\n";
        for (int i = 1; i <= 5; ++i) ini += "Link" + std::to_string(i) + "=" + server.Url(Path(i)) + "\n";
        ini += "FSEnabled=" + fs + "\nMMEnabled=" + mm + "\nOTEnabled=" + ot + "\n";
        WriteIni(ini);
    }

    aidle& OpenRotator() {
        aidle& rotator = app().Rotator();
        app().ShowModeless(rotator);
        return rotator;
    }

    bool WaitForRequest(const std::string& path, std::size_t count = 1) {
        return PumpUntil([&] { return server.CountFor(path) >= count; });
    }

    HttpServer server;
};

TEST_F(RotationTest, LoadFillsTheListAndSwitchesButNavigatesNowhere) {
    WriteIni("[ai_links]\nlink1 = first\nLINK2=second\nLink3=\nLink5=fifth\n"
             "FSEnabled=1\nMMEnabled= 0 \nOTEnabled=yes\n");
    aidle& rotator = OpenRotator();

    ASSERT_EQ(rotator.List1->GetCount(), 5u);
    EXPECT_EQ(rotator.List1->GetString(0), "first");
    EXPECT_EQ(rotator.List1->GetString(1), "second");
    // Empty and absent keys give empty entries, never another key's value.
    EXPECT_EQ(rotator.List1->GetString(2), "");
    EXPECT_EQ(rotator.List1->GetString(3), "");
    EXPECT_EQ(rotator.List1->GetString(4), "fifth");
    EXPECT_EQ(rotator.FSenabled, "1");
    EXPECT_EQ(rotator.MMEnabled, "0");
    EXPECT_EQ(rotator.OTEnabled, "yes");
    EXPECT_TRUE(messages.shown.empty());

    EXPECT_FALSE(rotator.HasFlag(wxSTAY_ON_TOP));
    EXPECT_EQ(rotator.GetClientSize(), rotator.FromDIP(wxSize(452, 232)));
    EXPECT_EQ(rotator.Label1->GetLabel(), "Not Running");
    EXPECT_TRUE(rotator.Command1->IsEnabled());
    EXPECT_FALSE(rotator.Command2->IsEnabled());
    EXPECT_EQ(rotator.ProgressBar1->GetValue(), 0);
    PumpFor(200ms);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(RotationTest, StartShowsThePortalThenEachLinkInTurnAndRoundAgain) {
    WriteSettings("1", "0", "0");
    aidle& rotator = OpenRotator();
    rotator.Command1_Click();

    EXPECT_EQ(rotator.Label1->GetLabel(), "Running..");
    EXPECT_FALSE(rotator.Command1->IsEnabled());
    EXPECT_TRUE(rotator.Command2->IsEnabled());
    EXPECT_FALSE(rotator.Timer1.IsRunning()) << "Mouse Movement is off";
    EXPECT_TRUE(rotator.Timer2.IsRunning());
    EXPECT_EQ(rotator.List1->GetSelection(), wxNOT_FOUND);
    ASSERT_TRUE(WaitForRequest("/portal"));

    // The selection moves on at each step, in the same handler that navigates.
    for (int round = 1; round <= 2; ++round) {
        for (int i = 1; i <= 5; ++i) {
            ASSERT_TRUE(PumpUntil([&] { return rotator.List1->GetSelection() == i - 1; }))
                << "link " << i << ", round " << round;
        }
    }
    // One visit per turn, in order.
    std::vector<std::string> order;
    ASSERT_TRUE(WaitForRequest(Path(5), 2));
    for (const auto& request : server.Requests()) {
        if (request.path != "/favicon.ico" && order.size() < 11) order.push_back(request.path);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"/portal", "/link1", "/link2", "/link3", "/link4",
                                               "/link5", "/link1", "/link2", "/link3", "/link4",
                                               "/link5"}));
    EXPECT_EQ(rotator.ProgressBar1->GetValue(), 0) << "no activity step ran";
}

TEST_F(RotationTest, StopThenStartBeginsAgainAtThePortalAndTheFirstLink) {
    WriteSettings("1", "0", "0");
    aidle& rotator = OpenRotator();
    rotator.Command1_Click();
    ASSERT_TRUE(WaitForRequest(Path(2)));

    rotator.Command2_Click();
    EXPECT_FALSE(rotator.Timer2.IsRunning());
    EXPECT_EQ(rotator.Label1->GetLabel(), "Not Running");
    EXPECT_TRUE(rotator.Command1->IsEnabled());
    EXPECT_EQ(rotator.List1->GetSelection(), 1) << "Stop leaves the selection where it is";

    server.ClearRequests();
    rotator.Command1_Click();
    ASSERT_TRUE(WaitForRequest("/portal"));
    ASSERT_TRUE(WaitForRequest(Path(1)));
    EXPECT_EQ(server.CountFor(Path(3)), 0u);
    EXPECT_EQ(rotator.List1->GetSelection(), 0);
}

TEST_F(RotationTest, WithBothSwitchesOffStartOnlyChangesTheControls) {
    WriteSettings("0", "yes", "0");  // anything but exactly "1" is off
    aidle& rotator = OpenRotator();
    rotator.Command1_Click();
    EXPECT_FALSE(rotator.Timer1.IsRunning());
    EXPECT_FALSE(rotator.Timer2.IsRunning());
    EXPECT_EQ(rotator.Label1->GetLabel(), "Running..");
    EXPECT_FALSE(rotator.Command1->IsEnabled());
    PumpFor(services.timings.rotation * 2);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(RotationTest, AHandPickedEntryIsFollowedByTheNextAndTheLastWrapsToTheFirst) {
    WriteSettings("1", "0", "0");
    aidle& rotator = OpenRotator();
    rotator.Command1_Click();
    ASSERT_TRUE(WaitForRequest("/portal"));
    rotator.Timer2.Stop();  // step by hand from here

    rotator.List1->SetSelection(4);
    rotator.Timer2_Timer();
    EXPECT_EQ(rotator.List1->GetSelection(), 0);
    ASSERT_TRUE(WaitForRequest(Path(1)));

    rotator.List1->SetSelection(2);
    rotator.Timer2_Timer();
    EXPECT_EQ(rotator.List1->GetSelection(), 3);
    EXPECT_TRUE(WaitForRequest(Path(4)));
}

TEST_F(RotationTest, AnEmptyEntryIsVisitedInItsTurnAsABlankPage) {
    WriteIni("[AI_Links]\nLink1=" + server.Url(Path(1)) + "\nLink2=\nFSEnabled=1\n");
    aidle& rotator = OpenRotator();
    rotator.Command1_Click();
    rotator.Timer2.Stop();
    ASSERT_TRUE(WaitForRequest("/portal"));

    rotator.Timer2_Timer();
    ASSERT_TRUE(WaitForRequest(Path(1)));
    ASSERT_TRUE(PumpUntil([&] { return rotator.WebBrowser1->LocationURL() == server.Url(Path(1)); }));
    rotator.Timer2_Timer();
    EXPECT_EQ(rotator.List1->GetSelection(), 1);
    EXPECT_TRUE(PumpUntil([&] { return rotator.WebBrowser1->LocationURL() == "about:blank"; }));
}

TEST_F(RotationTest, OnTopPlacesTheWindowTopmostAtOneHundredShownWithoutActivation) {
    WriteSettings("0", "0", "1");
    aidle& rotator = app().Rotator();  // loaded, not shown by anyone
    EXPECT_TRUE(rotator.IsShown());
    EXPECT_TRUE(rotator.HasFlag(wxSTAY_ON_TOP));
    EXPECT_EQ(rotator.GetPosition(), rotator.FromDIP(wxPoint(100, 100)));
    EXPECT_EQ(rotator.GetClientSize(), rotator.FromDIP(wxSize(452, 232)));

    // It stays on top through Start and Stop.
    rotator.Command1_Click();
    rotator.Command2_Click();
    EXPECT_TRUE(rotator.HasFlag(wxSTAY_ON_TOP));
}

TEST_F(RotationTest, RefusesEveryNewWindowItsPagesAskFor) {
    server.Serve("/opener", "<html><body onload=\"window.open('" + server.Url("/popup") +
                                "')\">opener</body></html>");
    server.Serve("/popup", "<html><body>popup</body></html>");
    WriteIni("[AI_Links]\nFSEnabled=1\n");
    services.firstPage = server.Url("/opener");
    aidle& rotator = OpenRotator();
    rotator.Command1_Click();
    ASSERT_TRUE(WaitForRequest("/opener"));
    PumpFor(500ms);
    EXPECT_EQ(server.CountFor("/popup"), 0u);
    EXPECT_TRUE(programs.opened.empty());
}

}  // namespace
}  // namespace vantle::test
