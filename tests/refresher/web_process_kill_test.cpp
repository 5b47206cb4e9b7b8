// A pane's web process killed while the Refresher runs, the way the system's out-of-memory
// killer or a crash would end it: the pane shows its page again at its next tick, the other
// pane goes on, and the program neither hangs nor crashes.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>
#include <webkit2/webkit2.h>
#include <wx/webview.h>

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

TEST_F(WebProcessKillTest, AKilledPaneShowsItsPageAgainAtItsNextTickWhileTheOtherGoesOn) {
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
        g_signal_connect(panes[i]->View()->GetNativeBackend(), "web-process-terminated",
                         G_CALLBACK(OnTerminated), GINT_TO_POINTER(i));
    }
    window.Command1_Click();
    ASSERT_TRUE(PumpUntil(
        [&] { return server.CountFor("/one/ran") >= 2 && server.CountFor("/two/ran") >= 2; }));

    // Each pane has a process of its own; the engine may also hold one in reserve, whose end no
    // pane reports, so the next one is tried then.
    Clock::time_point killedAt{};
    for (const bench::ChildProcess& child : bench::Descendants(getpid())) {
        if (child.name.rfind("WebKitWebProces", 0) != 0 || child.state == 'Z') continue;
        killedAt = Clock::now();
        ASSERT_EQ(kill(child.pid, SIGKILL), 0);
        if (PumpUntil([&] { return !ended.empty(); })) break;
    }
    ASSERT_EQ(ended.size(), 1u) << "one pane, and only one, lost its web process";
    const int killed = ended.front();
    const std::string& page = pages[killed];
    const std::size_t otherBefore = server.CountFor(pages[1 - killed]);

    // A new process loads the page and runs it, and the pane reports the address again.
    WebPane& pane = *panes[killed];
    ASSERT_TRUE(PumpUntil(
        [&] {
            return FirstSince(page + "/ran", killedAt) != Clock::time_point::max() &&
                   !pane.Busy() && pane.LocationURL() == server.Url(page);
        },
        20s))
        << "pane " << killed + 1 << " shows \"" << pane.LocationURL() << "\"";
    // Asked for by the first tick after the kill, which comes within an interval.
    EXPECT_LT(FirstSince(page, killedAt) - killedAt, 300ms + services.timings.paneWait);

    // The pane goes on reloading in its new process, and the other pane never stopped.
    const std::size_t ran = server.CountFor(page + "/ran");
    EXPECT_TRUE(PumpUntil([&] { return server.CountFor(page + "/ran") >= ran + 2; }));
    EXPECT_GE(server.CountFor(pages[1 - killed]), otherBefore + 2);
    EXPECT_EQ(ended.size(), 1u);
    EXPECT_TRUE(messages.shown.empty());
    CloseAllWindows();
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

}  // namespace
}  // namespace vantle::test
