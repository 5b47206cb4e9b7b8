#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantle {

// What the command line asks for. Arguments are taken as bytes: a file name is never
// converted, so any encoding passes through unharmed.
struct CommandLine {
    enum class Action {
        Run,      // start the program
        Help,     // print the usage to standard output and end with status 0
        Version,  // print the version line to standard output and end with status 0
        Error,    // print `error` and the usage to standard error and end with status 2
    };
    Action action = Action::Run;
    std::optional<std::string> settings;  // --settings FILE
    bool refresher = false;               // open the Url Refresher at start
    bool rotator = false;                 // open the Url Rotator at start
    bool start = false;                   // press Start in each window opened at start
    std::string error;                    // one line, without its ending, for Action::Error
};

inline constexpr int kUsageExitStatus = 2;

// GNU-style long options: "--name", "--name=value" or "--name value", unambiguous prefixes of a
// name, "-h" and "-V", and "--" to end the options. `args` leaves out the program's own name.
// Options are taken in order and the first --help, --version or bad argument decides, as in GNU
// tools; --start without a window to start is an error once the whole line has been read.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// "Vantle 1.3.7".
std::string VersionLine();

// The usage text, several lines, each ending in a line feed.
std::string UsageText();

}  // namespace vantle
