// The Refresher's panes and the engine's web process: one process for both panes at every
// opening, and both pages back after that process is killed.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <array>

#include "refresher_fixture.h"
#include "support/processes.h"

namespace vantle::test {
namespace {

using Clock = std::chrono::steady_clock;

// Opening the window with both links on one site used to lose the second pane's page about once
// in thirty openings, with the shared web process killed and two new ones in its place. Thirty
// openings catch that more often than not, in half a minute (a minute on a busy machine).
TEST_F(RefresherTest, EveryOpeningLoadsBothPagesInOneWebProcess) {
    server.Serve("/one", "<p>one</p>");
    server.Serve("/two", "<p>two</p>");
    Store(Link::First, server.Url("/one"), "60000");
    Store(Link::Second, server.Url("/two"), "60000");
    for (int opening = 1; opening <= 30; ++opening) {
        SCOPED_TRACE(testing::Message() << "opening " << opening);
        // Those of the last opening may still be on their way out.
        const std::vector<pid_t> before = WebProcesses();
        const std::size_t one = server.CountFor("/one"), two = server.CountFor("/two");
        frmBrowser& window = Open();
        ASSERT_TRUE(Loaded(TestAccess::brwWebBrowser(window), "/one") &&
                    Loaded(TestAccess::brwWebBrowser2(window), "/two"))
            << "requests: /one " << server.CountFor("/one") - one << ", /two "
            << server.CountFor("/two") - two;
        std::vector<pid_t> started = WebProcesses();
        std::erase_if(started, [&](pid_t pid) { return std::ranges::count(before, pid) > 0; });
        EXPECT_EQ(started.size(), 1u);
        CloseAllWindows();
    }
}

// Killed the way the system's out-of-memory killer or a crash would end it: each pane shows its
// page again at its next tick, and the program neither hangs nor crashes.
TEST_F(RefresherTest, BothPanesShowTheirPagesAgainAtTheirNextTicksAfterTheWebProcessIsKilled) {
    // Long enough for a new web process to start inside the wait of the tick that asked for it.
    services.timings.paneWait = 3s;
    const std::array<std::string, 2> pages = {"/one", "/two"};
    // Each page reports from inside the engine that it ran, not only that it was requested.
    for (const std::string& page : pages)
        server.Serve(page, "<body onload=\"new Image().src='" + page + "/ran'\"></body>");
    Store(Link::First, server.Url(pages[0]), "300");
    Store(Link::Second, server.Url(pages[1]), "300");
    frmBrowser& window = Open();
    const std::array<WebPane*, 2> panes = {&TestAccess::brwWebBrowser(window),
                                           &TestAccess::brwWebBrowser2(window)};
    window.Command1_Click();
    ASSERT_TRUE(PumpUntil(
        [&] { return server.CountFor("/one/ran") >= 2 && server.CountFor("/two/ran") >= 2; }));

    const std::vector<pid_t> running = WebProcesses();
    ASSERT_EQ(running.size(), 1u);
    const Clock::time_point killedAt = Clock::now();
    ASSERT_EQ(kill(running.front(), SIGKILL), 0);

    auto firstSince = [&](const std::string& path) {
        for (const auto& request : server.RequestsFor(path))
            if (request.at >= killedAt) return request.at;
        return Clock::time_point::max();
    };
    for (int i : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "pane " << i + 1);
        // A new process loads the page and runs it, and the pane reports the address again.
        const std::string& page = pages[i];
        WebPane& pane = *panes[i];
        ASSERT_TRUE(PumpUntil(
            [&] {
                return firstSince(page + "/ran") != Clock::time_point::max() && !pane.Busy() &&
                       pane.LocationURL() == server.Url(page);
            },
            20s))
            << "shows \"" << pane.LocationURL() << "\"";
        // Asked for by the first tick after the kill, which comes within an interval of the
        // end of the tick that may have been waiting then.
        EXPECT_LT(firstSince(page) - killedAt, 300ms + services.timings.paneWait);
    }
    // The panes go on reloading, again in one new process.
    const std::size_t ran = server.CountFor("/one/ran") + server.CountFor("/two/ran");
    EXPECT_TRUE(PumpUntil(
        [&] { return server.CountFor("/one/ran") + server.CountFor("/two/ran") >= ran + 4; }));
    const std::vector<pid_t> now = WebProcesses();
    EXPECT_EQ(now.size(), 1u);
    EXPECT_NE(now, running);
    EXPECT_TRUE(messages.shown.empty());
    CloseAllWindows();
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

}  // namespace
}  // namespace vantle::test
