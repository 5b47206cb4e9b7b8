#include "logic/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "version.h"

namespace vantle {
namespace {

enum class Option { Help, Version, Settings, Refresher, Rotator, Start };

struct OptionName {
    std::string_view name;
    Option option;
    bool takesValue;
};

constexpr std::array<OptionName, 6> kOptions{{
    {"help", Option::Help, false},
    {"version", Option::Version, false},
    {"settings", Option::Settings, true},
    {"refresher", Option::Refresher, false},
    {"rotator", Option::Rotator, false},
    {"start", Option::Start, false},
}};

// An argument echoed in a message: control characters (a line feed among them) would break the
// one-line message or drive the terminal, so they become "?"; every other byte is kept, so an
// argument in another encoding shows as the terminal renders it.
std::string Printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) c = '?';
    }
    return out;
}

CommandLine Failed(std::string message) {
    CommandLine line;
    line.action = CommandLine::Action::Error;
    line.error = "vantle: " + std::move(message);
    return line;
}

// The options whose name is `name`, or starts with it when none is exactly that.
std::vector<const OptionName*> Matches(std::string_view name) {
    std::vector<const OptionName*> found;
    for (const OptionName& option : kOptions) {
        if (option.name == name) return {&option};
        if (!name.empty() && option.name.starts_with(name)) found.push_back(&option);
    }
    return found;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    // Applies one recognised option; false when it ends the parse (help, version).
    auto apply = [&line](Option option, std::string value) {
        switch (option) {
            case Option::Help:
                line.action = CommandLine::Action::Help;
                return false;
            case Option::Version:
                line.action = CommandLine::Action::Version;
                return false;
            case Option::Settings:
                line.settings = std::move(value);
                break;
            case Option::Refresher:
                line.refresher = true;
                break;
            case Option::Rotator:
                line.rotator = true;
                break;
            case Option::Start:
                line.start = true;
                break;
        }
        return true;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--") {
            if (i + 1 < args.size())
                return Failed("unexpected argument '" + Printable(args[i + 1]) + "'");
            break;
        }
        if (arg.starts_with("--")) {
            const std::string_view body = arg.substr(2);
            const std::size_t equals = body.find('=');
            const std::string_view name = body.substr(0, equals);
            const auto found = Matches(name);
            if (found.empty()) return Failed("unrecognized option '" + Printable(arg) + "'");
            if (found.size() > 1) {
                std::string message =
                    "option '--" + Printable(name) + "' is ambiguous; possibilities:";
                for (const OptionName* option : found)
                    message += " '--" + std::string(option->name) + "'";
                return Failed(std::move(message));
            }
            const OptionName& option = *found.front();
            const std::string full = "--" + std::string(option.name);
            std::string value;
            if (option.takesValue) {
                if (equals != std::string_view::npos) {
                    value = body.substr(equals + 1);
                } else if (i + 1 < args.size()) {
                    value = args[++i];
                } else {
                    return Failed("option '" + full + "' requires an argument");
                }
                // An empty name names no file, and would read as "the current folder".
                if (value.empty()) return Failed("option '" + full + "' requires a file name");
            } else if (equals != std::string_view::npos) {
                return Failed("option '" + full + "' doesn't allow an argument");
            }
            if (!apply(option.option, std::move(value))) return line;
            continue;
        }
        if (arg.size() > 1 && arg.front() == '-') {
            // Both short options end the parse, so the first letter of a cluster decides.
            const char letter = arg[1];
            if (letter != 'h' && letter != 'V')
                return Failed("invalid option -- '" + Printable(arg.substr(1, 1)) + "'");
            apply(letter == 'h' ? Option::Help : Option::Version, {});
            return line;
        }
        return Failed("unexpected argument '" + Printable(arg) + "'");
    }
    if (line.start && !line.refresher && !line.rotator)
        return Failed("--start needs --refresher or --rotator");
    return line;
}

std::string VersionLine() {
    return std::string("Vantle ") + version::kShown;
}

std::string UsageText() {
    return "Usage: vantle [OPTION]...\n"
           "Keeps web pages loaded and reloaded with nobody at the keyboard.\n"
           "\n"
           "      --refresher        open the Url Refresher at start\n"
           "      --rotator          open the Url Rotator at start\n"
           "      --start            press Start in each window that --refresher or --rotator\n"
           "                         opens\n"
           "      --settings=FILE    use FILE as the settings file\n"
           "  -h, --help             print this help and exit\n"
           "  -V, --version          print the version and exit\n"
           "\n"
           "Without --settings, Vantle uses vt.ini beside its executable when there is one,\n"
           "and otherwise $XDG_CONFIG_HOME/vantle/vt.ini (~/.config/vantle/vt.ini), made from\n"
           "the installed default on the first run.\n";
}

}  // namespace vantle
