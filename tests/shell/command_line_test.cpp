#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version.h"

namespace vantle {
namespace {

using Args = std::vector<std::string>;
using Action = CommandLine::Action;

TEST(CommandLineTest, OptionsThatRunTheProgram) {
    struct Row {
        const char* name;
        Args args;
        std::optional<std::string> settings;
        bool refresher, rotator, start;
    };
    const Row rows[] = {
        {"nothing", {}, {}, false, false, false},
        {"both windows started", {"--refresher", "--rotator", "--start"}, {}, true, true, true},
        {"start before the window", {"--start", "--rotator"}, {}, false, true, true},
        {"unambiguous prefixes", {"--ref", "--sta", "--rot"}, {}, true, true, true},
        {"settings as the next argument",
         {"--settings", "a b.ini"},
         "a b.ini",
         false,
         false,
         false},
        {"settings after =", {"--settings=x=y.ini"}, "x=y.ini", false, false, false},
        {"a value that looks like an option",
         {"--settings", "--rotator"},
         "--rotator",
         false,
         false,
         false},
        {"the last settings wins", {"--settings=a", "--set", "b"}, "b", false, false, false},
        {"bytes of another encoding kept",
         {"--settings=\xff\xfe\xe9t\xe9.ini"},
         "\xff\xfe\xe9t\xe9.ini",
         false,
         false,
         false},
        {"-- ends the options", {"--rotator", "--"}, {}, false, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CommandLine line = ParseCommandLine(row.args);
        EXPECT_EQ(line.action, Action::Run) << line.error;
        EXPECT_EQ(line.settings, row.settings);
        EXPECT_EQ(line.refresher, row.refresher);
        EXPECT_EQ(line.rotator, row.rotator);
        EXPECT_EQ(line.start, row.start);
    }
}

TEST(CommandLineTest, HelpAndVersionWinWhenTheyComeFirst) {
    const std::pair<Args, Action> rows[] = {
        {{"--help"}, Action::Help},
        {{"-h"}, Action::Help},
        {{"--he"}, Action::Help},
        {{"--rotator", "--help", "--bogus"}, Action::Help},
        {{"--start", "--help"}, Action::Help},
        {{"--version"}, Action::Version},
        {{"-V"}, Action::Version},
        {{"-Vx"}, Action::Version},
        {{"--version", "--help"}, Action::Version},
        {{"--bogus", "--help"}, Action::Error},
    };
    for (const auto& [args, action] : rows) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(ParseCommandLine(args).action, action);
    }
}

TEST(CommandLineTest, BadInputIsOneLineNamingTheFault) {
    const std::pair<Args, std::string> rows[] = {
        {{"--bogus"}, "vantle: unrecognized option '--bogus'"},
        {{"--rotator=yes"}, "vantle: option '--rotator' doesn't allow an argument"},
        {{"--settings"}, "vantle: option '--settings' requires an argument"},
        {{"--rotator", "--settings"}, "vantle: option '--settings' requires an argument"},
        {{"--settings="}, "vantle: option '--settings' requires a file name"},
        {{"--settings", ""}, "vantle: option '--settings' requires a file name"},
        {{"--s"}, "vantle: option '--s' is ambiguous; possibilities: '--settings' '--start'"},
        {{"--start"}, "vantle: --start needs --refresher or --rotator"},
        {{"--start", "--settings=a.ini"}, "vantle: --start needs --refresher or --rotator"},
        {{"-x"}, "vantle: invalid option -- 'x'"},
        {{"-"}, "vantle: unexpected argument '-'"},
        {{""}, "vantle: unexpected argument ''"},
        {{"page.html", "--help"}, "vantle: unexpected argument 'page.html'"},
        {{"--", "--help"}, "vantle: unexpected argument '--help'"},
        // Control characters would break the line or drive the terminal; other bytes stay.
        {{"--a\nb\x1b[2J"}, "vantle: unrecognized option '--a?b?[2J'"},
        {{"--\xff\xc3"}, "vantle: unrecognized option '--\xff\xc3'"},
        {{"--\xff=x"}, "vantle: unrecognized option '--\xff=x'"},
    };
    for (const auto& [args, error] : rows) {
        SCOPED_TRACE(testing::PrintToString(args));
        const CommandLine line = ParseCommandLine(args);
        EXPECT_EQ(line.action, Action::Error);
        EXPECT_EQ(line.error, error);
    }
}

TEST(CommandLineTest, VersionLineNamesTheProgramAndItsShownVersion) {
    EXPECT_EQ(VersionLine(), "Vantle " + std::to_string(version::kMajor) + "." +
                                 std::to_string(version::kMinor) + "." +
                                 std::to_string(version::kRevision));
}

}  // namespace
}  // namespace vantle
