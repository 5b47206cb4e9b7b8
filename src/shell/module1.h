#pragma once

#include <wx/app.h>

#include <memory>

#include "logic/command_line.h"
#include "logic/settings_location.h"
#include "shell/application.h"

namespace vantle {

// The program's entry: reads the command line before the toolkit starts, so that --help,
// --version and a bad option need no display and open nothing, then runs Module1.
int RunVantle(int argc, char** argv);

// The running program: the real seams, the settings file start-up chose, and the windows. Its
// start-up creates the main window, opens what the command line asks for and returns;
// everything after that happens in window events, and the program ends when its last window
// has closed.
class Module1 : public wxApp {
  public:
    Module1(CommandLine commandLine, SettingsLocation settings);
    ~Module1() override;
    bool OnInit() override;

  private:
    struct Platform;
    CommandLine commandLine_;
    SettingsLocation settings_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<Application> app_;
};

}  // namespace vantle
