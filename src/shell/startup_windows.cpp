#include "shell/startup_windows.h"

#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "shell/application.h"
#include "shell/frm_main.h"

namespace vantle {

void OpenStartupWindows(Application& app, const CommandLine& commandLine) {
    // The main window is asked for afresh each time: a message box during the Refresher's
    // Start lets the user close the program meanwhile.
    if (commandLine.refresher && app.Main() != nullptr) {
        app.Main()->mnuFileNew_Click();
        if (commandLine.start) app.Refresher().Command1_Click();
    }
    if (commandLine.rotator && app.Main() != nullptr) {
        app.Main()->urls_Click();
        if (commandLine.start) app.Rotator().Command1_Click();
    }
}

}  // namespace vantle
