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
#include <chrono>
#include <string>
#include <vector>

#include "memory/process_memory.h"
#include "platform/web_pane.h"
#include "refresher/frm_browser.h"
#include "support/app_fixture.h"
#include "support/http_server.h"

namespace vantle::test {
namespace {

using Clock = std::chrono::steady_clock;

// The engine's web processes started by this test program that are still running.
std::vector<pid_t> WebProcesses() {
    std::vector<pid_t> found;
    for (const bench::ChildProcess& child : bench::Descendants(getpid())) {
        if (child.name.rfind("WebKitWebProces", 0) == 0 && child.state != 'Z') {
            found.push_back(child.pid);
        }
    }
    return found;
}

// Which panes' views reported that their web process ended.
class Terminations {
  public:
    explicit Terminations(const std::array<WebPane*, 2>& panes) {
        for (std::size_t i = 0; i < panes.size(); ++i) {
            views_[i] = WEBKIT_WEB_VIEW(panes[i]->View()->GetNativeBackend());
            ends_[i].owner = this;
            ends_[i].pane = static_cast<int>(i);
            g_signal_connect(views_[i], "web-process-terminated", G_CALLBACK(OnTerminated),
                             &ends_[i]);
        }
    }
    ~Terminations() {
        for (std::size_t i = 0; i < views_.size(); ++i) {
            g_signal_handlers_disconnect_by_data(views_[i], &ends_[i]);
        }
    }
    Terminations(const Terminations&) = delete;
    Terminations& operator=(const Terminations&) = delete;

    std::vector<int> panes;  // in the order they were reported

  private:
    struct End {
        Terminations* owner;
        int pane;
    };
    static void OnTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, End* end) {
        end->owner->panes.push_back(end->pane);
    }

    std::array<WebKitWebView*, 2> views_{};
    std::array<End, 2> ends_{};
};

class WebProcessKillTest : public AppTest {
  protected:
    // Each page reports from inside the engine that it ran, not only that it was requested.
    void ServePage(const std::string& path) {
        server.Serve(path, "<html><body onload=\"new Image().src = '" + path + "/ran';\"><p>" +
                               path + "</p></body></html>");
    }
    std::size_t CountSince(const std::string& path, Clock::time_point since) const {
        const std::vector<HttpServer::Request> requests = server.RequestsFor(path);
        return std::count_if(requests.begin(), requests.end(),
                             [&](const HttpServer::Request& r) { return r.at >= since; });
    }
    bool Shows(const WebPane& pane, const std::string& path) const {
        return !pane.Busy() && pane.LocationURL() == server.Url(path);
    }

    HttpServer server;
};

TEST_F(WebProcessKillTest, AKilledPaneShowsItsPageAgainAtItsNextTickWhileTheOtherGoesOn) {
    // Long enough for a new web process to start inside the wait of the tick that asked for it,
    // so the page's return can be put down to that tick.
    services.timings.paneWait = 3s;
    const std::array<std::string, 2> pages = {"/one", "/two"};
    for (const std::string& page : pages) ServePage(page);
    WriteIni("[Links]\nLink1=" + server.Url(pages[0]) + "\nLink1Interval=300\nLink1Active=1\n" +
             "Link2=" + server.Url(pages[1]) + "\nLink2Interval=300\nLink2Active=1\n");
    frmBrowser& window = app().Refresher();
    app().ShowModeless(window);
    const std::array<WebPane*, 2> panes = {window.brwWebBrowser.get(), window.brwWebBrowser2.get()};
    const std::array<PaneTimer*, 2> timers = {&window.Timer1, &window.Timer2};
    ASSERT_TRUE(PumpUntil([&] {
        return Shows(*panes[0], pages[0]) && Shows(*panes[1], pages[1]) &&
               server.CountFor(pages[0] + "/ran") > 0 && server.CountFor(pages[1] + "/ran") > 0;
    }));
    window.Command1_Click();
    ASSERT_TRUE(PumpUntil(
        [&] { return server.CountFor(pages[0]) >= 3 && server.CountFor(pages[1]) >= 3; }));

    std::array<std::vector<Clock::time_point>, 2> ticks;
    for (std::size_t i = 0; i < timers.size(); ++i) {
        window.Bind(
            wxEVT_TIMER,
            [&ticks, i](wxTimerEvent& event) {
                ticks[i].push_back(Clock::now());
                event.Skip();
            },
            timers[i]->GetId());
    }

    {
        Terminations ends(panes);
        // Each pane has a process of its own; the engine may also hold one in reserve, whose
        // end no pane reports, so the next one is tried then.
        const std::vector<pid_t> processes = WebProcesses();
        ASSERT_FALSE(processes.empty());
        Clock::time_point killedAt{};
        for (pid_t pid : processes) {
            killedAt = Clock::now();
            ASSERT_EQ(kill(pid, SIGKILL), 0);
            if (PumpUntil([&] { return !ends.panes.empty(); }, 10s)) break;
        }
        ASSERT_EQ(ends.panes.size(), 1u) << "one pane, and only one, lost its web process";
        const int killed = ends.panes.front();
        const int other = 1 - killed;
        const std::string& page = pages[killed];
        const std::size_t otherBefore = server.CountFor(pages[other]);

        // A new process loads the page and runs it, and the pane reports the address again.
        ASSERT_TRUE(PumpUntil(
            [&] { return CountSince(page + "/ran", killedAt) > 0 && Shows(*panes[killed], page); },
            20s))
            << "pane " << killed + 1 << " shows \"" << panes[killed]->LocationURL() << "\"";
        // Asked for by the first tick after the kill.
        const auto tick = std::find_if(ticks[killed].begin(), ticks[killed].end(),
                                       [&](Clock::time_point at) { return at >= killedAt; });
        ASSERT_NE(tick, ticks[killed].end());
        const std::vector<HttpServer::Request> requests = server.RequestsFor(page);
        const auto back =
            std::find_if(requests.begin(), requests.end(),
                         [&](const HttpServer::Request& r) { return r.at >= killedAt; });
        ASSERT_NE(back, requests.end());
        EXPECT_GE(back->at, *tick);
        EXPECT_LT(back->at, *tick + services.timings.paneWait);

        // The pane goes on reloading in its new process, and the other pane never stopped.
        const std::size_t ran = server.CountFor(page + "/ran");
        EXPECT_TRUE(PumpUntil([&] { return server.CountFor(page + "/ran") >= ran + 2; }));
        EXPECT_GE(server.CountFor(pages[other]), otherBefore + 2);
        EXPECT_EQ(ends.panes.size(), 1u);
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(window.Timer1.Enabled());
    EXPECT_TRUE(window.Timer2.Enabled());

    // And the program still closes.
    CloseAllWindows();
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

}  // namespace
}  // namespace vantle::test
