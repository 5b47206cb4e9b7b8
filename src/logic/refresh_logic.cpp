#include "logic/refresh_logic.h"

#include <algorithm>
#include <limits>

#include "base/ascii_text.h"
#include "logic/numbers.h"

namespace vantle::refresher {
namespace {

constexpr double kMinimumInterval = 10;

}  // namespace

TickPlan PlanTick(std::string_view storedAddress, std::string_view storedInterval,
                  std::string_view location) {
    return {IntervalFromText(storedInterval), storedAddress != location};
}

bool IsWebAddress(std::string_view url) {
    return StartsWithIgnoringCase(url, "http://") || StartsWithIgnoringCase(url, "https://");
}

bool PopupAllowed(std::string_view storedAllow, std::string_view url) {
    return IsNumberOne(storedAllow) && IsWebAddress(url);
}

IntervalVerdict CheckDialogInterval(std::string_view text) {
    const std::optional<double> value = ParseNumber(text);
    if (!value || !(*value >= kMinimumInterval)) return IntervalVerdict::BelowMinimum;
    // Anything up to the bound rounds to a whole number the pane's timer takes.
    if (*value > std::numeric_limits<std::int32_t>::max()) return IntervalVerdict::AboveMaximum;
    return IntervalVerdict::Accepted;
}

MonotonicClock::time_point WaitDeadline(MonotonicClock::time_point start,
                                        std::chrono::milliseconds span) {
    return span.count() <= 0 ? start : start + span;
}

MonotonicClock::time_point NextTick(MonotonicClock::time_point due,
                                    std::chrono::milliseconds interval,
                                    MonotonicClock::time_point now) {
    const MonotonicClock::time_point next = due + interval;
    if (next > now || interval.count() <= 0) return next;
    return due + ((now - due) / interval + 1) * interval;
}

int MillisecondsUntil(MonotonicClock::time_point deadline, MonotonicClock::time_point now) {
    if (now >= deadline) return 0;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<decltype(left)>(left, std::numeric_limits<int>::max()));
}

}  // namespace vantle::refresher
