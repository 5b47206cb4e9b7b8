#include "logic/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version.h"

namespace vantle {
namespace {

using Args = std::vector<std::string>;
using Action = CommandLine::Action;

// `windows` holds f for --refresher, o for --rotator and s for --start.
TEST(CommandLineTest, OptionsThatRunTheProgram) {
    struct Row {
        const char* name;
        Args args;
        std::optional<std::string> settings;
        std::string windows;
    };
    const Row rows[] = {
        {"nothing", {}, {}, ""},
        {"both windows started", {"--refresher", "--rotator", "--start"}, {}, "fos"},
        {"start before the window", {"--start", "--rotator"}, {}, "os"},
        {"unambiguous prefixes", {"--ref", "--sta", "--rot"}, {}, "fos"},
        {"settings as the next argument", {"--settings", "a b.ini"}, "a b.ini", ""},
        {"settings after =", {"--settings=x=y.ini"}, "x=y.ini", ""},
        {"a value that looks like an option", {"--settings", "--rotator"}, "--rotator", ""},
        {"the last settings wins", {"--settings=a", "--set", "b"}, "b", ""},
        {"bytes of another encoding kept", {"--settings=\xff\xe9t.ini"}, "\xff\xe9t.ini", ""},
        {"-- ends the options", {"--rotator", "--"}, {}, "o"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CommandLine line = ParseCommandLine(row.args);
        EXPECT_EQ(line.action, Action::Run) << line.error;
        EXPECT_EQ(line.settings, row.settings);
        EXPECT_EQ(std::string(line.refresher ? "f" : "") + (line.rotator ? "o" : "") +
                      (line.start ? "s" : ""),
                  row.windows);
    }
}

// The first --help, --version or bad argument decides; an error is one line naming the fault.
TEST(CommandLineTest, HelpVersionAndBadInput) {
    const std::pair<Args, std::string> rows[] = {
        {{"--help"}, "help"},
        {{"-h"}, "help"},
        {{"--he"}, "help"},
        {{"--rotator", "--help", "--bogus"}, "help"},
        {{"--start", "--help"}, "help"},
        {{"--version"}, "version"},
        {{"-Vx"}, "version"},
        {{"--version", "--help"}, "version"},
        {{"--bogus", "--help"}, "vantle: unrecognized option '--bogus'"},
        {{"--rotator=yes"}, "vantle: option '--rotator' doesn't allow an argument"},
        {{"--settings"}, "vantle: option '--settings' requires an argument"},
        {{"--settings="}, "vantle: option '--settings' requires a file name"},
        {{"--settings", ""}, "vantle: option '--settings' requires a file name"},
        {{"--s"}, "vantle: option '--s' is ambiguous; possibilities: '--settings' '--start'"},
        {{"--start"}, "vantle: --start needs --refresher or --rotator"},
        {{"-x"}, "vantle: invalid option -- 'x'"},
        {{""}, "vantle: unexpected argument ''"},
        {{"page.html", "--help"}, "vantle: unexpected argument 'page.html'"},
        {{"--", "--help"}, "vantle: unexpected argument '--help'"},
        // Control characters would break the line or drive the terminal; other bytes stay.
        {{"--a\nb\x1b[2J"}, "vantle: unrecognized option '--a?b?[2J'"},
        {{"--\xff=x"}, "vantle: unrecognized option '--\xff=x'"},
    };
    for (const auto& [args, outcome] : rows) {
        SCOPED_TRACE(testing::PrintToString(args));
        const CommandLine line = ParseCommandLine(args);
        const Action expected = outcome == "help"      ? Action::Help
                                : outcome == "version" ? Action::Version
                                                       : Action::Error;
        EXPECT_EQ(line.action, expected);
        EXPECT_EQ(line.error, expected == Action::Error ? outcome : "");
    }
    EXPECT_EQ(VersionLine(), "Vantle " + std::to_string(version::kMajor) + "." +
                                 std::to_string(version::kMinor) + "." +
                                 std::to_string(version::kRevision));
}

}  // namespace
}  // namespace vantle
