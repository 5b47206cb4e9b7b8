#pragma once

namespace vantle::rotator_keys {

// The Rotator's settings, in the order its window and its dialog read them and the dialog
// writes them.
inline constexpr const char* kSection = "AI_Links";
inline constexpr const char* kLinks[] = {"Link1", "Link2", "Link3", "Link4", "Link5"};
inline constexpr const char* kFakeSurfing = "FSEnabled";
inline constexpr const char* kMouseMovement = "MMEnabled";
inline constexpr const char* kOnTop = "OTEnabled";

}  // namespace vantle::rotator_keys
