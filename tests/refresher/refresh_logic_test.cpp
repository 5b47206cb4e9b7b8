#include "refresher/refresh_logic.h"

#include <gtest/gtest.h>

#include <limits>

#include "shell/activation_guard.h"

namespace vantle::refresher {
namespace {

using namespace std::chrono_literals;

TEST(PlanTick, ReloadsOnlyWhenTheAddressIsExactlyTheOneShown) {
    EXPECT_FALSE(PlanTick("http://a.test/p", "1000", "http://a.test/p").navigate);
    // No normalisation of any kind: the browser's closing "/", case, a redirect.
    EXPECT_TRUE(PlanTick("http://a.test", "1000", "http://a.test/").navigate);
    EXPECT_TRUE(PlanTick("http://A.test/p", "1000", "http://a.test/p").navigate);
    EXPECT_TRUE(PlanTick("http://a.test/old", "1000", "http://a.test/new").navigate);
    // A blank pane that became active after load gets its page at the first tick.
    EXPECT_TRUE(PlanTick("http://a.test/p", "1000", "").navigate);
}

TEST(PlanTick, AnIntervalThatIsNoWholeNumberOfMillisecondsKeepsTheTimerAsItWas) {
    EXPECT_EQ(PlanTick("", "2501.5", "").interval, 2502);
    for (const char* unusable : {"", "abc", "0.4", "-5", "2147483648", "http://a.test/"}) {
        EXPECT_FALSE(PlanTick("", unusable, "").interval.has_value()) << unusable;
    }
}

TEST(PopupAllowed, NeedsAllowOfOneAndAWebAddress) {
    for (const char* one : {"1", "1.0", "01", " 1 "}) {
        EXPECT_TRUE(PopupAllowed(one, "http://a.test/x")) << one;
    }
    EXPECT_TRUE(PopupAllowed("1", "https://a.test/"));
    EXPECT_TRUE(PopupAllowed("1", "HTTPS://a.test/"));
    for (const char* other : {"0", "2", "-1", "", "yes", "1.5"}) {
        EXPECT_FALSE(PopupAllowed(other, "http://a.test/x")) << other;
    }
    for (const char* url : {"", "about:blank", "file:///etc/passwd", "javascript:alert(1)",
                            "ftp://a.test/", "data:text/html,x", "http:/a.test", "httpx://a"}) {
        EXPECT_FALSE(PopupAllowed("1", url)) << url;
    }
}

TEST(CheckDialogInterval, TenInclusiveUpToTheLargestTimerInterval) {
    for (const char* ok : {"10", "10.0", " 10 ", "1500.5", "600000", "2147483647"}) {
        EXPECT_EQ(CheckDialogInterval(ok), IntervalVerdict::Accepted) << ok;
    }
    for (const char* low : {"9.99", "9", "0", "-5", "", "   ", "abc", "10ms", "1,000"}) {
        EXPECT_EQ(CheckDialogInterval(low), IntervalVerdict::BelowMinimum) << low;
    }
    for (const char* high : {"2147483647.5", "2147483648", "1e10"}) {
        EXPECT_EQ(CheckDialogInterval(high), IntervalVerdict::AboveMaximum) << high;
    }
}

TEST(Wait, DeadlineAndSleepsOnAMonotonicClock) {
    const MonotonicClock::time_point start{};
    EXPECT_EQ(WaitDeadline(start, 10s), start + 10s);
    EXPECT_EQ(WaitDeadline(start, 0s), start);
    EXPECT_EQ(WaitDeadline(start, -3s), start);
    // The longest wait a caller can ask for (2^31 - 1 seconds) stays far from any overflow.
    const auto longest = std::chrono::seconds(std::numeric_limits<std::int32_t>::max());
    EXPECT_GT(WaitDeadline(start + 24h * 25, longest), start + 24h * 25);

    const auto deadline = start + 10s;
    EXPECT_EQ(MillisecondsUntil(deadline, start), 10000);
    // Rounded up: a sleep never ends before the deadline.
    EXPECT_EQ(MillisecondsUntil(deadline, deadline - 1us), 1);
    EXPECT_EQ(MillisecondsUntil(deadline, deadline), 0);
    EXPECT_EQ(MillisecondsUntil(deadline, deadline + 1ms), 0);
    EXPECT_EQ(MillisecondsUntil(start + longest, start), std::numeric_limits<int>::max());
}

TEST(NextTick, KeepsThePhaseWhateverTheTicksTakeAndSkipsMissedPeriods) {
    const MonotonicClock::time_point due{};
    EXPECT_EQ(NextTick(due, 1000ms, due + 3ms), due + 1000ms);
    EXPECT_EQ(NextTick(due, 1000ms, due + 999ms), due + 1000ms);
    // Held up past the next moment (a ten-second wait in a tick): the missed ones are skipped.
    EXPECT_EQ(NextTick(due, 1000ms, due + 1000ms), due + 2000ms);
    EXPECT_EQ(NextTick(due, 1000ms, due + 10'500ms), due + 11'000ms);
    EXPECT_EQ(NextTick(due, 2147483647ms, due + 5ms), due + 2147483647ms);
}

TEST(ActivationGuard, FillsOnlyWhenTheUserComesFromAnotherWindowOfTheProgram) {
    const int dialog = 0, main = 0, refresher = 0;
    ActivationGuard guard(&dialog);
    guard.FilledByOpener();
    // The activation that the opener's showing brings: filled already.
    EXPECT_FALSE(guard.ShouldFill(&dialog));
    // Back from the dialog's own message box, or from another program: nothing of ours was
    // activated in between.
    EXPECT_FALSE(guard.ShouldFill(&dialog));

    EXPECT_FALSE(guard.ShouldFill(&main));
    EXPECT_TRUE(guard.ShouldFill(&dialog));
    EXPECT_FALSE(guard.ShouldFill(&refresher));
    EXPECT_FALSE(guard.ShouldFill(&main));
    EXPECT_TRUE(guard.ShouldFill(&dialog));
    EXPECT_FALSE(guard.ShouldFill(&dialog));

    // Shown again by an opener while another window was active: that showing filled it.
    EXPECT_FALSE(guard.ShouldFill(&main));
    guard.FilledByOpener();
    EXPECT_FALSE(guard.ShouldFill(&dialog));
}

}  // namespace
}  // namespace vantle::refresher
