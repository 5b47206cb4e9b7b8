// The Refresher window against a local server, with the first ticks and the wait shortened.
#include "refresher/frm_browser.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include <algorithm>
#include <set>
#include <utility>

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
const Link kOff{"", "1000", "0"};

class RefresherTest : public AppTest {
  protected:
    void WriteLinks(const Link& link1, const Link& link2, const std::string& allow = "0") {
        std::string ini = "[Links]\n";
        for (const auto& [n, link] : {std::pair{"1", &link1}, std::pair{"2", &link2}}) {
            ini += std::string("Link") + n + "=" + link->address + "\nLink" + n +
                   "Interval=" + link->interval + "\nLink" + n + "Active=" + link->active + "\n";
        }
        WriteIni(ini + "[Popups]\nAllow=" + allow + "\n");
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

    // A page that answers with a redirect to `to`.
    void ServeRedirect(const std::string& from, const std::string& to) {
        server.Serve(from, HttpServer::Page{"", "text/html", 0ms, to});
        server.Serve(to, "<p>landed</p>");
    }

    HttpServer server;
};

TEST_F(RefresherTest, ActivePanesLoadAtOnceAndAnUnchangedPageIsReloadedAtItsInterval) {
    // A long wait, so a tick that navigated and waited instead of reloading would show.
    services.timings.paneWait = 5s;
    server.Serve("/one", "<p>one</p>");
    server.Serve("/two", "<p>two</p>");
    WriteLinks({server.Url("/one"), "400", "1.0"}, {server.Url("/two"), "400", "2"});
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/one"));
    EXPECT_FALSE(window.Timer1.Enabled() || window.Timer2.Enabled());

    window.Command1_Click();
    EXPECT_FALSE(window.Command1->IsEnabled());
    EXPECT_TRUE(window.Command2->IsEnabled());
    EXPECT_TRUE(window.Timer1.Enabled());
    EXPECT_FALSE(window.Timer2.Enabled());
    // The first tick comes at the design-time interval, whatever the settings hold.
    EXPECT_EQ(window.Timer1.Interval(), services.timings.paneFirstTick1.count());

    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/one") >= 7; }));
    EXPECT_EQ(window.Timer1.Interval(), 400);
    // The load, the first tick's reload, then reloads at the configured interval.
    const Requests reloads = server.RequestsFor("/one");
    for (std::size_t i = 2; i < reloads.size(); ++i)
        EXPECT_LT(reloads[i].at - reloads[i - 1].at, 2s) << "reload " << i;
    const auto mean = (reloads.back().at - reloads[1].at) / static_cast<int>(reloads.size() - 2);
    EXPECT_GE(mean, 360ms);
    EXPECT_LE(mean, 700ms);
    EXPECT_EQ(server.CountFor("/two"), 0u) << "the inactive pane stays blank";
}

// A stored address the pane does not show after loading it: redirected, or a host without the
// closing "/" that the engine adds.
class RefresherReturnTest
    : public RefresherTest,
      public testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(RefresherReturnTest, IsNavigatedBackAtEveryTickAndWaitsWhileTheOtherPaneGoesOn) {
    const auto [stored, requested] = GetParam();
    ServeRedirect("/redirect", "/landing");
    server.Serve("/", "<p>home</p>");
    server.Serve("/two", "<p>two</p>");
    // Pane 1's timer ticks five times during each of its waits; those ticks must do nothing.
    WriteLinks({server.Url(stored), "200"}, {server.Url("/two"), "200"});
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
    EXPECT_EQ(window.Timer1.Interval(), 200);
}

INSTANTIATE_TEST_SUITE_P(Refresher, RefresherReturnTest,
                         testing::Values(std::pair{"/redirect", "/redirect"}, std::pair{"", "/"}),
                         [](const auto& info) {
                             return info.index == 0 ? "Redirect" : "BareHost";
                         });

TEST_F(RefresherTest, ATickThatFindsThePaneBusyChangesNothing) {
    server.Serve("/slow", HttpServer::Page{"<p>slow</p>", "text/html", 2500ms});
    WriteLinks({server.Url("/slow"), "5000"}, kOff);
    frmBrowser& window = Open();
    ASSERT_TRUE(
        PumpUntil([&] { return server.CountFor("/slow") == 1 && window.brwWebBrowser->Busy(); }));

    window.Command1_Click();
    for (int tick = 0; tick < 3; ++tick) window.Timer1_Timer();
    ASSERT_TRUE(window.brwWebBrowser->Busy());
    EXPECT_EQ(window.Timer1.Interval(), services.timings.paneFirstTick1.count());
    EXPECT_EQ(server.CountFor("/slow"), 1u);
    // Once the page is there, the next tick takes the stored interval.
    EXPECT_TRUE(PumpUntil([&] { return window.Timer1.Interval() == 5000; }));
}

TEST_F(RefresherTest, AddressAndIntervalAreReadAtEachIdleTickUncappedAndKeptWhenUnusable) {
    server.Serve("/one", "<p>one</p>");
    server.Serve("/two", "<p>two</p>");
    WriteLinks({server.Url("/one"), "300"}, kOff);
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

    const std::pair<const char*, int> cases[] = {
        {"2500.5", 2500}, {"600000", 600000}, {"abc", 600000}, {"2147483647", 2147483647}};
    for (const auto& [text, expected] : cases) {
        WriteLinks({server.Url("/two"), text}, kOff);
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

TEST_F(RefresherTest, NewWindowsOpenInTheDefaultBrowserOnlyWhenAllowIsOne) {
    // Asks for new windows three ways as it loads: a script opening an address that is not a
    // web address, a script opening a web address, and a target="_blank" link clicked.
    auto page = [&](const std::string& round) {
        return "<a id='link' href='" + server.Url("/from-link-" + round) +
               "' target='_blank'>link</a><script>window.open('about:blank');window.open('" +
               server.Url("/from-script-" + round) +
               "');document.getElementById('link').click();</script>";
    };
    WriteLinks(kOff, kOff);
    frmBrowser& window = Open();
    WebPane& pane = *window.brwWebBrowser2;
    // Refused with 0 and 2. The policy is read afresh at every request.
    for (const char* allow : {"0", "2", "1"}) {
        WriteLinks(kOff, kOff, allow);
        server.Serve(std::string("/popups-") + allow, page(allow));
        pane.Navigate(server.Url(std::string("/popups-") + allow));
        ASSERT_TRUE(Loaded(pane, std::string("/popups-") + allow));
    }
    ASSERT_TRUE(PumpUntil([&] { return programs.opened.size() >= 2; }));
    EXPECT_EQ(std::set<std::string>(programs.opened.begin(), programs.opened.end()),
              (std::set<std::string>{server.Url("/from-script-1"), server.Url("/from-link-1")}));
    EXPECT_EQ(programs.opened.size(), 2u);
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
    ServeRedirect("/redirect1", "/landing1");
    ServeRedirect("/redirect2", "/landing2");
    WriteLinks({server.Url("/redirect1"), "200"}, {server.Url("/redirect2"), "200"});
    frmMain& main = app().CreateMain();
    main.mnuFileNew_Click();
    frmBrowser& window = app().Refresher();
    ASSERT_TRUE(Loaded(*window.brwWebBrowser, "/landing1"));
    ASSERT_TRUE(Loaded(*window.brwWebBrowser2, "/landing2"));
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
    EXPECT_EQ(server.CountFor("/redirect1"), 2u);
    EXPECT_EQ(server.CountFor("/redirect2"), 2u);
}

INSTANTIATE_TEST_SUITE_P(Refresher, RefresherCloseTest, testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Exit" : "Stop"; });

}  // namespace
}  // namespace vantle::test
