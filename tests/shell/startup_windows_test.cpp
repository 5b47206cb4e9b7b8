#include "shell/startup_windows.h"

#include <gtest/gtest.h>

#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "support/app_fixture.h"
#include "support/http_server.h"
#include "support/window_access.h"

namespace vantle::test {
namespace {

class StartupWindowsTest : public AppTest {
  protected:
    StartupWindowsTest() {
        server.Serve("/portal", "portal");
        server.Serve("/rotate1", "first");
        services.firstPage = server.Url("/portal");
        WriteIni("[Links]\nLink1=" + server.Url("/one") + "\nLink1Active=1\nLink2Active=0\n" +
                 "[AI_Links]\nLink1=" + server.Url("/rotate1") + "\nFSEnabled=1\nMMEnabled=0\n");
    }
    HttpServer server;
};

TEST_F(StartupWindowsTest, OpensTheNamedWindowsAndStartsThemOnlyWhenAsked) {
    app().CreateMain();
    CommandLine line;
    line.rotator = true;
    OpenStartupWindows(app(), line);
    ASSERT_EQ(app().LoadedWindows().size(), 2u);
    EXPECT_EQ(app().LoadedWindows()[1], &app().Rotator());
    EXPECT_TRUE(app().Rotator().IsShown());
    EXPECT_FALSE(TestAccess::Timer2(app().Rotator()).IsRunning());
    CloseAllWindows();

    app().CreateMain();
    line.refresher = line.start = true;
    OpenStartupWindows(app(), line);
    const auto loaded = app().LoadedWindows();
    ASSERT_EQ(loaded.size(), 3u);
    frmBrowser& refresher = app().Refresher();
    EXPECT_EQ(loaded[1], &refresher);
    EXPECT_EQ(loaded[2], &app().Rotator());
    EXPECT_TRUE(refresher.IsShown() && app().Rotator().IsShown());
    // Start was pressed: the active pane's timer runs, the inactive one's does not, and the
    // Rotator rotates to its first address.
    EXPECT_TRUE(TestAccess::Timer1(refresher).Enabled());
    EXPECT_FALSE(TestAccess::Timer2(refresher).Enabled());
    EXPECT_TRUE(TestAccess::Timer2(app().Rotator()).IsRunning());
    EXPECT_TRUE(PumpUntil([&] { return server.CountFor("/rotate1") >= 1; }));
}

}  // namespace
}  // namespace vantle::test
