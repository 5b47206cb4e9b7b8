#include "rotator/activity_schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace vantle {
namespace {

using Point = std::pair<int, int>;

TEST(ActivitySchedule, EveryStepNumberHasOneKind) {
    std::map<StepKind, int> counts;
    for (std::int16_t step = 0; step < kActivitySteps; ++step) ++counts[TargetForStep(step).kind];
    EXPECT_EQ(counts[StepKind::RightClick], 11);
    EXPECT_EQ(counts[StepKind::NearCorner], 10);
    EXPECT_EQ(counts[StepKind::TopEdge], 12);
    EXPECT_EQ(counts[StepKind::LeftClick], 9);
    EXPECT_EQ(counts[StepKind::Far], 83);

    EXPECT_EQ(TargetForStep(14).kind, StepKind::RightClick);
    EXPECT_EQ(TargetForStep(18).kind, StepKind::RightClick);
    EXPECT_EQ(TargetForStep(122).kind, StepKind::RightClick);
    EXPECT_EQ(TargetForStep(120).kind, StepKind::NearCorner);
    EXPECT_EQ(TargetForStep(123).kind, StepKind::TopEdge);
    EXPECT_EQ(TargetForStep(114).kind, StepKind::LeftClick);
    EXPECT_EQ(TargetForStep(0).kind, StepKind::Far);
    EXPECT_EQ(TargetForStep(124).kind, StepKind::Far);
    // A step counter set out of range by hand gets a far step, not a read past the table.
    EXPECT_EQ(TargetForStep(-1).kind, StepKind::Far);
    EXPECT_EQ(TargetForStep(125).kind, StepKind::Far);
    EXPECT_EQ(TargetForStep(std::numeric_limits<std::int16_t>::min()).kind, StepKind::Far);
}

TEST(ActivitySchedule, StepNumbersRunOneTo124ThenZeroAndNeverOverflow) {
    EXPECT_EQ(NextStepNumber(0), 1);
    EXPECT_EQ(NextStepNumber(123), 124);
    EXPECT_EQ(NextStepNumber(124), 0);
    EXPECT_EQ(NextStepNumber(std::numeric_limits<std::int16_t>::max()), 0);

    std::set<int> seen;
    std::int16_t step = 0;
    for (int i = 0; i < kActivitySteps; ++i) {
        step = NextStepNumber(step);
        seen.insert(step);
    }
    EXPECT_EQ(step, 0);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kActivitySteps));
}

TEST(ActivitySchedule, ProgressCountsOneToTenAgainAndAgain) {
    std::vector<int> values;
    int value = 0;
    for (int i = 0; i < 12; ++i) values.push_back(value = NextProgressValue(value));
    EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2}));
    // A value beyond the range (set by hand) starts again too.
    EXPECT_EQ(NextProgressValue(37), 1);
}

Point Clamped(Point target, ScreenExtent screen) {
    auto x = static_cast<std::int16_t>(target.first);
    auto y = static_cast<std::int16_t>(target.second);
    KeepTargetOnScreen(x, y, screen);
    return {x, y};
}

TEST(ActivitySchedule, TargetsBeyondTheScreenArePulledBack) {
    for (Point target :
         {Point{2, 15}, Point{20, 10}, Point{130, 5}, Point{160, 125}, Point{320, 450}}) {
        EXPECT_EQ(Clamped(target, {640, 480}), target);
    }
    EXPECT_EQ(Clamped({320, 450}, {300, 1024}), (Point{280, 450}));
    EXPECT_EQ(Clamped({160, 125}, {300, 1024}), (Point{160, 125}));
    EXPECT_EQ(Clamped({320, 450}, {1280, 400}), (Point{320, 385}));
    EXPECT_EQ(Clamped({320, 450}, {300, 400}), (Point{280, 385}));
    // Only beyond the edge: a target exactly at the screen's size stays.
    EXPECT_EQ(Clamped({320, 450}, {320, 450}), (Point{320, 450}));
    // Fractional sizes (a scaled display) round halves to even.
    EXPECT_EQ(Clamped({320, 450}, {300.5f, 400.5f}), (Point{280, 386}));
    EXPECT_EQ(Clamped({320, 450}, {301.5f, 399.5f}), (Point{282, 384}));
    // A screen smaller than the margin pulls the target off the top-left edge; no wrap-around.
    EXPECT_EQ(Clamped({320, 450}, {10, 5}), (Point{-10, -10}));
}

TEST(ActivitySchedule, NearestInt32RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(NearestInt32(2.5), 2);
    EXPECT_EQ(NearestInt32(3.5), 4);
    EXPECT_EQ(NearestInt32(-2.5), -2);
    EXPECT_EQ(NearestInt32(2.4999), 2);
    EXPECT_EQ(NearestInt32(2147483647.0), 2147483647);
    EXPECT_EQ(NearestInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_EQ(NearestInt32(2147483648.0), std::nullopt);
    EXPECT_EQ(NearestInt32(std::nan("")), std::nullopt);
    EXPECT_EQ(NearestInt32(std::numeric_limits<double>::infinity()), std::nullopt);
}

}  // namespace
}  // namespace vantle
