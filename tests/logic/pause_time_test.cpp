#include "logic/pause_time.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

using namespace std::chrono_literals;

TEST(PauseTime, WholeSecondsFromZeroToADayElseTheDefault) {
    EXPECT_EQ(PauseTimeFromText(" 3 "), 3s);
    EXPECT_EQ(PauseTimeFromText("0"), 0s);
    EXPECT_EQ(PauseTimeFromText("86400.0"), 86400s);
    for (const char* bad : {"", "  ", "abc", "3s", "2.5", "-1", "86401", "1e300", "nan"})
        EXPECT_FALSE(PauseTimeFromText(bad).has_value()) << bad;
    // The tools read anything unusable, a missing key included, as 30 s.
    EXPECT_EQ(PauseTimeFrom(""), 30s);
    EXPECT_EQ(PauseTimeFrom("-5"), 30s);
    EXPECT_EQ(PauseTimeFrom("0"), 0s);
    EXPECT_EQ(PauseTimeShown(" "), "30");
    EXPECT_EQ(PauseTimeShown("abc"), "abc");
}

TEST(PauseTime, InputHoldsForThePauseCountedFromStart) {
    const std::chrono::steady_clock::time_point start{100s};
    const auto input = start + 1s;
    EXPECT_TRUE(HeldByInput(input, start, 3s, input));
    EXPECT_TRUE(HeldByInput(input, start, 3s, input + 3s - 1ms));
    EXPECT_FALSE(HeldByInput(input, start, 3s, input + 3s));
    EXPECT_FALSE(HeldByInput(input, start, 0s, input)) << "zero turns pausing off";
    EXPECT_FALSE(HeldByInput(std::nullopt, start, 3s, input));
    // Input before Start (the click on it included) does not count; at Start itself it does.
    EXPECT_FALSE(HeldByInput(start - 1ms, start, 3s, start + 1s));
    EXPECT_TRUE(HeldByInput(start, start, 3s, start + 1s));
}

}  // namespace
}  // namespace vantle
