#include "rotator/activity_schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

namespace vantle {
namespace {

TEST(ActivitySchedule, StepKindsCountersAndProgress) {
    std::vector<int> counts(5);
    for (std::int16_t step = 0; step < kActivitySteps; ++step)
        ++counts[static_cast<int>(TargetForStep(step).kind)];
    // Right click, near the corner, top edge, left click, far.
    EXPECT_EQ(counts, (std::vector<int>{11, 10, 12, 9, 83}));
    // Step counters set out of range by hand: no read past the table.
    for (std::int16_t far : {124, -1, 125, -32768})
        EXPECT_EQ(TargetForStep(far).kind, StepKind::Far);

    std::set<int> seen;
    std::int16_t step = 0;
    for (int i = 0; i < kActivitySteps; ++i) seen.insert(step = NextStepNumber(step));
    EXPECT_EQ(step, 0);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kActivitySteps));
    EXPECT_EQ(NextStepNumber(std::numeric_limits<std::int16_t>::max()), 0);
    std::vector<int> progress;
    for (int value = 0; progress.size() < 12;) progress.push_back(value = NextProgressValue(value));
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2}));
    EXPECT_EQ(NextProgressValue(37), 1);
}

TEST(ActivitySchedule, TargetsBeyondTheScreenArePulledBackWithoutOverflow) {
    // Fractional sizes (a scaled display) round halves to even; a screen smaller than the
    // margin puts the target off the top-left edge without wrapping round.
    const std::tuple<ScreenExtent, int, int> cases[] = {
        {{300, 1024}, 280, 450},      {{1280, 400}, 320, 385},      {{320, 450}, 320, 450},
        {{300.5f, 400.5f}, 280, 386}, {{301.5f, 399.5f}, 282, 384}, {{10, 5}, -10, -10}};
    for (const auto& [screen, x, y] : cases) {
        std::int16_t cx = 320, cy = 450;
        KeepTargetOnScreen(cx, cy, screen);
        EXPECT_EQ(std::pair(int{cx}, int{cy}), std::pair(x, y))
            << screen.width << "x" << screen.height;
    }
    EXPECT_EQ(NearestInt32(-2.5), -2);
    EXPECT_EQ(NearestInt32(-2147483648.0), std::numeric_limits<std::int32_t>::min());
    for (double bad : {2147483648.0, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(NearestInt32(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace vantle
