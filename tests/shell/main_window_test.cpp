#include <gtest/gtest.h>
#include <wx/statusbr.h>

#include "rotator/aidle.h"
#include "rotator/churl.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"
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

}  // namespace
}  // namespace vantle::test
