#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// How long a tool stands aside after a person's input: the PauseTime setting and the rule that
// decides, at a given moment, whether that input still holds the tool back.
namespace vantle {

inline constexpr std::chrono::seconds kDefaultPauseTime{30};
// One day: longer would read as "never again", which is what unticking a tool is for.
inline constexpr std::chrono::seconds kLongestPauseTime{86'400};

inline constexpr const char* kPauseTimeMessage =
    "Pause time must be a whole number of seconds from 0 to 86400!";
inline constexpr const char* kPauseTimeTitle = "Error";

// A typed or stored pause time: a whole number of seconds from 0 to kLongestPauseTime, blanks
// around it and a zero fraction allowed ("30", " 30 ", "30.0"); nothing for any other text.
std::optional<std::chrono::seconds> PauseTimeFromText(std::string_view text);

// The stored pause time as the tools use it: a missing or blank key, and any text that is not a
// pause time, give kDefaultPauseTime. Zero turns pausing off.
std::chrono::seconds PauseTimeFrom(std::string_view stored);

// What a dialog shows for the stored text: the text itself, or the default for a blank one, so
// that a file without the key shows (and saves) the value the tools use.
std::string PauseTimeShown(std::string_view stored);

// Whether a person's input at `lastInput` holds the tool back at `now`: for `pause` after it,
// never with a pause of zero, and only input at or after `countedFrom` counts. Callers pass the
// moment of Start, so the click on Start and whatever came before it do not.
bool HeldByInput(std::optional<std::chrono::steady_clock::time_point> lastInput,
                 std::chrono::steady_clock::time_point countedFrom, std::chrono::seconds pause,
                 std::chrono::steady_clock::time_point now);

}  // namespace vantle
