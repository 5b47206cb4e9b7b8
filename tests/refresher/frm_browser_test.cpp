// The Refresher window against a local server, with the first ticks and the wait shortened.
#include "refresher/frm_browser.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <set>

#include "platform/web_pane.h"
#include "refresher/form1.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"
#include "support/http_server.h"

namespace vantle::test {
namespace {

using Requests = std::vector<HttpServer::Request>;

struct Link {
    std::string address;
    std::string interval = "1000";
    std::string active = "1";
};

std::chrono::milliseconds Gap(const HttpServer::Request& earlier,
                              const HttpServer::Request& later) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(later.at - earlier.at);
}

// Runs `action` once, from inside whatever event loop is running when `ready` first holds: the
// way to act while a pane's tick is inside its wait.
class WhenReady : public wxTimer {
  public:
    WhenReady(std::function<bool()> ready, std::function<void()> action)
        : ready_(std::move(ready)), action_(std::move(action)) {
        Start(10);
    }
    void Notify() override {
        if (!ready_()) return;
        Stop();
        action_();
    }

  private:
    std::function<bool()> ready_;
    std::function<void()> action_;
};

class RefresherTest : public AppTest {
  protected:
    void WriteLinks(const Link& link1, const Link& link2, const std::string& allow = "0") {
        WriteIni("[Links]\nLink1=" + link1.address + "\nLink1Interval=" + link1.interval +
                 "\nLink1Active=" + link1.active + "\nLink2=" + link2.address +
                 "\nLink2Interval=" + link2.interval + "\nLink2Active=" + link2.active +
                 "\n[Popups]\nAllow=" + allow + "\n");
    }

    frmBrowser& Open() {
        frmBrowser& window = app().Refresher();
        app().ShowModeless(window);
        return window;
    }

    // Until the pane has loaded `path` and is idle.
    bool Loaded(WebPane& pane, const std::string& path) {
        return PumpUntil([&] { return server.CountFor(path) > 0 && !pane.Busy(); });
    }

    HttpServer server;
};

TEST_F(RefresherTest, ActivePanesLoadAtOnceAndStartRunsOnlyTheirTimers) {
    server.Serve("/one", "<p>one</p>");
    server.Serve("/two", "<p>two</p>");
    WriteLinks({server.Url("/one"), "1000", "1.0"}, {server.Url("/two"), "1000", "2"});
    frmBrowser& window = Open();

    EXPECT_EQ(window.GetTitle(), "Vantle Surfer Window");
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/one"));
    EXPECT_EQ(window.brwWebBrowser->LocationURL(), server.Url("/one"));
    EXPECT_TRUE(window.Command1->IsEnabled());
    EXPECT_TRUE(window.Command2->IsEnabled());
    EXPECT_FALSE(window.Timer1.Enabled());
    EXPECT_FALSE(window.Timer2.Enabled());

    window.Command1_Click();
    EXPECT_FALSE(window.Command1->IsEnabled());
    EXPECT_TRUE(window.Command2->IsEnabled());
    EXPECT_TRUE(window.Timer1.Enabled());
    EXPECT_FALSE(window.Timer2.Enabled());
    // The first tick comes at the design-time interval, whatever the settings hold.
    EXPECT_EQ(window.Timer1.Interval(), services.timings.paneFirstTick1.count());

    // Pane 1 ticks on; pane 2 stays blank.
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/one") >= 3; }));
    EXPECT_EQ(server.CountFor("/two"), 0u);
    EXPECT_NE(window.brwWebBrowser2->LocationURL(), server.Url("/two"));
}

TEST_F(RefresherTest, AnUnchangedPageIsReloadedAtTheConfiguredInterval) {
    // A long wait, so a tick that navigated and waited instead of reloading would show.
    services.timings.paneWait = 5s;
    server.Serve("/one", "<p>one</p>");
    WriteLinks({server.Url("/one"), "400"}, {server.Url("/two"), "400", "0"});
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/one"));
    window.Command1_Click();

    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/one") >= 7; }));
    EXPECT_EQ(window.Timer1.Interval(), 400);
    // The load, the first tick's reload, then reloads at the configured interval.
    const Requests reloads = server.RequestsFor("/one");
    std::vector<double> gaps;
    for (std::size_t i = 2; i < reloads.size(); ++i) {
        gaps.push_back(Gap(reloads[i - 1], reloads[i]).count());
        EXPECT_LT(gaps.back(), 2000) << "reload " << i;
    }
    const double mean = std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size();
    EXPECT_GE(mean, 360);
    EXPECT_LE(mean, 700);
    EXPECT_EQ(window.brwWebBrowser->LocationURL(), server.Url("/one"));
}

TEST_F(RefresherTest, ARedirectedPaneIsNavigatedBackAndWaitsWhileTheOtherPaneGoesOn) {
    server.Serve("/redirect", HttpServer::Page{"", "text/html", 0ms, "/landing"});
    server.Serve("/landing", "<p>landing</p>");
    server.Serve("/two", "<p>two</p>");
    // Pane 1's timer ticks five times during each of its waits; those ticks must do nothing.
    WriteLinks({server.Url("/redirect"), "200"}, {server.Url("/two"), "200"});
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/landing"));
    EXPECT_EQ(window.brwWebBrowser->LocationURL(), server.Url("/landing"));
    window.Command1_Click();

    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/redirect") >= 4; }, 20s));
    const Requests navigations = server.RequestsFor("/redirect");
    const Requests reloads = server.RequestsFor("/two");
    for (std::size_t i = 2; i < navigations.size(); ++i) {
        EXPECT_GE(Gap(navigations[i - 1], navigations[i]), 900ms) << "navigation " << i;
        const auto during = std::count_if(reloads.begin(), reloads.end(), [&](const auto& r) {
            return r.at > navigations[i - 1].at && r.at < navigations[i].at;
        });
        EXPECT_GE(during, 2) << "pane 2 reloads during pane 1's wait " << i;
    }
    EXPECT_EQ(window.Timer1.Interval(), 200);
}

TEST_F(RefresherTest, AStoredHostWithoutTheClosingSlashIsNavigatedAtEveryTick) {
    server.Serve("/", "<p>home</p>");
    const std::string bare = server.Url("");
    WriteLinks({bare, "200"}, {"", "200", "0"});
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/"));
    EXPECT_EQ(window.brwWebBrowser->LocationURL(), bare + "/");
    window.Command1_Click();

    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/") >= 4; }, 20s));
    const Requests navigations = server.RequestsFor("/");
    for (std::size_t i = 2; i < navigations.size(); ++i) {
        EXPECT_GE(Gap(navigations[i - 1], navigations[i]), 900ms) << "navigation " << i;
    }
}

TEST_F(RefresherTest, ATickThatFindsThePaneBusyChangesNothing) {
    server.Serve("/slow", HttpServer::Page{"<p>slow</p>", "text/html", 2500ms});
    WriteLinks({server.Url("/slow"), "5000"}, {"", "1000", "0"});
    frmBrowser& window = Open();
    ASSERT_TRUE(PumpUntil([&] { return window.brwWebBrowser->Busy(); }));

    int ticks = 0;
    auto countTick = [&](wxTimerEvent& event) {
        ++ticks;
        event.Skip();
    };
    window.Bind(wxEVT_TIMER, countTick, window.Timer1.GetId());
    window.Command1_Click();
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    ASSERT_TRUE(window.brwWebBrowser->Busy());
    EXPECT_EQ(window.Timer1.Interval(), services.timings.paneFirstTick1.count());
    EXPECT_EQ(server.CountFor("/slow"), 1u);

    // Once the page is there, the next tick takes the stored interval.
    ASSERT_TRUE(PumpUntil([&] { return window.Timer1.Interval() == 5000; }, 10s));
}

TEST_F(RefresherTest, TheIntervalIsReadAtEachIdleTickUncappedAndKeptWhenUnusable) {
    server.Serve("/one", "<p>one</p>");
    WriteLinks({server.Url("/one"), "1000"}, {"", "1000", "0"});
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/one"));
    window.Command1_Click();

    const std::pair<const char*, int> cases[] = {
        {"2500.5", 2500}, {"600000", 600000}, {"abc", 600000}, {"2147483647", 2147483647}};
    for (const auto& [text, expected] : cases) {
        WriteLinks({server.Url("/one"), text}, {"", "1000", "0"});
        ASSERT_TRUE(PumpUntil([&] { return !window.brwWebBrowser->Busy(); }));
        window.Timer1_Timer();
        EXPECT_EQ(window.Timer1.Interval(), expected) << text;
        // The timer itself sleeps that long: no 65,535 ms cap anywhere.
        if (expected > 65535) {
            EXPECT_GT(window.Timer1.GetInterval(), 65535) << text;
        }
        EXPECT_TRUE(window.Timer1.Enabled());
    }
}

TEST_F(RefresherTest, ADialogSaveReachesTheRunningPaneAtItsNextIdleTick) {
    server.Serve("/one", "<p>one</p>");
    server.Serve("/two", "<p>two</p>");
    WriteLinks({server.Url("/one"), "300"}, {"", "1000", "0"});
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/one"));
    window.Command1_Click();
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/one") >= 3; }));

    Form1& dialog = app().RefresherConfig();
    app().ShowModeless(dialog);
    dialog.Text1->ChangeValue(server.Url("/two"));
    dialog.Text3->ChangeValue("450");
    dialog.Command1_Click();

    // Navigated to the new address (it differs from the page shown), then reloaded there.
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/two") >= 2; }));
    EXPECT_EQ(window.Timer1.Interval(), 450);
    EXPECT_EQ(window.brwWebBrowser->LocationURL(), server.Url("/two"));
}

// A page that asks for new windows three ways as it loads: a script opening an address that is
// not a web address, a script opening a web address, and a target="_blank" link clicked.
std::string PopupPage(const HttpServer& server, const std::string& round) {
    return "<html><body><a id='link' href='" + server.Url("/from-link-" + round) +
           "' target='_blank'>link</a><script>"
           "window.open('about:blank');"
           "window.open('" +
           server.Url("/from-script-" + round) +
           "');"
           "document.getElementById('link').click();"
           "</script></body></html>";
}

TEST_F(RefresherTest, NewWindowsOpenInTheDefaultBrowserOnlyWhenAllowIsOne) {
    for (const char* round : {"0", "2", "1"})
        server.Serve(std::string("/popups-") + round, PopupPage(server, round));
    WriteLinks({"", "1000", "0"}, {server.Url("/popups-0"), "1000", "1"}, "0");
    frmBrowser& window = Open();
    WebPane& pane = *window.brwWebBrowser2;
    ASSERT_TRUE(Loaded(pane, "/popups-0"));

    // Refused with 2 as with 0. The policy is read afresh at every request.
    WriteLinks({"", "1000", "0"}, {"", "1000", "0"}, "2");
    pane.Navigate(server.Url("/popups-2"));
    ASSERT_TRUE(Loaded(pane, "/popups-2"));

    WriteLinks({"", "1000", "0"}, {"", "1000", "0"}, "1");
    pane.Navigate(server.Url("/popups-1"));
    ASSERT_TRUE(Loaded(pane, "/popups-1"));
    ASSERT_TRUE(PumpUntil([&] { return programs.opened.size() >= 2; }));

    // Only this round's two web addresses; the earlier rounds' requests were all refused.
    EXPECT_EQ(std::set<std::string>(programs.opened.begin(), programs.opened.end()),
              (std::set<std::string>{server.Url("/from-script-1"), server.Url("/from-link-1")}));
    EXPECT_EQ(programs.opened.size(), 2u);
    // The pane opened nothing of its own.
    for (const char* path : {"/from-script-0", "/from-link-0", "/from-script-2", "/from-link-2",
                             "/from-script-1", "/from-link-1"}) {
        EXPECT_EQ(server.CountFor(path), 0u) << path;
    }
}

TEST_F(RefresherTest, StopDuringAWaitClosesTheWindowAtOnce) {
    services.timings.paneWait = 60s;
    server.Serve("/redirect", HttpServer::Page{"", "text/html", 0ms, "/landing"});
    server.Serve("/landing", "<p>landing</p>");
    WriteLinks({server.Url("/redirect"), "200"}, {"", "1000", "0"});
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/landing"));
    wxWeakRef<frmBrowser> alive(&window);
    window.Command1_Click();

    // The first tick navigates and is then inside its wait.
    bool hiddenAtOnce = false;
    WhenReady stop([&] { return server.CountFor("/redirect") >= 2; },
                   [&] {
                       window.Command2_Click();
                       hiddenAtOnce = !window.IsShown() && window.IsClosing();
                   });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return !alive; }, 20s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_TRUE(app().LoadedWindows().empty());
    EXPECT_EQ(server.CountFor("/redirect"), 2u);
}

TEST_F(RefresherTest, ClosingTheMainWindowEndsNestedWaitsAtOnce) {
    services.timings.paneWait = 60s;
    for (const char* n : {"1", "2"}) {
        server.Serve(std::string("/redirect") + n,
                     HttpServer::Page{"", "text/html", 0ms, std::string("/landing") + n});
        server.Serve(std::string("/landing") + n, "<p>landing</p>");
    }
    WriteLinks({server.Url("/redirect1"), "200"}, {server.Url("/redirect2"), "200"});
    frmMain& main = app().CreateMain();
    main.mnuFileNew_Click();
    frmBrowser& window = app().Refresher();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/landing1"));
    ASSERT_TRUE(Loaded(*window.brwWebBrowser2, "/landing2"));
    window.Command1_Click();

    // Pane 2 ticks first and waits; pane 1's tick comes inside that wait and waits too.
    WhenReady exit(
        [&] { return server.CountFor("/redirect1") >= 2 && server.CountFor("/redirect2") >= 2; },
        [&] { main.mnuFileExit_Click(); });
    ASSERT_TRUE(PumpUntil([] { return wxTopLevelWindows.empty(); }, 20s));
    EXPECT_EQ(server.CountFor("/redirect1"), 2u);
    EXPECT_EQ(server.CountFor("/redirect2"), 2u);
}

TEST_F(RefresherTest, WaitReturnsAfterItsTimeWithEventsFlowing) {
    WriteLinks({"", "1000", "0"}, {"", "1000", "0"});
    frmBrowser& window = Open();
    int events = 0;
    wxTimer beat;
    beat.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { ++events; });
    beat.Start(50);
    const auto start = std::chrono::steady_clock::now();
    window.Wait(1);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 1s);
    EXPECT_LT(took, 3s);
    EXPECT_GE(events, 5);

    const auto before = std::chrono::steady_clock::now();
    window.Wait(0);
    window.Wait(-5);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
}

}  // namespace
}  // namespace vantle::test
