#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the main window's status panel says about the tools: plain facts in, words out, so the
// wording lives here and nowhere else.
namespace vantle::status {

// A wall-clock moment as the user reads it: local hours and minutes.
struct ClockTime {
    int hour = 0;
    int minute = 0;
};
ClockTime LocalClockTime(std::chrono::system_clock::time_point when);

// The last page that could not be loaded, with the engine's reason.
struct LoadFailure {
    ClockTime at;
    std::string message;
};

struct RefresherPane {
    // Only an active pane of a started Refresher ticks; the others are left out of the text.
    bool ticking = false;
    std::chrono::seconds nextTickIn{0};
    bool pausedForUser = false;
};

struct RefresherStatus {
    bool running = false;
    std::int64_t reloadsSinceStart = 0;
    std::array<RefresherPane, 2> panes;
    std::optional<LoadFailure> lastFailure;
};

struct RotatorStatus {
    bool running = false;
    // FakeSurfing: `link` counts from 1; 0 while the start page is shown.
    bool rotating = false;
    int link = 0;
    int links = 0;
    std::chrono::seconds nextRotationIn{0};
    // Mouse Movement.
    bool activity = false;
    bool activityPausedForUser = false;
};

// One line per tool, everything it has to say: the panel's tooltip.
std::string RefresherLine(const RefresherStatus& status);
std::string RotatorLine(const RotatorStatus& status);

// The same in a few words, for the panel itself, which is narrow.
std::string RefresherBrief(const RefresherStatus& status);
std::string RotatorBrief(const RotatorStatus& status);

// What the panel shows with no tool open.
inline constexpr const char* kNoTool = "Status";

// Every open tool's line and brief, in the same order, and how many of them run.
struct Wordings {
    std::vector<std::string> lines;
    std::vector<std::string> briefs;
    int running = 0;
};

// The panel's text in at most `maxChars` characters where it can be: the tools' lines joined,
// else their briefs, else how many run (a single tool's brief when it is alone).
std::string FitPanel(const Wordings& wordings, std::size_t maxChars);
// The lines, one under the other.
std::string Tooltip(const Wordings& wordings);

// A countdown in whole seconds, rounded up so that "next in 0 s" is never shown before the tick.
std::chrono::seconds SecondsLeft(std::chrono::steady_clock::duration left);

}  // namespace vantle::status
