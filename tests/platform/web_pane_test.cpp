// The pane against the real engine on the virtual display, loading from a local server. Its
// new-window policy is shown through the windows that use it (the Refresher's popup rules and
// the Rotator's refusal).
#include "platform/web_pane.h"

#include <gtest/gtest.h>
#include <webkit2/webkit2.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <algorithm>
#include <memory>

#include "platform/web_engine_environment.h"
#include "support/http_server.h"
#include "support/page_script.h"
#include "support/pump.h"
#include "support/temp_folder.h"

namespace vantle::test {
namespace {

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

    // Until the pane is idle and reports `url`.
    bool Settles(const std::string& url) {
        return PumpUntil([&] { return !pane().Busy() && pane().LocationURL() == url; });
    }
    bool Load(const std::string& url) {
        pane().Navigate(url);
        return Settles(url);
    }

    HttpServer server_;
    PaneFrame* frame_ = nullptr;
};

TEST_F(WebPaneTest, NavigateAndRefreshAreBusyTillThePageIsDrawn) {
    const std::string slow = server_.Url("/slow");
    server_.Serve("/slow", HttpServer::Page{"<body style=\"background: #ff0000\"></body>",
                                            "text/html", 1500ms});
    pane().Navigate(slow);
    // Busy from the moment of the request, as a caller checking right after Navigate expects.
    EXPECT_TRUE(pane().Busy());
    ASSERT_TRUE(PumpUntil([&] { return server_.CountFor("/slow") == 1; }));
    EXPECT_TRUE(pane().Busy());
    ASSERT_TRUE(Settles(slow));
    // Drawn: what the display shows in the pane's middle, read back from the X server.
    const wxPoint centre = pane().View()->ClientToScreen(wxPoint(200, 150));
    EXPECT_TRUE(PumpUntil([&] {
        const std::unique_ptr<GdkPixbuf, void (*)(gpointer)> shot(
            gdk_pixbuf_get_from_window(gdk_get_default_root_window(), centre.x, centre.y, 1, 1),
            g_object_unref);
        const guchar* pixel = shot ? gdk_pixbuf_read_pixels(shot.get()) : nullptr;
        return pixel && pixel[0] > 200 && pixel[1] < 50 && pixel[2] < 50;
    }));
    // Drawn without a GL driver in this process, unless the user chose the engine's rendering.
    const auto& switches = EngineEnvironment();
    if (std::count(switches.begin(), switches.end(), "WEBKIT_DISABLE_COMPOSITING_MODE")) {
        const std::string mapped = ReadFile("/proc/self/maps");
        EXPECT_EQ(mapped.find("_dri.so"), std::string::npos);
        EXPECT_EQ(mapped.find("libEGL_mesa"), std::string::npos);
    }
    pane().Refresh();
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/slow") == 2; }) && Settles(slow));
}

TEST_F(WebPaneTest, AddressesTheEngineCannotLoadLeaveThePaneUsable) {
    for (const char* bad :
         {"not an address", "nosuchscheme://x", "http://", "http://127.0.0.1:1/"}) {
        pane().Navigate(bad);
        EXPECT_TRUE(PumpUntil([&] { return !pane().Busy(); })) << bad;
    }
    // A bare host comes back with the "/" the engine adds; the pane passes it on unchanged.
    pane().Navigate(server_.Url(""));
    EXPECT_TRUE(Settles(server_.Url("/")));
    // An empty address shows a blank page, which reloads harmlessly.
    pane().Navigate("");
    EXPECT_TRUE(Settles("about:blank"));
    pane().Refresh();
    EXPECT_TRUE(Settles("about:blank"));
}

// A silent pane answers what a person walking away would: confirm() false, prompt() null, no
// file, and leave the page. The engine asks before leaving, or opens the file chooser, only once
// the user has touched the page: a real click does.
TEST_F(WebPaneTest, SilentPaneAnswersDialogsRefusesFilesAndLeavesAPageThatAsksToStay) {
    pane().SetSilent(true);
    server_.Serve("/silent",
                  "<body style=\"margin: 0\"><input id=\"f\" type=\"file\" "
                  "style=\"width: 400px; height: 300px\"><script>"
                  "alert('a'); new Image().src = '/answered-' + confirm('b') + '-' + prompt('c');"
                  "window.onbeforeunload = function(e) { e.preventDefault(); return 'stay'; };"
                  "document.getElementById('f').oncancel = function() {"
                  " new Image().src = '/cancelled'; };</script></body>");
    server_.Serve("/next", "<p>next</p>");
    ASSERT_TRUE(Load(server_.Url("/silent")));
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/answered-false-null") == 1; }));
    wxUIActionSimulator mouse;  // a real click in the middle of the pane
    mouse.MouseMove(pane().View()->ClientToScreen(wxPoint(200, 150)));
    mouse.MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return server_.CountFor("/cancelled") == 1; }));
    EXPECT_TRUE(Load(server_.Url("/next")));
}

TEST_F(WebPaneTest, NothingReachesAPaneThatIsGone) {
    int asked = 0;
    pane().SetNewWindowPolicy([&](const std::string&) { return ++asked < 0; });  // refuses
    server_.Serve("/page", "<a id=\"a\" href=\"/popup\" target=\"_blank\">new</a>");
    ASSERT_TRUE(Load(server_.Url("/page")));
    WebKitWebView* web = pane().Web();
    const char* both = "window.open('/popup'); document.getElementById('a').click(); 1";
    // The engine raises the requests before the script returns; the pane's call of the policy
    // is held back until the pane is gone.
    wxTheApp->SuspendProcessingOfPendingEvents();
    const bool ran = RunScript(web, both).has_value();
    frame_->pane.reset();
    wxTheApp->ResumeProcessingOfPendingEvents();
    ASSERT_TRUE(ran);
    // The view outlives the pane until wx destroys the window's children; requests it raises
    // meanwhile find nobody listening.
    ASSERT_TRUE(RunScript(web, both));
    PumpFor(200ms);
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace vantle::test
