#include "logic/settings_location.h"

#include <system_error>

#include "settings/settings_io.h"

namespace vantle {
namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "vt.ini";

}  // namespace

bool PathOccupied(const fs::path& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found;
}

std::optional<fs::path> UserConfigHome(const std::optional<std::string>& xdgConfigHome,
                                       const std::optional<std::string>& home) {
    if (xdgConfigHome && fs::path(*xdgConfigHome).is_absolute()) return fs::path(*xdgConfigHome);
    if (home && fs::path(*home).is_absolute()) return fs::path(*home) / ".config";
    return std::nullopt;
}

SettingsChoice ChooseSettingsFile(const SettingsSearch& search,
                                  const std::function<bool(const fs::path&)>& exists) {
    if (search.commandLine) return {SettingsSource::CommandLine, *search.commandLine, {}};
    // An unknown executable folder must not turn into the current one.
    const bool located = search.executableFolder.is_absolute();
    const fs::path beside = search.executableFolder / kFileName;
    if (located && exists(beside)) return {SettingsSource::BesideExecutable, beside, {}};

    std::optional<fs::path> installedDefault;
    for (const fs::path& folder :
         {located ? search.executableFolder / search.relativeDataFolder : fs::path(),
          search.configuredDataFolder}) {
        const fs::path candidate = (folder / kFileName).lexically_normal();
        if (folder.is_absolute() && exists(candidate)) {
            installedDefault = candidate;
            break;
        }
    }
    if (const auto config = UserConfigHome(search.xdgConfigHome, search.home)) {
        return {SettingsSource::PerUser, *config / "vantle" / kFileName, installedDefault};
    }
    // No home at all: what the installation offers, or its expected place, which reads as empty.
    return {SettingsSource::InstalledDefault,
            installedDefault.value_or(search.configuredDataFolder / kFileName),
            {}};
}

SettingsLocation PrepareSettingsFile(const SettingsChoice& choice) {
    if (choice.source == SettingsSource::InstalledDefault) return {choice.file, true};
    if (choice.source != SettingsSource::PerUser || PathOccupied(choice.file)) {
        return {choice.file, false};
    }
    std::error_code error;
    fs::create_directories(choice.file.parent_path(), error);
    // The program has no built-in settings: without a default, the first save makes the file.
    if (!choice.installedDefault) return {choice.file, false};
    const auto original = settings_io::ReadFileBytes(*choice.installedDefault);
    if (original.state == settings_io::FileState::Read &&
        settings_io::ReplaceFile(choice.file, original.bytes)) {
        return {choice.file, false};
    }
    return {*choice.installedDefault, true};
}

}  // namespace vantle
