#include "logic/activity_schedule.h"

#include <gtest/gtest.h>

#include <limits>

namespace vantle {

TEST(ActivitySchedule, StepCountersAndProgressWrapRound) {
    // A full round of steps ends where it began.
    std::int16_t step = 0;
    for (int i = 0; i < kActivitySteps; ++i) step = NextStepNumber(step);
    EXPECT_EQ(step, 0);
    EXPECT_EQ(NextStepNumber(std::numeric_limits<std::int16_t>::max()), 0);
    // Step counters set out of range by hand: no read past the table.
    for (std::int16_t far : {-1, 125, -32768}) EXPECT_EQ(TargetForStep(far).kind, StepKind::Far);
    for (const auto& [value, next] : {std::pair{0, 1}, {9, 10}, {10, 1}, {37, 1}})
        EXPECT_EQ(NextProgressValue(value), next) << value;
}

// Where a step sends the pointer: the row that lists the step, else the far target.
TEST(ActivitySchedule, EachStepHasItsTarget) {
    const std::tuple<std::int16_t, StepKind, int, int> steps[] = {
        {0, StepKind::Far, 320, 450},     {6, StepKind::LeftClick, 160, 125},
        {121, StepKind::Far, 320, 450},   {122, StepKind::RightClick, 2, 15},
        {123, StepKind::TopEdge, 130, 5}, {124, StepKind::Far, 320, 450}};
    for (const auto& [step, kind, x, y] : steps) {
        const ActivityTarget& target = TargetForStep(step);
        EXPECT_TRUE(target.kind == kind && target.x == x && target.y == y) << "step " << step;
    }
}

// Fractional sizes (a scaled display) round halves to even; a screen smaller than the margin puts
// the target off the top-left edge without wrapping round.
TEST(ActivitySchedule, TargetsBeyondTheScreenArePulledBackWithoutOverflow) {
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
    for (double bad : {2147483648.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()})
        EXPECT_EQ(NearestInt32(bad), std::nullopt) << bad;
}

}  // namespace vantle
