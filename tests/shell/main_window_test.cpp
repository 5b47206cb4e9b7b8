#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include <string>
#include <vector>

#include "refresher/form1.h"
#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "rotator/churl.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"

namespace vantle::test {
namespace {

class MainWindowTest : public AppTest {};

std::vector<std::string> MenuItemTexts(wxMenu* menu) {
    std::vector<std::string> texts;
    for (wxMenuItem* item : menu->GetMenuItems()) {
        texts.push_back(item->IsSeparator() ? "-" : item->GetItemLabel().utf8_string());
    }
    return texts;
}

TEST_F(MainWindowTest, HasTheLauncherMenusAndStatusBar) {
    frmMain& main = app().CreateMain();
    EXPECT_EQ(main.GetTitle(), "Vantle");

    wxMenuBar* bar = main.GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 4u);
    EXPECT_EQ(bar->GetMenuLabel(0), "&File");
    EXPECT_EQ(bar->GetMenuLabel(1), "&Tools");
    EXPECT_EQ(bar->GetMenuLabel(2), "&Options");
    EXPECT_EQ(bar->GetMenuLabel(3), "&Help");
    EXPECT_EQ(MenuItemTexts(bar->GetMenu(0)), (std::vector<std::string>{"-", "E&xit"}));
    EXPECT_EQ(MenuItemTexts(bar->GetMenu(1)),
              (std::vector<std::string>{"&Url Refresher\tCtrl+N", "Url &Rotator\tCtrl+R"}));
    EXPECT_EQ(MenuItemTexts(bar->GetMenu(2)),
              (std::vector<std::string>{"Config Url Refresher", "Config Url Rotator"}));
    EXPECT_EQ(MenuItemTexts(bar->GetMenu(3)),
              (std::vector<std::string>{"&Contents", "-", "&About "}));

    wxStatusBar* status = main.sbStatusBar();
    ASSERT_EQ(status->GetFieldsCount(), 3);
    EXPECT_EQ(status->GetStatusText(0), "Status");
    EXPECT_EQ(status->GetStatusText(1), wxDateTime::Now().FormatDate());
    EXPECT_FALSE(status->GetStatusText(2).empty());
    // The clock panel keeps itself current without anyone writing to the status bar.
    const wxString first = status->GetStatusText(2);
    EXPECT_TRUE(PumpUntil([&] { return status->GetStatusText(2) != first; }, 5s));
}

TEST_F(MainWindowTest, ContentsShowsTheNoHelpMessageOnly) {
    frmMain& main = app().CreateMain();
    main.mnuHelpContents_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to display Help Contents. There is no Help associated with this project.");
    EXPECT_EQ(messages.shown[0].title, "Vantle");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(app().LoadedWindows().size(), 1u);
}

TEST_F(MainWindowTest, EveryOpenerReachesOneInstanceAndAClosedWindowLoadsAfresh) {
    frmMain& main = app().CreateMain();
    main.urls_Click();
    aidle* rotator = &app().Rotator();
    main.urls_Click();
    EXPECT_EQ(&app().Rotator(), rotator);
    EXPECT_TRUE(rotator->IsShown());

    main.ghs_Click();
    churl* config = &app().RotatorConfig();
    rotator->Command4_Click();
    EXPECT_EQ(&app().RotatorConfig(), config);
    EXPECT_EQ(app().LoadedWindows().size(), 3u);

    // A closed tool window leaves the list at once; the next opener loads a new one.
    rotator->Close(true);
    EXPECT_EQ(app().LoadedWindows().size(), 2u);
    EXPECT_FALSE(app().IsRotatorLoaded());
    main.urls_Click();
    EXPECT_TRUE(app().IsRotatorLoaded());
    EXPECT_EQ(app().LoadedWindows().back(), static_cast<wxTopLevelWindow*>(&app().Rotator()));
}

TEST_F(MainWindowTest, ExitClosesEveryWindowMostRecentlyLoadedFirstThenTheMainWindow) {
    frmMain& main = app().CreateMain();
    main.urls_Click();
    main.conf_Click();
    main.mnuFileNew_Click();
    main.ghs_Click();
    app().RotatorConfig().Hide();  // loaded but hidden windows are closed too

    std::vector<std::string> closed;
    for (wxTopLevelWindow* window : app().LoadedWindows()) {
        window->Bind(wxEVT_CLOSE_WINDOW, [&closed, window](wxCloseEvent& event) {
            closed.push_back(window->GetTitle().utf8_string());
            event.Skip();
        });
        window->Bind(wxEVT_DESTROY, [&closed, window](wxWindowDestroyEvent& event) {
            if (event.GetWindow() == window) closed.push_back("destroyed " + window->GetTitle().utf8_string());
            event.Skip();
        });
    }

    main.mnuFileExit_Click();
    EXPECT_TRUE(app().LoadedWindows().empty());
    ASSERT_TRUE(PumpUntil([] { return wxTopLevelWindows.empty(); }));

    // The main window's own close starts the sequence; the others follow, newest first, and
    // the main window goes last.
    ASSERT_GE(closed.size(), 5u);
    EXPECT_EQ((std::vector<std::string>(closed.begin(), closed.begin() + 5)),
              (std::vector<std::string>{"Vantle", "Change Rotation Url:s", "Vantle Surfer Window",
                                        "Configuration", "URL Rotator"}));
    EXPECT_EQ(closed.back(), "destroyed Vantle");
}

TEST_F(MainWindowTest, TheTitleBarCloseRunsTheSameSequenceAsExit) {
    frmMain& main = app().CreateMain();
    main.urls_Click();
    main.ghs_Click();
    main.Close();  // as the window manager's close box does
    EXPECT_TRUE(app().LoadedWindows().empty());
    EXPECT_TRUE(PumpUntil([] { return wxTopLevelWindows.empty(); }));
}

}  // namespace
}  // namespace vantle::test
