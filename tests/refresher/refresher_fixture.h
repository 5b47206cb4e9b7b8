// What the Refresher's window tests share: a local server, the settings written through the
// Refresher's own settings, the window opened as the main window's menu opens it.
#pragma once

#include <string>

#include "logic/refresher_settings.h"
#include "platform/web_pane.h"
#include "refresher/frm_browser.h"
#include "support/app_fixture.h"
#include "support/http_server.h"
#include "support/window_access.h"

namespace vantle::test {

class RefresherTest : public AppTest {
  protected:
    using Link = refresher::Link;

    refresher::RefresherSettings Settings() { return {fields_, services.settings}; }
    // One link's three settings; a link never stored is inactive.
    void Store(Link link, const std::string& address, const std::string& interval,
               const std::string& active = "1") {
        Settings().SetAddress(link, address);
        Settings().SetInterval(link, interval);
        Settings().SetActive(link, active);
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

  private:
    IniFields fields_;
};

}  // namespace vantle::test
