// The Refresher window against a local server, with the first ticks and the wait shortened.
#include "refresher/frm_browser.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <algorithm>
#include <filesystem>

#include "refresher/form1.h"
#include "refresher_fixture.h"
#include "shell/frm_main.h"
#include "support/page_script.h"

namespace vantle::test {
namespace {

using Requests = std::vector<HttpServer::Request>;

TEST_F(RefresherTest, ActivePanesLoadAtOnceAndAnUnchangedPageIsReloadedAtItsInterval) {
    // A long wait, so a tick that navigated and waited instead of reloading would show.
    services.timings.paneWait = 5s;
    server.Serve("/one", "<p>one</p>");
    Store(Link::First, server.Url("/one"), "400", "1.0");
    Store(Link::Second, server.Url("/two"), "400", "2");
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(TestAccess::brwWebBrowser(window), "/one"));
    EXPECT_FALSE(TestAccess::Timer1(window).Enabled() || TestAccess::Timer2(window).Enabled());

    window.Command1_Click();
    EXPECT_EQ((std::vector<bool>{Find<wxButton>(window, "Command1")->IsEnabled(),
                                 Find<wxButton>(window, "Command2")->IsEnabled(),
                                 TestAccess::Timer1(window).Enabled(),
                                 TestAccess::Timer2(window).Enabled()}),
              (std::vector<bool>{false, true, true, false}));
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/one") >= 7; }));
    // The load, the first tick's reload, then reloads at the configured interval: never faster,
    // and a reload skipped now and then on a busy machine does not double the period.
    const Requests reloads = server.RequestsFor("/one");
    const auto mean = (reloads.back().at - reloads[1].at) / static_cast<int>(reloads.size() - 2);
    EXPECT_TRUE(mean >= 360ms && mean < 800ms) << (mean / 1ms) << " ms";
    EXPECT_EQ(server.CountFor("/two"), 0u) << "the inactive pane stays blank";
}

// A person types into pane 1's form with real clicks and keys while the pane reloads every
// second. With a pause time its ticks do nothing until the pause has passed since the last key,
// so the text survives while pane 2 goes on; the first tick after it reloads as ever. With the
// pause off, the next reload wipes the text, as it always did.
class RefresherPauseTest : public RefresherTest, public testing::WithParamInterface<int> {};

TEST_P(RefresherPauseTest, TypingInAPaneHoldsItsTicksForThePauseTimeOnly) {
    const std::chrono::seconds pause(GetParam());
    // Every page loaded reports itself once its script has run.
    server.Serve("/form",
                 "<input id='field' autocomplete='off' style='width:300px;height:60px'>"
                 "<script>new Image().src = '/ready';</script>");
    server.Serve("/ready", "");
    server.Serve("/two", "<p>two</p>");
    Store(Link::First, server.Url("/form"), "1000");
    Store(Link::Second, server.Url("/two"), "500");
    Settings().SetPauseTime(std::to_string(pause.count()));
    frmBrowser& window = Open();
    WebPane& pane = TestAccess::brwWebBrowser(window);
    PaneTimer& timer = TestAccess::Timer1(window);
    std::size_t reloads = 0;  // pane 1's ticks that reach an idle pane nobody is using
    window.Bind(
        wxEVT_TIMER,
        [&](wxTimerEvent& event) {
            reloads += !pane.Busy() && !window.IsPaneHeld(Link::First);
            event.Skip();
        },
        timer.GetId());
    ASSERT_TRUE(Loaded(pane, "/form"));
    window.Command1_Click();
    ASSERT_TRUE(PumpUntil([&] { return reloads > 0; }));
    auto script = [&](const char* text) { return RunScript(pane.Web(), text).value_or("?"); };
    auto value = [&] { return script("document.getElementById('field').value"); };

    // With the pause off nothing would keep a reload from wiping the text before it is read: the
    // timer is held meanwhile. The field is clicked (again, if a reload sent before the click
    // replaced the page) once every reload sent has loaded.
    if (pause == 0s) timer.SetEnabled(false);
    wxUIActionSimulator person;
    ASSERT_TRUE(PumpUntil([&] {
        if (server.CountFor("/ready") != reloads + 1 || pane.Busy()) return false;
        if (script("document.activeElement.id") == "field") return true;
        person.MouseMove(pane.View()->ClientToScreen(wxPoint(100, 20)));
        person.MouseClick();
        return false;
    }));
    const auto typed = std::chrono::steady_clock::now();  // before every key
    const std::size_t loadsBefore = server.CountFor("/ready");
    person.Text("typed");
    // Once the last key is in. The engine now and then drops a key typed just after the click;
    // what matters is that what was typed stays.
    ASSERT_TRUE(PumpUntil([&] { return value().ends_with("ped"); })) << value();
    const std::string text = value();
    if (pause == 0s) {
        timer.SetEnabled(true);
    } else {
        EXPECT_TRUE(window.IsPaneHeld(Link::First) && !window.IsPaneHeld(Link::Second));
        ASSERT_TRUE(PumpUntil([&] { return !window.IsPaneHeld(Link::First); }, pause + 10s));
        EXPECT_EQ(value(), text);
        // Not one reload during the pause; pane 2 reloaded on its cadence meanwhile.
        ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/form") > loadsBefore; }));
        EXPECT_GE(server.RequestsFor("/form")[loadsBefore].at, typed + pause);
        const Requests two = server.RequestsFor("/two");
        EXPECT_GE(
            std::count_if(two.begin(), two.end(),
                          [&](const auto& r) { return r.at > typed && r.at < typed + pause; }),
            pause / 1s);
    }
    // The next reload is today's: a new page, an empty field.
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/ready") > loadsBefore && !pane.Busy(); }));
    EXPECT_EQ(value(), "");
}

INSTANTIATE_TEST_SUITE_P(Refresher, RefresherPauseTest, testing::Values(3, 0),
                         [](const auto& info) { return info.param ? "Pause3s" : "PauseOff"; });

TEST_F(RefresherTest, PanesAnswerScriptDialogsThemselves) {
    // A dialog left to the engine would hold the script, and the page, until someone answers.
    for (const char* page : {"/one", "/two"}) {
        server.Serve(page, std::string("<script>alert('a');new Image().src='") + page +
                               "-' + confirm('c');</script>");
    }
    Store(Link::First, server.Url("/one"), "60000");
    Store(Link::Second, server.Url("/two"), "60000");
    Open();
    EXPECT_TRUE(PumpUntil(
        [&] { return server.CountFor("/one-false") == 1 && server.CountFor("/two-false") == 1; }));
}

// A stored address the pane does not show after loading it: redirected, or a host without the
// closing "/" that the engine adds. Every tick that finds the pane idle navigates back and waits,
// the other pane going on meanwhile; the pane's own ticks during its wait do nothing.
struct ReturnCase {
    const char* name;
    const char* stored;
    const char* requested;
};
void PrintTo(const ReturnCase& c, std::ostream* os) { *os << c.name; }
class RefresherReturnTest : public RefresherTest, public testing::WithParamInterface<ReturnCase> {};

TEST_P(RefresherReturnTest, IsNavigatedBackAtEveryIdleTickAndWaitsWhileTheOtherPaneGoesOn) {
    server.Serve("/redirect", HttpServer::Page{.redirectTo = "/landing"});
    server.Serve("/", "<p>home</p>");
    Store(Link::First, server.Url(GetParam().stored), "200");
    Store(Link::Second, server.Url("/two"), "200");
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(TestAccess::brwWebBrowser(window), GetParam().requested));

    // Pane 1's ticks, timed from outside: a tick that finds its pane idle must navigate and
    // wait, and pane 2's ticks must run during that wait.
    struct Tick {
        std::chrono::steady_clock::duration took;
        int otherTicks = 0;
    };
    std::vector<Tick> waited;
    bool inTick = false;
    int otherTicks = 0;
    window.Bind(
        wxEVT_TIMER,
        [&](wxTimerEvent&) {
            if (inTick || TestAccess::brwWebBrowser(window).Busy()) return window.Timer1_Timer();
            inTick = true;
            otherTicks = 0;
            const auto start = std::chrono::steady_clock::now();
            window.Timer1_Timer();
            waited.push_back({std::chrono::steady_clock::now() - start, otherTicks});
            inTick = false;
            if (waited.size() == 3) TestAccess::Timer1(window).SetEnabled(false);
        },
        TestAccess::Timer1(window).GetId());
    window.Bind(
        wxEVT_TIMER,
        [&](wxTimerEvent& event) {
            otherTicks += inTick;
            event.Skip();
        },
        TestAccess::Timer2(window).GetId());
    window.Command1_Click();

    ASSERT_TRUE(PumpUntil([&] { return waited.size() == 3; }, 20s));
    for (const Tick& tick : waited) {
        SCOPED_TRACE(testing::Message() << "tick " << &tick - waited.data() + 1);
        EXPECT_GE(tick.took, services.timings.paneWait);
        EXPECT_GE(tick.otherTicks, 1);
    }
    // The load, then one navigation per idle tick: none from the ticks during the waits.
    ASSERT_TRUE(PumpUntil([&] { return !TestAccess::brwWebBrowser(window).Busy(); }));
    EXPECT_EQ(server.CountFor(GetParam().requested), 4u);
}

INSTANTIATE_TEST_SUITE_P(Refresher, RefresherReturnTest,
                         testing::Values(ReturnCase{"Redirected", "/redirect", "/redirect"},
                                         ReturnCase{"HostWithoutSlash", "", "/"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RefresherTest, SettingsAreReadAtEachIdleTickOnlyUncappedAndKeptWhenUnusable) {
    server.Serve("/slow", HttpServer::Page{"<p>slow</p>", "text/html", 1500ms});
    server.Serve("/two", "<p>two</p>");
    Store(Link::First, server.Url("/slow"), "350");
    Store(Link::Second, "", "1000", "0");  // the dialog saves only valid intervals
    frmBrowser& window = Open();
    ASSERT_TRUE(PumpUntil(
        [&] { return server.CountFor("/slow") == 1 && TestAccess::brwWebBrowser(window).Busy(); }));
    // A tick that finds the pane busy changes nothing, not even the interval.
    window.Command1_Click();
    for (int tick = 0; tick < 3; ++tick) window.Timer1_Timer();
    ASSERT_TRUE(TestAccess::brwWebBrowser(window).Busy());
    // Still the first tick's design-time interval, whatever the settings hold.
    EXPECT_EQ(TestAccess::Timer1(window).Interval(), services.timings.paneFirstTick1.count());
    EXPECT_EQ(server.CountFor("/slow"), 1u);
    ASSERT_TRUE(PumpUntil([&] { return TestAccess::Timer1(window).Interval() == 350; }));

    // Saved while the window runs: navigated to (it differs from the page shown), then reloaded.
    Form1& dialog = app().RefresherConfig();
    app().ShowModeless(dialog);
    Find<wxTextCtrl>(dialog, "Text1")->ChangeValue(server.Url("/two"));
    Find<wxTextCtrl>(dialog, "Text3")->ChangeValue("450");
    dialog.Command1_Click();
    ASSERT_TRUE(PumpUntil([&] { return server.CountFor("/two") >= 2; }));
    EXPECT_EQ(TestAccess::Timer1(window).Interval(), 450);

    const std::pair<const char*, int> cases[] = {
        {"600000", 600000}, {"abc", 600000}, {"2147483647", 2147483647}};
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        Settings().SetInterval(Link::First, text);
        ASSERT_TRUE(PumpUntil([&] { return !TestAccess::brwWebBrowser(window).Busy(); }));
        window.Timer1_Timer();
        EXPECT_EQ(TestAccess::Timer1(window).Interval(), expected);
    }
    // The timer itself sleeps that long: no 65,535 ms cap anywhere.
    EXPECT_GT(TestAccess::Timer1(window).GetInterval(), 65535);
    EXPECT_TRUE(TestAccess::Timer1(window).Enabled());
}

TEST_F(RefresherTest, NewWindowsOpenInTheDefaultBrowserOnlyWhenAllowIsOne) {
    // Asks for new windows three ways as it loads: a script opening an address that is not a
    // web address, a script opening a web address, and a target="_blank" link clicked.
    WebPane& pane = TestAccess::brwWebBrowser2(Open());
    // Refused with 0 and 2. The policy is read afresh at every request.
    for (const std::string allow : {"0", "2", "1"}) {
        Settings().SetAllow(allow);
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
    for (const char* n : {"1", "2"}) {
        server.Serve(std::string("/redirect") + n,
                     HttpServer::Page{.redirectTo = std::string("/landing") + n});
    }
    Store(Link::First, server.Url("/redirect1"), "200");
    Store(Link::Second, server.Url("/redirect2"), "200");
    frmMain& main = app().CreateMain();
    main.mnuFileNew_Click();
    frmBrowser& window = app().Refresher();
    ASSERT_TRUE(Loaded(TestAccess::brwWebBrowser(window), "/landing1") &&
                Loaded(TestAccess::brwWebBrowser2(window), "/landing2"));
    wxWeakRef<frmBrowser> alive(&window);
    window.Command1_Click();

    // A timer, to act from inside whatever event loop runs once both ticks are in their waits.
    bool hiddenAtOnce = false;
    std::chrono::steady_clock::time_point closedAt;
    wxTimer close;
    close.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (server.CountFor("/redirect1") < 2 || server.CountFor("/redirect2") < 2) return;
        close.Stop();
        closedAt = std::chrono::steady_clock::now();
        exit ? main.mnuFileExit_Click() : window.Command2_Click();
        hiddenAtOnce = !window.IsShown() && window.IsClosing();
    });
    close.Start(10);
    // The pump cannot look at its deadline while the waits' loops run inside it: time the close.
    ASSERT_TRUE(PumpUntil([&] { return !alive; }, 20s));
    EXPECT_TRUE(hiddenAtOnce);
    EXPECT_LT(std::chrono::steady_clock::now() - closedAt, services.timings.paneWait / 2)
        << "the waits did not end with the window";
    EXPECT_TRUE(PumpUntil([&] { return wxTopLevelWindows.size() == (exit ? 0u : 1u); }));
    // Each tick navigated once, before its wait; none after.
    EXPECT_EQ(server.CountFor("/redirect1") + server.CountFor("/redirect2"), 4u);
}

INSTANTIATE_TEST_SUITE_P(Refresher, RefresherCloseTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "Exit" : "Stop"; });

// A settings read that fails inside a tick shows its message box there; the window closed while
// the box is up outlives the box (a real one runs the event loop, and wx deletes closed windows
// when idle), and the tick then leaves it alone.
TEST_F(RefresherTest, ClosedWhileATicksMessageBoxIsUpGoesWhenTheTickEnds) {
    server.Serve("/one", "<p>one</p>");
    Store(Link::First, server.Url("/one"), "200");
    frmBrowser& window = Open();
    ASSERT_TRUE(Loaded(TestAccess::brwWebBrowser(window), "/one"));
    window.Command1_Click();
    // A folder where the file was: every read fails with a message.
    std::filesystem::remove(IniPath());
    std::filesystem::create_directory(IniPath());

    wxWeakRef<frmBrowser> alive(&window);
    bool outlivedTheBox = false;
    messages.onShow = [&](const RecordingMessageBoxes::Message&) {
        if (messages.shown.size() > 1) return;
        window.Command2_Click();
        PumpUntil([&] { return !alive; }, 200ms);
        outlivedTheBox = alive && !window.IsShown();
    };
    ASSERT_TRUE(PumpUntil([&] { return !alive; }));
    EXPECT_TRUE(outlivedTheBox);
    // The address and the interval read, each failing; nothing navigated or reloaded.
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(server.CountFor("/one"), 1u);
}

}  // namespace
}  // namespace vantle::test
