#include "logic/refresh_logic.h"

#include <gtest/gtest.h>

#include <limits>

namespace vantle::refresher {
namespace {

using namespace std::chrono_literals;

TEST(RefreshLogic, TicksPopupsAndTheDialogsInterval) {
    // Only the exact address shown is reloaded: no normalisation (the browser's closing "/",
    // case, a blank pane). An unusable interval leaves the timer's own.
    EXPECT_FALSE(PlanTick("http://a.test/p", "1000", "http://a.test/p").navigate);
    for (const char* shown : {"http://a.test/p/", "http://A.test/p", ""})
        EXPECT_TRUE(PlanTick("http://a.test/p", "1000", shown).navigate) << shown;
    EXPECT_EQ(PlanTick("", "2501.5", "").interval, 2502);
    EXPECT_FALSE(PlanTick("", "0.4", "").interval.has_value());
    // Popups need Allow to read as exactly 1, and only web addresses leave for the browser.
    EXPECT_TRUE(PopupAllowed(" 1.0 ", "HTTPS://a.test/"));
    for (const char* allow : {"0", "2", "", "yes"}) EXPECT_FALSE(PopupAllowed(allow, "http://a/"));
    for (const char* url : {"about:blank", "file:///etc/passwd", "javascript:alert(1)", "http:/a"})
        EXPECT_FALSE(PopupAllowed("1", url)) << url;
    // The dialog takes 10 ms and up to what a timer can take; what is no number is too low.
    EXPECT_EQ(CheckDialogInterval(" 10.0 "), IntervalVerdict::Accepted);
    EXPECT_EQ(CheckDialogInterval("2147483647"), IntervalVerdict::Accepted);
    for (const char* low : {"   ", "10ms", "1,000", "9.99"})
        EXPECT_EQ(CheckDialogInterval(low), IntervalVerdict::BelowMinimum) << low;
    EXPECT_EQ(CheckDialogInterval("2147483647.5"), IntervalVerdict::AboveMaximum);
}

TEST(RefreshLogic, DeadlinesSleepsAndTicksOnAMonotonicClock) {
    const MonotonicClock::time_point t{};
    // The longest wait a caller can ask for (2^31 - 1 seconds) after 25 days: no overflow.
    const auto longest = std::chrono::seconds(std::numeric_limits<std::int32_t>::max());
    EXPECT_GT(WaitDeadline(t + 24h * 25, longest), t + 24h * 25);
    EXPECT_EQ(MillisecondsUntil(t + longest, t), std::numeric_limits<int>::max());
    // Rounded up, so a sleep never ends early; the next tick keeps the phase, skipping missed ones.
    EXPECT_EQ(MillisecondsUntil(t + 10s, t + 10s - 1us), 1);
    EXPECT_EQ(MillisecondsUntil(t + 10s, t + 10s + 1ms), 0);
    EXPECT_EQ(NextTick(t, 1000ms, t + 10'500ms), t + 11'000ms);
}

}  // namespace
}  // namespace vantle::refresher
