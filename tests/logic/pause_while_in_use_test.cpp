#include "logic/pause_while_in_use.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

using namespace std::chrono_literals;
using Clock = PauseWhileInUse::Clock;

// One step a second, each an input of the program's own that the desktop registers at once:
// the desktop's idle time then always covers the time since the last step.
TEST(PauseWhileInUse, OwnStepsAndTheStartingInputNeverPause) {
    PauseWhileInUse pause(30s);
    Clock::time_point t{};
    pause.Start(t);
    // The release of the key that pressed Start comes 300 ms after it.
    EXPECT_TRUE(pause.MayStep(t + 1s, 700ms));
    for (int step = 1; step < 200; ++step) {
        pause.OwnInput(t + step * 1s, 0ms);
        EXPECT_TRUE(pause.MayStep(t + (step + 1) * 1s, 1000ms)) << step;
    }
    // An input the desktop registers late, within the latency its backend names.
    pause.OwnInput(t + 300s, 250ms);
    EXPECT_TRUE(pause.MayStep(t + 301s, 760ms));
}

TEST(PauseWhileInUse, APersonsInputHoldsUntilThePauseTimeHasPassed) {
    PauseWhileInUse pause(5s);
    Clock::time_point t{};
    pause.Start(t);
    pause.OwnInput(t + 1s, 0ms);
    // Someone pressed a key 400 ms after the step.
    EXPECT_FALSE(pause.MayStep(t + 2s, 600ms));
    EXPECT_TRUE(pause.Paused());
    // While paused the program makes no input: the idle time is the person's alone.
    EXPECT_FALSE(pause.MayStep(t + 4s, 2600ms));
    EXPECT_FALSE(pause.MayStep(t + 6s, 1000ms));  // they came back
    EXPECT_FALSE(pause.MayStep(t + 10s, 4999ms));
    EXPECT_TRUE(pause.MayStep(t + 11s, 5000ms));
    EXPECT_FALSE(pause.Paused());
    // A new Start forgets a pause.
    pause.OwnInput(t + 11s, 0ms);
    EXPECT_FALSE(pause.MayStep(t + 12s, 10ms));
    pause.Start(t + 13s);
    EXPECT_FALSE(pause.Paused());
}

TEST(PauseWhileInUse, OffOrWithoutAnIdleTimeItNeverPauses) {
    PauseWhileInUse off(0s), blind(30s);
    const Clock::time_point t{};
    off.Start(t);
    blind.Start(t);
    off.OwnInput(t + 1s, 0ms);
    EXPECT_TRUE(off.MayStep(t + 2s, 0ms) && !blind.MayStep(t + 2s, 0ms));
    EXPECT_TRUE(blind.MayStep(t + 3s, std::nullopt));
}

}  // namespace
}  // namespace vantle
