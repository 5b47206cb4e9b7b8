#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/statusbr.h>

#include <functional>
#include <string>
#include <vector>

#include "rotator/aidle.h"
#include "rotator/churl.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"

namespace vantle::test {
namespace {

using Texts = std::vector<std::string>;

class MainWindowTest : public AppTest {
  protected:
    // Loads every kind of window, one of them hidden, closes the program with `close` and gives
    // the order in which the windows heard of it, ending with the main window's destruction.
    Texts CloseOrder(const std::function<void(frmMain&)>& close) {
        frmMain& main = app().CreateMain();
        main.urls_Click();
        main.conf_Click();
        main.mnuFileNew_Click();
        main.ghs_Click();
        app().RotatorConfig().Hide();
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
        close(main);
        EXPECT_TRUE(app().LoadedWindows().empty());
        EXPECT_TRUE(PumpUntil([] { return wxTopLevelWindows.empty(); }));
        return order;
    }
};

TEST_F(MainWindowTest, MenusStatusBarAndContents) {
    frmMain& main = app().CreateMain();
    std::vector<Texts> menus;
    wxMenuBar* bar = main.GetMenuBar();
    for (std::size_t i = 0; i < bar->GetMenuCount(); ++i) {
        menus.push_back({bar->GetMenuLabel(i).utf8_string()});
        for (wxMenuItem* item : bar->GetMenu(i)->GetMenuItems()) {
            menus.back().push_back(item->IsSeparator() ? "-" : item->GetItemLabel().utf8_string());
        }
    }
    EXPECT_EQ(menus, (std::vector<Texts>{
                         {"&File", "-", "E&xit"},
                         {"&Tools", "&Url Refresher\tCtrl+N", "Url &Rotator\tCtrl+R"},
                         {"&Options", "Config Url Refresher", "Config Url Rotator"},
                         {"&Help", "&Contents", "-", "&About "},
                     }));

    wxStatusBar* status = main.sbStatusBar();
    ASSERT_EQ(status->GetFieldsCount(), 3);
    EXPECT_EQ(status->GetStatusText(0), "Status");
    EXPECT_EQ(status->GetStatusText(1), wxDateTime::Now().FormatDate());
    // The clock panel keeps itself current without anyone writing to the status bar.
    const wxString first = status->GetStatusText(2);
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(PumpUntil([&] { return status->GetStatusText(2) != first; }, 5s));

    main.mnuHelpContents_Click();  // there is no help: a message and nothing else
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
// too, and the main window goes last. Exit and the title bar's close box do the same.
const Texts kCloseOrder = {"Vantle",        "Change Rotation Url:s", "Vantle Surfer Window",
                           "Configuration", "URL Rotator",           "destroyed"};

TEST_F(MainWindowTest, ExitClosesEveryWindowMostRecentlyLoadedFirstThenTheMainWindow) {
    EXPECT_EQ(CloseOrder([](frmMain& main) { main.mnuFileExit_Click(); }), kCloseOrder);
}

TEST_F(MainWindowTest, TheTitleBarCloseRunsTheSameSequenceAsExit) {
    EXPECT_EQ(CloseOrder([](frmMain& main) { main.Close(); }), kCloseOrder);
}

}  // namespace
}  // namespace vantle::test
