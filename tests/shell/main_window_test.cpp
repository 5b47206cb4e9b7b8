#include <gtest/gtest.h>
#include <wx/statusbr.h>
#include <wx/tooltip.h>

#include <regex>

#include "logic/refresher_settings.h"
#include "logic/rotator_settings.h"
#include "logic/status_text.h"
#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "rotator/churl.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"
#include "support/http_server.h"
#include "support/window_access.h"

namespace vantle::test {
namespace {

using Texts = std::vector<std::string>;

using MainWindowTest = AppTest;

// Each menu caption is checked where a test chooses its item.
TEST_F(MainWindowTest, StatusBarAndContents) {
    frmMain& main = app().CreateMain();
    wxStatusBar* status = Find<wxStatusBar>(main, "sbStatusBar");
    ASSERT_EQ(status->GetFieldsCount(), 3);
    EXPECT_EQ(status->GetStatusText(0), "Status");
    EXPECT_EQ(status->GetStatusText(1), wxDateTime::Now().FormatDate());
    // The clock panel keeps itself current without anyone writing to the status bar.
    const wxString first = status->GetStatusText(2);
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(PumpUntil([&] { return status->GetStatusText(2) != first; }, 5s));

    ChooseMenu(main, "&Help", "&Contents");  // there is no help: a message and nothing else
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to display Help Contents. There is no Help associated with this project.");
    EXPECT_EQ(messages.shown[0].title, "Vantle");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(app().LoadedWindows().size(), 1u);
}

TEST_F(MainWindowTest, OneInstancePerWindowAndAClosedWindowLoadsAfresh) {
    frmMain& main = app().CreateMain();
    main.urls_Click();
    aidle* rotator = &app().Rotator();
    main.urls_Click();
    EXPECT_EQ(&app().Rotator(), rotator);
    EXPECT_TRUE(rotator->IsShown());
    EXPECT_EQ(app().LoadedWindows().size(), 2u);

    // A closed tool window leaves the list at once; the next opener loads a new one.
    rotator->Close(true);
    EXPECT_EQ(app().LoadedWindows().size(), 1u);
    EXPECT_FALSE(app().IsRotatorLoaded());
    main.urls_Click();
    EXPECT_TRUE(app().IsRotatorLoaded());
    EXPECT_EQ(app().LoadedWindows().back(), static_cast<wxTopLevelWindow*>(&app().Rotator()));
}

// The main window's own close starts the sequence; the others follow, newest first, hidden ones
// too, and the main window goes last, whether by Exit or by the title bar's close box.
TEST_F(MainWindowTest, ClosingClosesEveryWindowMostRecentlyLoadedFirstThenTheMainWindow) {
    for (const bool byExit : {true, false}) {
        SCOPED_TRACE(byExit ? "Exit" : "close box");
        frmMain& main = app().CreateMain();
        ChooseMenu(main, "&Tools", "Url &Rotator\tCtrl+R");
        ChooseMenu(main, "&Options", "Config Url Refresher");
        ChooseMenu(main, "&Tools", "&Url Refresher\tCtrl+N");
        ChooseMenu(main, "&Options", "Config Url Rotator");
        app().RotatorConfig().Hide();
        // The order in which the windows hear of it, ending with the main window's destruction.
        Texts order;
        for (wxTopLevelWindow* window : app().LoadedWindows()) {
            window->Bind(wxEVT_CLOSE_WINDOW, [&order, window](wxCloseEvent& event) {
                order.push_back(window->GetTitle().utf8_string());
                event.Skip();
            });
        }
        main.Bind(wxEVT_DESTROY, [&order, &main](wxWindowDestroyEvent& event) {
            if (event.GetWindow() == &main) order.push_back("destroyed");
            event.Skip();
        });
        if (byExit)
            ChooseMenu(main, "&File", "E&xit");
        else
            main.Close();
        EXPECT_TRUE(app().LoadedWindows().empty());
        EXPECT_TRUE(PumpUntil([] { return wxTopLevelWindows.empty(); }));
        EXPECT_EQ(order, (Texts{"Vantle", "Change Rotation Url:s", "Vantle Surfer Window",
                                "Configuration", "URL Rotator", "destroyed"}));
    }
}

// The panel follows both tools while they run, each second by itself: the Refresher's reloads,
// its panes' countdowns and the page it could not load, the Rotator's link. The panel shows as
// much as fits; its tooltip has all of it. A tool that stops or closes is told at once.
TEST_F(MainWindowTest, StatusPanelTellsWhatRuns) {
    HttpServer server;
    server.Serve("/page", "<p>page</p>");
    std::string closedPort;
    {
        HttpServer gone;
        closedPort = gone.Url("/nothing");
    }
    IniFields fields;
    refresher::RefresherSettings refresherSettings(fields, services.settings);
    for (const auto& [link, address] : {std::pair{refresher::Link::First, server.Url("/page")},
                                        {refresher::Link::Second, closedPort}}) {
        refresherSettings.SetAddress(link, address);
        refresherSettings.SetInterval(link, "1000");
        refresherSettings.SetActive(link, "1");
    }
    RotatorSettings rotatorSettings{
        .links = {}, .fakeSurfing = "1", .mouseMovement = "0", .onTop = "0", .pauseTime = ""};
    for (std::string& link : rotatorSettings.links) link = server.Url("/page");
    ASSERT_TRUE(rotatorSettings.Write(fields, services.settings));
    services.firstPage = server.Url("/page");

    frmMain& main = app().CreateMain();
    wxStatusBar* status = Find<wxStatusBar>(main, "sbStatusBar");
    const auto panel = [&] { return status->GetStatusText(0).utf8_string(); };
    const auto tip = [&] {
        return status->GetToolTip() ? status->GetToolTip()->GetTip().utf8_string() : "";
    };
    const auto tipMatches = [&](const std::string& pattern) {
        return PumpUntil([&] { return std::regex_match(tip(), std::regex(pattern)); });
    };
    main.mnuFileNew_Click();
    EXPECT_EQ(panel(), "Refresher stopped");
    EXPECT_EQ(tip(), "Url Refresher: stopped");

    frmBrowser& refresher = app().Refresher();
    const status::ClockTime started = status::LocalClockTime(std::chrono::system_clock::now());
    refresher.Command1_Click();
    main.urls_Click();
    app().Rotator().Command1_Click();
    // A second reload and a rotation past the start page, with nobody touching the panel.
    const std::string refresherLine =
        "Url Refresher: running, ([2-9]|[1-9][0-9]+) reloads; pane 1 next in [01] s; "
        "pane 2 next in [01] s; ([0-9]{2}):([0-9]{2}): (.*)";
    ASSERT_TRUE(
        tipMatches(refresherLine + "\\nUrl Rotator: running, Link [1-5] of 5, next in [01] s"))
        << tip();
    std::smatch failure;
    const std::string lines = tip();
    ASSERT_TRUE(std::regex_search(lines, failure, std::regex(refresherLine)));
    EXPECT_NE(failure[4].str().find("Could not connect"), std::string::npos) << failure[4];
    const status::ClockTime now = status::LocalClockTime(std::chrono::system_clock::now());
    const int minute = std::stoi(failure[2]) * 60 + std::stoi(failure[3]);
    EXPECT_TRUE(minute == started.hour * 60 + started.minute ||
                minute == now.hour * 60 + now.minute)
        << failure[0];
    // The designed width holds only a count; a wider window shows each tool in a few words.
    EXPECT_EQ(panel(), "2 tools running");
    main.SetClientSize(main.FromDIP(wxSize(700, 0)));
    EXPECT_TRUE(PumpUntil([&] {
        return std::regex_match(panel(), std::regex("Refresher [0-9]+ reloads, next [01] s, failed "
                                                    "\\| Rotator Link [1-5] of 5, next [01] s"));
    })) << panel();

    // Stopped and closed tools are told at once, and then nothing changes.
    app().Rotator().Command2_Click();
    EXPECT_TRUE(std::regex_match(tip(), std::regex(".*\\nUrl Rotator: stopped"))) << tip();
    refresher.Command2_Click();
    EXPECT_EQ(tip(), "Url Rotator: stopped");
    EXPECT_EQ(panel(), "Url Rotator: stopped");
    app().Rotator().Close(true);
    EXPECT_EQ(panel(), "Status");
    EXPECT_EQ(tip(), "");
}

}  // namespace
}  // namespace vantle::test
