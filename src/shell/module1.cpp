#include "shell/module1.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "install_dirs.h"
#include "logic/restore_token.h"
#include "platform/desktop_portal.h"
#include "platform/display_backend.h"
#include "platform/web_engine_environment.h"
#include "platform/wx_platform.h"
#include "shell/frm_main.h"
#include "shell/startup_windows.h"

namespace vantle {
namespace fs = std::filesystem;

namespace {

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

// $HOME, or the home folder the user database gives when HOME is unset or unusable.
std::optional<std::string> HomeFolder() {
    auto home = Environment("HOME");
    if (home && fs::path(*home).is_absolute()) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return std::string(found->pw_dir);
    }
    return home;
}

SettingsSearch CurrentSearch(const CommandLine& commandLine) {
    SettingsSearch search;
    if (commandLine.settings) {
        // Made absolute now, so the name keeps meaning the same file whatever happens later.
        std::error_code error;
        fs::path file = fs::absolute(*commandLine.settings, error);
        search.commandLine = error ? fs::path(*commandLine.settings) : file;
    }
    std::error_code error;
    search.executableFolder = fs::read_symlink("/proc/self/exe", error).parent_path();
    search.xdgConfigHome = Environment("XDG_CONFIG_HOME");
    search.home = HomeFolder();
    search.relativeDataFolder = install_dirs::kRelativeDataFolder;
    search.configuredDataFolder = install_dirs::kDataFolder;
    return search;
}

// The portal's approval is remembered in the user's configuration folder, wherever the settings
// file is: it belongs to this user's desktop, not to a portable copy.
fs::path RestoreTokenPath() {
    const auto config = UserConfigHome(Environment("XDG_CONFIG_HOME"), HomeFolder());
    return config ? RestoreTokenFile(*config) : fs::path();
}

}  // namespace

int RunVantle(int argc, char** argv) {
    const std::vector<std::string> args(argv + std::min(argc, 1), argv + argc);
    const CommandLine commandLine = ParseCommandLine(args);
    switch (commandLine.action) {
        case CommandLine::Action::Error:
            std::cerr << commandLine.error << '\n' << UsageText() << std::flush;
            return kUsageExitStatus;
        case CommandLine::Action::Version:
            std::cout << VersionLine() << '\n' << std::flush;
            return std::cout ? 0 : 1;
        case CommandLine::Action::Help:
            std::cout << UsageText() << "\nSettings file: "
                      << ChooseSettingsFile(CurrentSearch(commandLine), PathOccupied).file.string()
                      << '\n'
                      << std::flush;
            return std::cout ? 0 : 1;
        case CommandLine::Action::Run:
            break;
    }
    SettingsLocation settings =
        PrepareSettingsFile(ChooseSettingsFile(CurrentSearch(commandLine), PathOccupied));
    // The toolkit gets no arguments: the command line has been read, and any other option
    // was refused above.
    wxApp::SetInstance(new Module1(commandLine, std::move(settings)));
    char name[] = "vantle";
    char* toolkitArgv[] = {argc > 0 ? argv[0] : name, nullptr};
    int toolkitArgc = 1;
    return wxEntry(toolkitArgc, toolkitArgv);
}

struct Module1::Platform {
    std::unique_ptr<MessageBoxes> messages = MakeWxMessageBoxes();
    std::unique_ptr<ProgramStart> programs = MakeWxProgramStart();
    DesktopBus bus;
    std::unique_ptr<MouseInput> mouse = MakeDesktopMouseInput(bus, RestoreTokenPath());
    std::unique_ptr<IdleInhibit> inhibit = MakeDesktopIdleInhibit(bus);
    std::unique_ptr<DesktopIdle> idle = MakeDesktopIdle(bus);
    std::unique_ptr<Registry> registry = MakeLinuxRegistry();
};

// wx makes the application object before it starts the toolkit.
Module1::Module1(CommandLine commandLine, SettingsLocation settings)
    : commandLine_(std::move(commandLine)), settings_(std::move(settings)) {
    PreferX11Backend();
    PrepareWebEngine();
}
Module1::~Module1() = default;

bool Module1::OnInit() {
    // Not wxApp::OnInit: the command line was read before the toolkit started.
    SetAppName("Vantle");
    SetAppDisplayName("Vantle");
    platform_ = std::make_unique<Platform>();

    Services services;
    services.settings.file = settings_.file;
    services.settings.readOnly = settings_.readOnly;
    services.settings.messages = platform_->messages.get();
    services.messages = platform_->messages.get();
    services.programs = platform_->programs.get();
    services.mouse = platform_->mouse.get();
    services.inhibit = platform_->inhibit.get();
    services.idle = platform_->idle.get();
    services.registry = platform_->registry.get();

    app_ = std::make_unique<Application>(std::move(services));
    app_->CreateMain();
    OpenStartupWindows(*app_, commandLine_);
    return true;
}

}  // namespace vantle
