#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

// The Url Refresher's decisions, apart from its windows.
namespace vantle::refresher {

// What a pane's timer tick does once it has found the pane idle and read its address and
// interval.
struct TickPlan {
    // The timer's new period; nothing when the stored text gives no usable interval, so the
    // timer keeps the one it has.
    std::optional<std::int32_t> interval;
    // True: navigate to the stored address, then give the page the pane's wait (the window
    // does both, see frmBrowser::Tick). False: reload the page shown.
    bool navigate = false;
};

// `location` is the pane's current address. The comparison is exact: a redirect, or a browser
// that shows "http://host/" for a stored "http://host", makes the pane navigate again.
TickPlan PlanTick(std::string_view storedAddress, std::string_view storedInterval,
                  std::string_view location);

// Whether a page may open a new window at `url`: the stored policy must read as the number 1,
// and only web addresses go to the default browser.
bool PopupAllowed(std::string_view storedAllow, std::string_view url);

// http and https only, scheme in any case.
bool IsWebAddress(std::string_view url);

enum class IntervalVerdict { Accepted, BelowMinimum, AboveMaximum };

// The configuration dialog's check of a typed interval: at least 10 ms, at most what a timer
// can take. An empty box or one that is not a number counts as below the minimum.
IntervalVerdict CheckDialogInterval(std::string_view text);

inline constexpr const char* kBelowMinimumMessage = "Values lower than 10ms is NOT allowed!";
inline constexpr const char* kAboveMaximumMessage =
    "Values higher than 2147483647ms is NOT allowed!";
inline constexpr const char* kIntervalErrorTitle = "Error";

// Waits and timer ticks run on a monotonic clock, so that no uptime makes them overflow and no
// change of the system time moves them.
using MonotonicClock = std::chrono::steady_clock;

// A span that is zero or negative ends the wait at once.
MonotonicClock::time_point WaitDeadline(MonotonicClock::time_point start,
                                        std::chrono::milliseconds span);

// When a periodic timer ticks next: one interval after the tick was due, so that neither the
// time a tick takes nor a late event loop adds up over the ticks. Periods missed entirely (the
// program was held up for longer) are skipped, keeping the phase.
MonotonicClock::time_point NextTick(MonotonicClock::time_point due,
                                    std::chrono::milliseconds interval,
                                    MonotonicClock::time_point now);

// How long to sleep before looking at the deadline again, in whole milliseconds for a timer:
// rounded up, so the wait never ends early, and cut to what a timer takes (a longer wait sleeps
// again). Zero once the deadline has come.
int MillisecondsUntil(MonotonicClock::time_point deadline, MonotonicClock::time_point now);

}  // namespace vantle::refresher
