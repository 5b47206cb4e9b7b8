#include "logic/pause_time.h"

#include <cmath>

#include "base/ascii_text.h"
#include "logic/numbers.h"

namespace vantle {

std::optional<std::chrono::seconds> PauseTimeFromText(std::string_view text) {
    const std::optional<double> number = ParseNumber(text);
    if (!number || *number != std::floor(*number)) return std::nullopt;
    if (*number < 0 || *number > kLongestPauseTime.count()) return std::nullopt;
    return std::chrono::seconds(static_cast<std::chrono::seconds::rep>(*number));
}

std::chrono::seconds PauseTimeFrom(std::string_view stored) {
    return PauseTimeFromText(stored).value_or(kDefaultPauseTime);
}

std::string PauseTimeShown(std::string_view stored) {
    if (TrimmedBy(stored, IsSpaceOrTab).empty()) return std::to_string(kDefaultPauseTime.count());
    return std::string(stored);
}

bool HeldByInput(std::optional<std::chrono::steady_clock::time_point> lastInput,
                 std::chrono::steady_clock::time_point countedFrom, std::chrono::seconds pause,
                 std::chrono::steady_clock::time_point now) {
    return pause.count() > 0 && lastInput && *lastInput >= countedFrom && now < *lastInput + pause;
}

}  // namespace vantle
