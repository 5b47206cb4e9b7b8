#pragma once

#include "logic/command_line.h"

namespace vantle {

class Application;

// Opens the windows the command line names, as their menu items open them, the Refresher
// before the Rotator, and with --start presses Start in each. Needs the main window.
void OpenStartupWindows(Application& app, const CommandLine& commandLine);

}  // namespace vantle
