#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace vantle {

// What start-up knows about the places a settings file can be.
struct SettingsSearch {
    std::optional<std::filesystem::path> commandLine;  // --settings, made absolute
    std::filesystem::path executableFolder;
    std::optional<std::string> xdgConfigHome;  // $XDG_CONFIG_HOME when set
    std::optional<std::string> home;           // $HOME, or the user's home folder
    // The installed default's folder: first relative to the executable's folder (a package
    // installed under another prefix, a copied tree), then the configured prefix's.
    std::filesystem::path relativeDataFolder;    // e.g. ../share/vantle
    std::filesystem::path configuredDataFolder;  // e.g. /usr/share/vantle
};

enum class SettingsSource {
    CommandLine,       // --settings FILE
    BesideExecutable,  // a build folder or a portable copy
    PerUser,           // $XDG_CONFIG_HOME/vantle/vt.ini
    InstalledDefault,  // read only: no per-user file can be had
};

struct SettingsChoice {
    SettingsSource source = SettingsSource::InstalledDefault;
    std::filesystem::path file;
    // The installed default that a per-user file is made from when it is not there yet.
    std::optional<std::filesystem::path> installedDefault;
};

// The folder that per-user settings go in: $XDG_CONFIG_HOME, or $HOME/.config when that is unset,
// empty or not absolute (such a value is ignored, as the XDG base directory rules say). Nothing
// when there is no usable home either.
std::optional<std::filesystem::path> UserConfigHome(const std::optional<std::string>& xdgConfigHome,
                                                    const std::optional<std::string>& home);

// Which file to use, in this order: the one named on the command line; a vt.ini beside the
// executable, whatever it is (the settings layer reports one it cannot read); the per-user file;
// the installed default, read only, when there is no home at all. `exists` tells whether
// anything is at a path; nothing is created here.
SettingsChoice ChooseSettingsFile(const SettingsSearch& search,
                                  const std::function<bool(const std::filesystem::path&)>& exists);

// The file in use, and whether saves must be refused because it is the installed default.
struct SettingsLocation {
    std::filesystem::path file;
    bool readOnly = false;
};

// Whether anything is at the path, a dangling link included: the real `exists` for the choice.
bool PathOccupied(const std::filesystem::path& path);

// Carries out a choice. A per-user file that is not there yet is made, whole or not at all,
// from the installed default (with its folder); when that cannot be done, the installed default
// is used read only, so the program still starts and writes nothing into a system folder.
SettingsLocation PrepareSettingsFile(const SettingsChoice& choice);

}  // namespace vantle
