// The Refresher window against a local server, with the first ticks and the wait shortened.
#include "refresher/frm_browser.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <algorithm>
#include <utility>

#include "platform/web_pane.h"
#include "refresher/form1.h"
#include "shell/frm_main.h"
#include "support/app_fixture.h"
#include "support/http_server.h"

namespace vantle::test {
namespace {

using Requests = std::vector<HttpServer::Request>;

class RefresherTest : public AppTest {
  protected:
    // One pane's three settings; a pane left out is inactive.
    static std::string Pane(int n, const std::string& address, const std::string& interval,
                            const std::string& active = "1") {
        const std::string key = "\nLink" + std::to_string(n);
        return key + "=" + address + key + "Interval=" + interval + key + "Active=" + active;
    }
    void WriteLinks(const std::string& panes, const std::string& allow = "0") {
        WriteIni("[Links]" + panes + "\n[Popups]\nAllow=" + allow + "\n");
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
    void Redirect(const std::string& from, const std::string& to) {
        server.Serve(from, HttpServer::Page{"", "text/html", 0ms, to});
    }

    HttpServer server;
};

TEST_F(RefresherTest, ActivePanesLoadAtOnceAndAnUnchangedPageIsReloadedAtItsInterval) {
    // A long wait, so a tick that navigated and waited instead of reloading would show.
    services.timings.paneWait = 5s;
    server.Serve("/one", "<p>one</p>");
    WriteLinks(Pane(1, server.Url("/one"), "400", "1.0") + Pane(2, server.Url("/two"), "400", "2"));
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/one"));
    EXPECT_FALSE(window.Timer1.Enabled() || window.Timer2.Enabled());

    window.Command1_Click();
    EXPECT_EQ((std::vector<bool>{window.Command1->IsEnabled(), window.Command2->IsEnabled(),
                                 window.Timer1.Enabled(), window.Timer2.Enabled()}),
              (std::vector<bool>{false, true, true, false}));
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/one") >= 7; }));
    // The load, the first tick's reload, then reloads at the configured interval.
    const Requests reloads = server.RequestsFor("/one");
    const auto mean = (reloads.back().at - reloads[1].at) / static_cast<int>(reloads.size() - 2);
    EXPECT_TRUE(mean >= 360ms && mean <= 700ms) << (mean / 1ms) << " ms";
    EXPECT_EQ(server.CountFor("/two"), 0u) << "the inactive pane stays blank";
}

// A stored address the pane does not show after loading it: redirected, or a host without the
// closing "/" that the engine adds.
class RefresherReturnTest
    : public RefresherTest,
      public testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(RefresherReturnTest, IsNavigatedBackAtEveryTickAndWaitsWhileTheOtherPaneGoesOn) {
    const auto [stored, requested] = GetParam();
    Redirect("/redirect", "/landing");
    server.Serve("/", "<p>home</p>");
    // Pane 1's timer ticks five times during each of its waits; those ticks must do nothing.
    WriteLinks(Pane(1, server.Url(stored), "200") + Pane(2, server.Url("/two"), "200"));
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, requested));
    window.Command1_Click();

    ASSERT_TRUE(PumpUntil([&] { return server.CountFor(requested) >= 4; }, 20s));
    const Requests navigations = server.RequestsFor(requested);
    const Requests reloads = server.RequestsFor("/two");
    for (std::size_t i = 2; i < navigations.size(); ++i) {
        EXPECT_GE(navigations[i].at - navigations[i - 1].at, 900ms) << "navigation " << i;
        auto during = [&](const auto& r) {
            return r.at > navigations[i - 1].at && r.at < navigations[i].at;
        };
        EXPECT_GE(std::count_if(reloads.begin(), reloads.end(), during), 2) << "wait " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Refresher, RefresherReturnTest,
                         testing::Values(std::pair{"/redirect", "/redirect"}, std::pair{"", "/"}));

TEST_F(RefresherTest, SettingsAreReadAtEachIdleTickOnlyUncappedAndKeptWhenUnusable) {
    server.Serve("/slow", HttpServer::Page{"<p>slow</p>", "text/html", 1500ms});
    server.Serve("/two", "<p>two</p>");
    WriteLinks(Pane(1, server.Url("/slow"), "350") + Pane(2, "", "1000", "0"));
    frmBrowser& window = Open();
    ASSERT_TRUE(
        PumpUntil([&] { return server.CountFor("/slow") == 1 && window.brwWebBrowser->Busy(); }));
    // A tick that finds the pane busy changes nothing, not even the interval.
    window.Command1_Click();
    for (int tick = 0; tick < 3; ++tick) window.Timer1_Timer();
    ASSERT_TRUE(window.brwWebBrowser->Busy());
    // Still the first tick's design-time interval, whatever the settings hold.
    EXPECT_EQ(window.Timer1.Interval(), services.timings.paneFirstTick1.count());
    EXPECT_EQ(server.CountFor("/slow"), 1u);
    ASSERT_TRUE(PumpUntil([&] { return window.Timer1.Interval() == 350; }));

    // Saved while the window runs: navigated to (it differs from the page shown), then reloaded.
    Form1& dialog = app().RefresherConfig();
    app().ShowModeless(dialog);
    dialog.Text1->ChangeValue(server.Url("/two"));
    dialog.Text3->ChangeValue("450");
    dialog.Command1_Click();
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/two") >= 2; }));
    EXPECT_EQ(window.Timer1.Interval(), 450);

    const std::pair<const char*, int> cases[] = {
        {"600000", 600000}, {"abc", 600000}, {"2147483647", 2147483647}};
    for (const auto& [text, expected] : cases) {
        WriteLinks(Pane(1, server.Url("/two"), text));
        ASSERT_TRUE(PumpUntil([&] { return !window.brwWebBrowser->Busy(); }));
        window.Timer1_Timer();
        EXPECT_EQ(window.Timer1.Interval(), expected) << text;
    }
    // The timer itself sleeps that long: no 65,535 ms cap anywhere.
    EXPECT_GT(window.Timer1.GetInterval(), 65535);
    EXPECT_TRUE(window.Timer1.Enabled());
}

TEST_F(RefresherTest, NewWindowsOpenInTheDefaultBrowserOnlyWhenAllowIsOne) {
    // Asks for new windows three ways as it loads: a script opening an address that is not a
    // web address, a script opening a web address, and a target="_blank" link clicked.
    WebPane& pane = *Open().brwWebBrowser2;
    // Refused with 0 and 2. The policy is read afresh at every request.
    for (const std::string allow : {"0", "2", "1"}) {
        WriteLinks("", allow);
        server.Serve("/popups-" + allow,
                     "<a id='link' href='" + server.Url("/from-link-" + allow) +
                         "' target='_blank'>link</a><script>window.open('about:blank');"
                         "window.open('" +
                         server.Url("/from-script-" + allow) +
                         "');document.getElementById('link').click();</script>");
        pane.Navigate(server.Url("/popups-" + allow));
        ASSERT_TRUE(Loaded(pane, "/popups-" + allow));
    }
    ASSERT_TRUE(PumpUntil([&] { return programs.opened.size() >= 2; }));
    std::sort(programs.opened.begin(), programs.opened.end());
    EXPECT_EQ(programs.opened,
              (std::vector{server.Url("/from-link-1"), server.Url("/from-script-1")}));
    // The pane opened nothing of its own.
    for (const auto& request : server.Requests())
        EXPECT_EQ(request.path.rfind("/from-", 0), std::string::npos) << request.path;
}

// Stop, or the main window's Exit, while pane 2's tick waits and pane 1's tick waits inside it:
// the window goes at once, and the ticks touch nothing of it when their waits end.
class RefresherCloseTest : public RefresherTest, public testing::WithParamInterface<bool> {};

TEST_P(RefresherCloseTest, DuringNestedWaitsClosesAtOnce) {
    const bool exit = GetParam();
    services.timings.paneWait = 60s;
    Redirect("/redirect1", "/landing1");
    Redirect("/redirect2", "/landing2");
    WriteLinks(Pane(1, server.Url("/redirect1"), "200") + Pane(2, server.Url("/redirect2"), "200"));
    frmMain& main = app().CreateMain();
    main.mnuFileNew_Click();
    frmBrowser& window = app().Refresher();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/landing1") &&
                Loaded(*window.brwWebBrowser2, "/landing2"));
    wxWeakRef<frmBrowser> alive(&window);
    window.Command1_Click();

    // A timer, to act from inside whatever event loop runs once both ticks are in their waits.
    bool hiddenAtOnce = false;
    wxTimer close;
    close.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (server.CountFor("/redirect1") < 2 || server.CountFor("/redirect2") < 2) return;
        close.Stop();
        exit ? main.mnuFileExit_Click() : window.Command2_Click();
        hiddenAtOnce = !window.IsShown() && window.IsClosing();
    });
    close.Start(10);
    ASSERT_TRUE(PumpUntil([&] { return !alive; }, 20s));
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_TRUE(PumpUntil([&] { return wxTopLevelWindows.size() == (exit ? 0u : 1u); }));
    // Each tick navigated once, before its wait; none after.
    EXPECT_EQ(server.CountFor("/redirect1") + server.CountFor("/redirect2"), 4u);
}

INSTANTIATE_TEST_SUITE_P(Refresher, RefresherCloseTest, testing::Values(false, true));

}  // namespace
}  // namespace vantle::test
