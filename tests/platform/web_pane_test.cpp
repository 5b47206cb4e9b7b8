// The pane against the real engine on the virtual display, loading from a local server.
#include "platform/web_pane.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <webkit2/webkit2.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>
#include <wx/webview.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/http_server.h"
#include "support/pump.h"

namespace vantle {
namespace {

using namespace std::chrono_literals;
using test::HttpServer;
using test::PumpFor;
using test::PumpUntil;

// A window owning its pane, the way the program's windows do, so the pane is destroyed before
// wx destroys the view.
class PaneFrame : public wxFrame {
  public:
    PaneFrame() : wxFrame(nullptr, wxID_ANY, "pane", wxPoint(0, 0), wxSize(400, 300)) {
        pane.emplace(this, wxPoint(0, 0), wxSize(400, 300), "pane");
        Show();
    }
    std::optional<WebPane> pane;
};

class WebPaneTest : public testing::Test {
  protected:
    void SetUp() override { frame_ = new PaneFrame; }
    void TearDown() override {
        wxWeakRef<wxFrame> gone(frame_);
        frame_->Destroy();
        EXPECT_TRUE(PumpUntil([&] { return !gone; }));
    }

    WebPane& pane() { return *frame_->pane; }
    WebKitWebView* native() { return WEBKIT_WEB_VIEW(pane().View()->GetNativeBackend()); }

    // Navigates and waits until the page has loaded.
    bool Load(const std::string& url) {
        pane().Navigate(url);
        return PumpUntil([&] { return !pane().Busy() && pane().LocationURL() == url; });
    }

    HttpServer server_;
    PaneFrame* frame_ = nullptr;
};

TEST_F(WebPaneTest, NavigateLoadsThePageAndReportsTheEnginesAddress) {
    server_.Serve("/page", "<html><body>page</body></html>");
    ASSERT_TRUE(Load(server_.Url("/page")));
    EXPECT_EQ(server_.CountFor("/page"), 1u);

    // A bare host comes back with the "/" the engine adds; the pane passes it on unchanged.
    const std::string bare = server_.Url("");
    pane().Navigate(bare);
    EXPECT_TRUE(PumpUntil([&] { return !pane().Busy() && server_.CountFor("/") == 1; }));
    EXPECT_EQ(pane().LocationURL(), bare + "/");
}

TEST_F(WebPaneTest, RefreshRequestsThePageAgain) {
    server_.Serve("/page", "<html><body>page</body></html>");
    ASSERT_TRUE(Load(server_.Url("/page")));
    pane().Refresh();
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/page") == 2 && !pane().Busy(); }));
    EXPECT_EQ(pane().LocationURL(), server_.Url("/page"));
}

TEST_F(WebPaneTest, BusyWhileASlowPageLoads) {
    HttpServer::Page slow;
    slow.body = "<html>slow</html>";
    slow.delay = 1500ms;
    server_.Serve("/slow", slow);
    pane().Navigate(server_.Url("/slow"));
    // Busy from the moment of the request, as a caller checking right after Navigate expects.
    EXPECT_TRUE(pane().Busy());
    ASSERT_TRUE(PumpUntil([&] { return server_.CountFor("/slow") == 1; }));
    EXPECT_TRUE(pane().Busy());
    const auto asked = server_.RequestsFor("/slow").front().at;
    ASSERT_TRUE(PumpUntil([&] { return !pane().Busy(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 1500ms);
    EXPECT_EQ(pane().LocationURL(), server_.Url("/slow"));
}

TEST_F(WebPaneTest, EmptyAddressShowsABlankPage) {
    server_.Serve("/page", "<html><body>page</body></html>");
    ASSERT_TRUE(Load(server_.Url("/page")));
    pane().Navigate("");
    EXPECT_TRUE(PumpUntil([&] { return !pane().Busy() && pane().LocationURL() == "about:blank"; }));
    // Reloading the blank page is harmless too.
    pane().Refresh();
    EXPECT_TRUE(PumpUntil([&] { return !pane().Busy(); }));
    EXPECT_EQ(pane().LocationURL(), "about:blank");
    EXPECT_EQ(server_.CountFor("/page"), 1u);
}

TEST_F(WebPaneTest, AddressesTheEngineCannotLoadLeaveThePaneUsable) {
    for (const char* bad :
         {"not an address", "nosuchscheme://x", "http://", "http://127.0.0.1:1/"}) {
        pane().Navigate(bad);
        EXPECT_TRUE(PumpUntil([&] { return !pane().Busy(); })) << bad;
    }
    server_.Serve("/page", "<html><body>page</body></html>");
    EXPECT_TRUE(Load(server_.Url("/page")));
}

// Pages that ask for a new window, then tell the server they went on running.
const char* const kScriptOpens =
    "<html><body><script>window.open('/popup');"
    "new Image().src = '/continued';</script></body></html>";
const char* const kLinkOpens =
    "<html><body onload=\"document.getElementById('a').click();"
    "new Image().src = '/continued';\">"
    "<a id=\"a\" href=\"/popup\" target=\"_blank\">new</a></body></html>";

struct NewWindowCase {
    const char* name;
    const char* page;
    bool allow;
};

class WebPaneNewWindowTest : public WebPaneTest,
                             public testing::WithParamInterface<NewWindowCase> {};

TEST_P(WebPaneNewWindowTest, ReachesThePolicyOnceAndOpensNothing) {
    std::vector<std::string> asked;
    pane().SetNewWindowPolicy([&](const std::string& url) {
        asked.push_back(url);
        return GetParam().allow;
    });
    const std::size_t windows = wxTopLevelWindows.GetCount();
    server_.Serve("/opener", GetParam().page);
    server_.Serve("/popup", "<html>popup</html>");
    server_.Serve("/next", "<html>next</html>");
    pane().Navigate(server_.Url("/opener"));
    ASSERT_TRUE(PumpUntil([&] { return !asked.empty() && server_.CountFor("/continued") == 1; }));
    EXPECT_EQ(asked.front(), server_.Url("/popup"));

    // Anything still on its way would arrive while the pane loads another page.
    ASSERT_TRUE(Load(server_.Url("/next")));
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(server_.CountFor("/popup"), 0u);
    EXPECT_EQ(wxTopLevelWindows.GetCount(), windows);
}

INSTANTIATE_TEST_SUITE_P(WebPane, WebPaneNewWindowTest,
                         testing::Values(NewWindowCase{"ScriptRefused", kScriptOpens, false},
                                         NewWindowCase{"ScriptAllowed", kScriptOpens, true},
                                         NewWindowCase{"LinkRefused", kLinkOpens, false},
                                         NewWindowCase{"LinkAllowed", kLinkOpens, true}),
                         [](const testing::TestParamInfo<NewWindowCase>& info) {
                             return info.param.name;
                         });

TEST_F(WebPaneTest, NewWindowWithoutPolicyIsRefused) {
    server_.Serve("/opener", kScriptOpens);
    server_.Serve("/popup", "<html>popup</html>");
    pane().Navigate(server_.Url("/opener"));
    ASSERT_TRUE(PumpUntil([&] { return server_.CountFor("/continued") == 1 && !pane().Busy(); }));
    EXPECT_EQ(server_.CountFor("/popup"), 0u);
}

TEST_F(WebPaneTest, SilentPaneAnswersScriptDialogsWithoutBlocking) {
    pane().SetSilent(true);
    server_.Serve("/dialogs",
                  "<html><body><script>alert('a');"
                  "var c = confirm('b'); var p = prompt('c', 'd');"
                  "new Image().src = '/answered-' + c + '-' + p;</script></body></html>");
    pane().Navigate(server_.Url("/dialogs"));
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/answered-false-null") == 1; }));
}

TEST_F(WebPaneTest, DialogsAreShownAgainOnceNoLongerSilent) {
    pane().SetSilent(true);
    pane().SetSilent(false);
    server_.Serve("/dialog",
                  "<html><body><script>confirm('b');"
                  "new Image().src = '/answered';</script></body></html>");
    pane().Navigate(server_.Url("/dialog"));
    ASSERT_TRUE(PumpUntil([&] { return server_.CountFor("/dialog") == 1; }));
    // The engine's own dialog now waits for an answer that never comes.
    PumpFor(500ms);
    EXPECT_EQ(server_.CountFor("/answered"), 0u);
}

TEST_F(WebPaneTest, SilentPaneLeavesAPageThatAsksBeforeUnload) {
    pane().SetSilent(true);
    server_.Serve("/sticky",
                  "<html><body style=\"height: 100%\"><script>"
                  "window.onbeforeunload = function(e) { e.preventDefault(); return 'stay'; };"
                  "document.onmousedown = function() { new Image().src = '/touched'; };"
                  "</script></body></html>");
    server_.Serve("/next", "<html>next</html>");
    ASSERT_TRUE(Load(server_.Url("/sticky")));
    // The engine asks only once the user has touched the page: give it a real click.
    wxUIActionSimulator mouse;
    mouse.MouseMove(pane().View()->ClientToScreen(wxPoint(200, 150)));
    mouse.MouseClick();
    ASSERT_TRUE(PumpUntil([&] { return server_.CountFor("/touched") == 1; }));
    EXPECT_TRUE(Load(server_.Url("/next")));
}

TEST_F(WebPaneTest, SilentPaneRefusesTheFileChooser) {
    pane().SetSilent(true);
    server_.Serve("/upload",
                  "<html><body style=\"margin: 0\"><input id=\"f\" type=\"file\" "
                  "style=\"width: 400px; height: 300px\"><script>"
                  "document.getElementById('f').oncancel = function() {"
                  " new Image().src = '/cancelled'; };</script></body></html>");
    ASSERT_TRUE(Load(server_.Url("/upload")));
    wxUIActionSimulator mouse;
    mouse.MouseMove(pane().View()->ClientToScreen(wxPoint(200, 150)));
    mouse.MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/cancelled") == 1; }));
}

// The web processes started for this test program (below a sandbox helper where there is one).
std::set<pid_t> WebProcesses() {
    namespace fs = std::filesystem;
    std::map<pid_t, pid_t> parents;
    std::map<pid_t, std::string> names;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto close = line.rfind(')');
        const auto open = line.find('(');
        if (close == std::string::npos || open == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        char state;
        pid_t parent;
        rest >> state >> parent;
        const pid_t pid = std::stoi(name);
        parents[pid] = parent;
        names[pid] = line.substr(open + 1, close - open - 1);
    }
    std::set<pid_t> found;
    for (const auto& [pid, name] : names) {
        if (name.rfind("WebKitWebProces", 0) != 0) continue;
        for (pid_t up = parents[pid]; up > 1; up = parents[up]) {
            if (up == getpid()) {
                found.insert(pid);
                break;
            }
        }
    }
    return found;
}

class WebPaneCrashTest : public WebPaneTest {
  protected:
    void SetUp() override {
        WebPaneTest::SetUp();
        g_signal_connect(native(), "web-process-terminated",
                         G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason,
                                        bool* dead) { *dead = true; }),
                         &dead_);
        server_.Serve("/page", "<html><body onload=\"new Image().src = '/alive';\"></body></html>");
    }
    void TearDown() override {
        g_signal_handlers_disconnect_by_data(native(), &dead_);
        WebPaneTest::TearDown();
    }

    void Crash() {
        ASSERT_TRUE(Load(server_.Url("/page")));
        ASSERT_TRUE(PumpUntil([&] { return server_.CountFor("/alive") == 1; }));
        const std::set<pid_t> processes = WebProcesses();
        ASSERT_FALSE(processes.empty());
        for (pid_t pid : processes) kill(pid, SIGKILL);
        ASSERT_TRUE(PumpUntil([&] { return dead_; }));
    }

    bool dead_ = false;
};

TEST_F(WebPaneCrashTest, RefreshBringsThePageBack) {
    Crash();
    pane().Refresh();
    EXPECT_TRUE(PumpUntil(
        [&] { return server_.CountFor("/page") == 2 && server_.CountFor("/alive") == 2; }));
    EXPECT_TRUE(PumpUntil([&] { return !pane().Busy(); }));
    EXPECT_EQ(pane().LocationURL(), server_.Url("/page"));
    // And the pane goes on reloading normally afterwards.
    pane().Refresh();
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/alive") == 3; }));
}

TEST_F(WebPaneCrashTest, NavigateBringsThePageBack) {
    Crash();
    pane().Navigate(server_.Url("/page"));
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/alive") == 2 && !pane().Busy(); }));
}

TEST_F(WebPaneTest, PageIsDrawnOnTheDisplay) {
    server_.Serve("/red", "<html><body style=\"background: #ff0000\"></body></html>");
    ASSERT_TRUE(Load(server_.Url("/red")));
    wxWebView* view = pane().View();
    const wxPoint centre = view->ClientToScreen(wxPoint(200, 150));
    // What the display shows there, read back from the X server.
    auto red = [&] {
        GdkPixbuf* shot =
            gdk_pixbuf_get_from_window(gdk_get_default_root_window(), centre.x, centre.y, 1, 1);
        if (!shot) return false;
        const guchar* pixel = gdk_pixbuf_read_pixels(shot);
        const bool isRed = pixel[0] > 200 && pixel[1] < 50 && pixel[2] < 50;
        g_object_unref(shot);
        return isRed;
    };
    EXPECT_TRUE(PumpUntil(red));
}

TEST_F(WebPaneTest, NothingReachesAPaneThatIsGone) {
    int asked = 0;
    pane().SetNewWindowPolicy([&](const std::string&) {
        ++asked;
        return false;
    });
    server_.Serve(
        "/page", "<html><body><a id=\"a\" href=\"/popup\" target=\"_blank\">new</a></body></html>");
    ASSERT_TRUE(Load(server_.Url("/page")));
    wxWebView* view = pane().View();
    const wxString both = "window.open('/popup'); document.getElementById('a').click(); 1";
    // The engine raises the requests before the script returns; the pane's call of the policy
    // is held back until the pane is gone.
    wxTheApp->SuspendProcessingOfPendingEvents();
    wxString result;
    const bool ran = view->RunScript(both, &result);
    frame_->pane.reset();
    wxTheApp->ResumeProcessingOfPendingEvents();
    ASSERT_TRUE(ran);
    // The view outlives the pane until wx destroys the window's children; requests it raises
    // meanwhile find nobody listening.
    ASSERT_TRUE(view->RunScript(both, &result));
    PumpFor(200ms);
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace vantle
