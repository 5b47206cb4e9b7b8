#include "logic/status_text.h"

#include <gtest/gtest.h>

#include <array>

namespace vantle::status {
namespace {

using namespace std::chrono_literals;

TEST(StatusText, Refresher) {
    RefresherStatus status;
    EXPECT_EQ(RefresherLine(status), "Url Refresher: stopped");
    EXPECT_EQ(RefresherBrief(status), "Refresher stopped");

    // Only ticking panes are named; each with its own countdown or its pause.
    status.running = true;
    status.reloadsSinceStart = 1;
    status.panes[1] = {.ticking = true, .nextTickIn = 3s};
    EXPECT_EQ(RefresherLine(status), "Url Refresher: running, 1 reload; pane 2 next in 3 s");
    status.reloadsSinceStart = 12;
    status.panes[0] = {.ticking = true, .nextTickIn = 2s, .pausedForUser = true};
    status.lastFailure = LoadFailure{{9, 4}, "Could not connect"};
    EXPECT_EQ(RefresherLine(status),
              "Url Refresher: running, 12 reloads; pane 1 paused while you use the computer; "
              "pane 2 next in 3 s; 09:04: Could not connect");
    // The brief names the soonest tick of a pane that is not paused.
    EXPECT_EQ(RefresherBrief(status), "Refresher 12 reloads, next 3 s, paused, failed");
    status.panes[0].pausedForUser = false;
    status.lastFailure.reset();
    EXPECT_EQ(RefresherBrief(status), "Refresher 12 reloads, next 2 s");
}

TEST(StatusText, Rotator) {
    RotatorStatus status;
    EXPECT_EQ(RotatorLine(status), "Url Rotator: stopped");
    EXPECT_EQ(RotatorBrief(status), "Rotator stopped");
    status.running = true;
    EXPECT_EQ(RotatorLine(status), "Url Rotator: running");
    status = {.running = true, .rotating = true, .link = 0, .links = 5, .nextRotationIn = 20s};
    EXPECT_EQ(RotatorLine(status), "Url Rotator: running, start page, next in 20 s");
    status = {true, true, 3, 5, 12s, true};
    EXPECT_EQ(RotatorLine(status),
              "Url Rotator: running, Link 3 of 5, next in 12 s, mouse movement");
    EXPECT_EQ(RotatorBrief(status), "Rotator Link 3 of 5, next 12 s");
    status.activityPausedForUser = true;
    EXPECT_EQ(RotatorLine(status),
              "Url Rotator: running, Link 3 of 5, next in 12 s, mouse movement paused while you "
              "use the computer");
    EXPECT_EQ(RotatorBrief(status), "Rotator Link 3 of 5, next 12 s, paused");
}

TEST(StatusText, CountdownsRoundUpAndFitTheWidth) {
    EXPECT_EQ(
        (std::array{SecondsLeft(2001ms), SecondsLeft(2000ms), SecondsLeft(1ns), SecondsLeft(-5ms)}),
        (std::array{3s, 2s, 1s, 0s}));
    // The longest wording that fits, down to a count of what runs.
    const Wordings both{{"Url Refresher: running, 3 reloads", "Url Rotator: stopped"},
                        {"Refresher 3 reloads", "Rotator stopped"},
                        1};
    EXPECT_EQ(FitPanel(both, 100), "Url Refresher: running, 3 reloads | Url Rotator: stopped");
    EXPECT_EQ(FitPanel(both, 40), "Refresher 3 reloads | Rotator stopped");
    EXPECT_EQ(FitPanel(both, 1), "1 of 2 tools running");
    EXPECT_EQ(FitPanel({{"Url Rotator: stopped"}, {"Rotator stopped"}, 0}, 5), "Rotator stopped");
    EXPECT_EQ(FitPanel({}, 1), "Status");
}

}  // namespace
}  // namespace vantle::status
