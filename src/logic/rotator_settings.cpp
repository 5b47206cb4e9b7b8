#include "logic/rotator_settings.h"

namespace vantle {
namespace {

constexpr const char* kSection = "AI_Links";
constexpr const char* kLinks[] = {"Link1", "Link2", "Link3", "Link4", "Link5"};
constexpr const char* kFakeSurfing = "FSEnabled";
constexpr const char* kMouseMovement = "MMEnabled";
constexpr const char* kOnTop = "OTEnabled";
constexpr const char* kPauseTime = "PauseTime";

}  // namespace

RotatorSettings RotatorSettings::Read(IniFields& fields, const SettingsContext& settings) {
    RotatorSettings values;
    for (std::size_t i = 0; i < values.links.size(); ++i)
        values.links[i] = ReadSetting(fields, settings, kSection, kLinks[i]);
    values.fakeSurfing = ReadSetting(fields, settings, kSection, kFakeSurfing);
    values.mouseMovement = ReadSetting(fields, settings, kSection, kMouseMovement);
    values.onTop = ReadSetting(fields, settings, kSection, kOnTop);
    values.pauseTime = ReadSetting(fields, settings, kSection, kPauseTime);
    return values;
}

bool RotatorSettings::Write(IniFields& fields, const SettingsContext& settings) const {
    bool stored = true;
    for (std::size_t i = 0; i < links.size(); ++i)
        stored &= WriteSetting(fields, settings, kSection, kLinks[i], links[i]);
    stored &= WriteSetting(fields, settings, kSection, kFakeSurfing, fakeSurfing);
    stored &= WriteSetting(fields, settings, kSection, kMouseMovement, mouseMovement);
    stored &= WriteSetting(fields, settings, kSection, kOnTop, onTop);
    stored &= WriteSetting(fields, settings, kSection, kPauseTime, pauseTime);
    return stored;
}

}  // namespace vantle
