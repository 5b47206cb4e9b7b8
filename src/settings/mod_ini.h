#pragma once

#include <filesystem>
#include <string>

#include "seams/message_boxes.h"

namespace vantle {

// The three accessor fields that every window using the settings owns: the caller sets the
// section and key (and the value before a write), calls an operation and takes the value.
struct IniFields {
    std::string INISection;
    std::string INIKey;
    std::string INIValue;
};

// Where the settings live and who reports their failures; one per program run.
struct SettingsContext {
    std::filesystem::path file;  // vt.ini in the executable's folder
    MessageBoxes* messages = nullptr;
    // The installed default in use because no per-user file could be made: every write fails
    // as a failed write does, so nothing is ever written into a system folder.
    bool readOnly = false;
};

namespace modIni {

inline constexpr const char* kAppTitle = "Vantle";
inline constexpr const char* kReadFailure =
    "An error has occurred while calling the API function, could not load INI file";
inline constexpr const char* kWriteFailure = "An error has occurred while calling the API function";

// Reads INISection/INIKey into INIValue. An absent file, section or key, and a key stored with
// an empty value, read as the empty text without a message. A file that is there but cannot be
// read shows the read failure message and reads as the empty text.
void GetINIValue(IniFields& fields, const SettingsContext& settings);

// Writes INIValue under INISection/INIKey (settings/ini_text.h: which bytes change, and how).
// A save that fails for any reason shows the write failure message and leaves the file as it
// was; that includes a read-only file, even for a value it already holds. Returns whether the
// value was stored, for a caller that must not act as if a failed save had succeeded.
bool SetINIValue(const IniFields& fields, const SettingsContext& settings);

}  // namespace modIni

// The calling pattern in one line, for windows: sets the fields, reads, returns INIValue.
std::string ReadSetting(IniFields& fields, const SettingsContext& settings,
                        const std::string& section, const std::string& key);
bool WriteSetting(IniFields& fields, const SettingsContext& settings, const std::string& section,
                  const std::string& key, const std::string& value);

}  // namespace vantle
