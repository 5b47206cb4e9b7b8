#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantle {

// The Rotator's once-a-second mouse activity: 125 numbered steps, each aiming the cursor at one
// of five points of the Rotator's client area (one of them below the window) and some of them
// pressing a button first. Targets are client pixels at 96 DPI.
enum class StepKind { RightClick, NearCorner, TopEdge, LeftClick, Far };

struct ActivityTarget {
    StepKind kind;
    std::int16_t x;
    std::int16_t y;
};

inline constexpr int kActivitySteps = 125;

// The step number that follows `stepCount`: 1, 2, ... 124, 0, 1, ...
std::int16_t NextStepNumber(std::int16_t stepCount);

// The schedule's row for a step number. Numbers outside 0 to 124 are far steps, like every
// number the click and edge rows do not list.
const ActivityTarget& TargetForStep(std::int16_t stepNumber);

// "Y:450 X:320": the y value first.
std::string TargetCaption(std::int16_t x, std::int16_t y);

// The progress indicator counts steps 1 to 10, then starts again at 1.
int NextProgressValue(int value);

// The screen's size in the targets' units (96-DPI pixels).
struct ScreenExtent {
    float width = 0;
    float height = 0;
};

// Pulls a target that lies beyond the screen's right or bottom edge back onto it: x to the
// screen width less 20, y to the screen height less 15, nearest whole number, halves to even.
void KeepTargetOnScreen(std::int16_t& x, std::int16_t& y, ScreenExtent screen);

// Nearest 32-bit integer, halves to even; nothing for a value that has none (NaN, infinite, out
// of range).
std::optional<std::int32_t> NearestInt32(double value);

}  // namespace vantle
