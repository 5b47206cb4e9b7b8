#include "support/wx_session.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>

#include "platform/display_backend.h"
#include "platform/web_engine_environment.h"

namespace vantle::test {

int RunWithWx(int argc, char** argv, const std::function<int()>& body) {
    // No accessibility bus on a test display; without this GTK waits for one at start-up.
    setenv("NO_AT_BRIDGE", "1", 0);
    // As the program does before its toolkit starts.
    PreferX11Backend();
    PrepareWebEngine();
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start wxWidgets: is DISPLAY set to a running X server?\n");
        return 1;
    }
    // Windows come and go; the program's lifetime is the body's, not its last window's.
    wxTheApp->SetExitOnFrameDelete(false);
    int result = 0;
    {
        wxEventLoop loop;
        wxEventLoopActivator activate(&loop);
        result = body();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

}  // namespace vantle::test
