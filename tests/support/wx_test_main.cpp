// Brings wxWidgets up on the (virtual) display once for the whole test program, with an active
// event loop that the tests pump, then runs the tests.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdlib>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // No accessibility bus on a test display; without this GTK waits for one at start-up.
    setenv("NO_AT_BRIDGE", "1", 0);
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        fprintf(stderr, "cannot start wxWidgets: is DISPLAY set to a running X server?\n");
        return 1;
    }
    wxTheApp->SetExitOnFrameDelete(false);
    int result = 0;
    {
        wxEventLoop loop;
        wxEventLoopActivator activate(&loop);
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
