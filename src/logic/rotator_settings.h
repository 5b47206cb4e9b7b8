#pragma once

#include <array>
#include <string>

#include "settings/mod_ini.h"

namespace vantle {

// The Rotator's nine settings, section AI_Links, as the text they are stored as. The window and
// its dialog read and write them only here; nothing is cached, every call goes to the file.
struct RotatorSettings {
    std::array<std::string, 5> links;  // Link1 ... Link5
    std::string fakeSurfing;           // FSEnabled
    std::string mouseMovement;         // MMEnabled
    std::string onTop;                 // OTEnabled
    std::string pauseTime;             // PauseTime (logic/pause_time.h)

    // Reads all nine, in the order above.
    static RotatorSettings Read(IniFields& fields, const SettingsContext& settings);
    // Writes all nine in the order above, each one even after another failed (every failure
    // reports itself); whether all of them were stored.
    bool Write(IniFields& fields, const SettingsContext& settings) const;
};

}  // namespace vantle
