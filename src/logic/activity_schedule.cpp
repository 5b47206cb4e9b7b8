#include "logic/activity_schedule.h"

#include <array>
#include <cmath>
#include <limits>
#include <span>

#include "logic/numbers.h"

namespace vantle {
namespace {

constexpr std::int16_t kRightClickSteps[] = {3, 7, 9, 14, 18, 21, 28, 37, 41, 53, 122};
constexpr std::int16_t kNearCornerSteps[] = {2, 5, 10, 13, 15, 25, 50, 63, 90, 120};
constexpr std::int16_t kTopEdgeSteps[] = {4, 8, 12, 17, 22, 26, 54, 61, 80, 94, 118, 123};
constexpr std::int16_t kLeftClickSteps[] = {6, 11, 23, 27, 34, 45, 78, 96, 114};

struct ScheduleRow {
    ActivityTarget target;
    std::span<const std::int16_t> steps;  // empty: every step no earlier row lists
};

// The rows are tried in this order and the first that lists a step number wins.
constexpr ScheduleRow kSchedule[] = {
    {{StepKind::RightClick, 2, 15}, kRightClickSteps},
    {{StepKind::NearCorner, 20, 10}, kNearCornerSteps},
    {{StepKind::TopEdge, 130, 5}, kTopEdgeSteps},
    {{StepKind::LeftClick, 160, 125}, kLeftClickSteps},
    {{StepKind::Far, 320, 450}, {}},
};
constexpr std::size_t kFarRow = std::size(kSchedule) - 1;

// Row index for every step number, worked out once at compile time.
constexpr std::array<std::size_t, kActivitySteps> kRowOfStep = [] {
    std::array<std::size_t, kActivitySteps> rows{};
    rows.fill(kFarRow);
    for (std::size_t row = kFarRow; row-- > 0;) {
        for (std::int16_t step : kSchedule[row].steps) rows[step] = row;
    }
    return rows;
}();

constexpr std::size_t CountRow(std::size_t row) {
    std::size_t count = 0;
    for (std::size_t r : kRowOfStep) count += r == row ? 1 : 0;
    return count;
}
static_assert(CountRow(kFarRow) == 83, "83 far steps, no step listed twice");

// A pulled-back coordinate that would not fit the target's type leaves the target as it was.
void PullBack(std::int16_t& target, float extent, float margin) {
    if (!(extent < target)) return;
    const std::optional<std::int32_t> pulled = NearestInt32(extent - margin);
    if (pulled && *pulled >= std::numeric_limits<std::int16_t>::min()) {
        target = static_cast<std::int16_t>(*pulled);
    }
}

}  // namespace

std::int16_t NextStepNumber(std::int16_t stepCount) {
    const int next = stepCount + 1;
    return static_cast<std::int16_t>(next > kActivitySteps - 1 ? 0 : next);
}

const ActivityTarget& TargetForStep(std::int16_t stepNumber) {
    if (stepNumber < 0 || stepNumber >= kActivitySteps) return kSchedule[kFarRow].target;
    return kSchedule[kRowOfStep[stepNumber]].target;
}

std::string TargetCaption(std::int16_t x, std::int16_t y) {
    return "Y:" + std::to_string(y) + " X:" + std::to_string(x);
}

int NextProgressValue(int value) { return (value > 9 ? 0 : value) + 1; }

std::optional<std::int32_t> NearestInt32(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

void KeepTargetOnScreen(std::int16_t& x, std::int16_t& y, ScreenExtent screen) {
    PullBack(x, screen.width, 20.0f);
    PullBack(y, screen.height, 15.0f);
}

}  // namespace vantle
