// The panes' web process killed while the Refresher runs, the way the system's out-of-memory
// killer or a crash would end it: each pane shows its page again at its next tick, and the
// program neither hangs nor crashes.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <array>

#include "memory/process_memory.h"
#include "platform/web_pane.h"
#include "refresher/frm_browser.h"
#include "support/app_fixture.h"
#include "support/http_server.h"

namespace vantle::test {
namespace {

using Clock = std::chrono::steady_clock;

// The panes whose view reported the end of its web process, in order. Not on the stack, so a
// report that comes after a failed assertion still has somewhere to go.
std::vector<int> ended;
void OnTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer pane) {
    ended.push_back(GPOINTER_TO_INT(pane));
}

class WebProcessKillTest : public AppTest {
  protected:
    // When `path` was first asked for at or after `since`; the far future if not yet.
    Clock::time_point FirstSince(const std::string& path, Clock::time_point since) const {
        for (const auto& request : server.RequestsFor(path))
            if (request.at >= since) return request.at;
        return Clock::time_point::max();
    }
    HttpServer server;
};

// The web processes running now (the engine's reserve included, if it keeps one).
std::vector<pid_t> WebProcesses() {
    std::vector<pid_t> pids;
    for (const bench::ChildProcess& child : bench::Descendants(getpid()))
        if (child.name.rfind("WebKitWebProces", 0) == 0 && child.state != 'Z')
            pids.push_back(child.pid);
    return pids;
}

TEST_F(WebProcessKillTest, BothPanesShowTheirPagesAgainAtTheirNextTicks) {
    // Long enough for a new web process to start inside the wait of the tick that asked for it.
    services.timings.paneWait = 3s;
    const std::array<std::string, 2> pages = {"/one", "/two"};
    // Each page reports from inside the engine that it ran, not only that it was requested.
    for (const std::string& page : pages)
        server.Serve(page, "<body onload=\"new Image().src='" + page + "/ran'\"></body>");
    WriteIni("[Links]\nLink1=" + server.Url(pages[0]) +
             "\nLink1Interval=300\nLink1Active=1\nLink2=" + server.Url(pages[1]) +
             "\nLink2Interval=300\nLink2Active=1\n");
    frmBrowser& window = app().Refresher();
    app().ShowModeless(window);
    const std::array<WebPane*, 2> panes = {window.brwWebBrowser.get(), window.brwWebBrowser2.get()};
    ended.clear();
    for (int i : {0, 1}) {
        g_signal_connect(panes[i]->Web(), "web-process-terminated", G_CALLBACK(OnTerminated),
                         GINT_TO_POINTER(i));
    }
    window.Command1_Click();
    ASSERT_TRUE(PumpUntil(
        [&] { return server.CountFor("/one/ran") >= 2 && server.CountFor("/two/ran") >= 2; }));

    // Both pages run in one process.
    const std::vector<pid_t> running = WebProcesses();
    ASSERT_EQ(running.size(), 1u);
    const Clock::time_point killedAt = Clock::now();
    ASSERT_EQ(kill(running.front(), SIGKILL), 0);
    ASSERT_TRUE(PumpUntil([&] { return ended.size() == 2; }));

    for (int i : {0, 1}) {
        // A new process loads the page and runs it, and the pane reports the address again.
        const std::string& page = pages[i];
        WebPane& pane = *panes[i];
        ASSERT_TRUE(PumpUntil(
            [&] {
                return FirstSince(page + "/ran", killedAt) != Clock::time_point::max() &&
                       !pane.Busy() && pane.LocationURL() == server.Url(page);
            },
            20s))
            << "pane " << i + 1 << " shows \"" << pane.LocationURL() << "\"";
        // Asked for by the first tick after the kill, which comes within an interval of the
        // end of the tick that may have been waiting then.
        EXPECT_LT(FirstSince(page, killedAt) - killedAt, 300ms + services.timings.paneWait);
    }
    // The panes go on reloading, again in one new process.
    const std::size_t ran = server.CountFor("/one/ran") + server.CountFor("/two/ran");
    EXPECT_TRUE(PumpUntil(
        [&] { return server.CountFor("/one/ran") + server.CountFor("/two/ran") >= ran + 4; }));
    const std::vector<pid_t> now = WebProcesses();
    EXPECT_EQ(now.size(), 1u);
    EXPECT_NE(now, running);
    EXPECT_EQ(ended.size(), 2u);
    EXPECT_TRUE(messages.shown.empty());
    CloseAllWindows();
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

}  // namespace
}  // namespace vantle::test
