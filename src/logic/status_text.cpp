#include "logic/status_text.h"

#include <ctime>

namespace vantle::status {
namespace {

constexpr const char* kPaused = "paused while you use the computer";

std::string Seconds(std::chrono::seconds s) { return std::to_string(s.count()) + " s"; }

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string Reloads(std::int64_t count) {
    return std::to_string(count) + (count == 1 ? " reload" : " reloads");
}

// The soonest tick of the panes that are not paused; nothing when none is.
std::optional<std::chrono::seconds> SoonestTick(const RefresherStatus& status) {
    std::optional<std::chrono::seconds> soonest;
    for (const RefresherPane& pane : status.panes) {
        if (pane.ticking && !pane.pausedForUser && (!soonest || pane.nextTickIn < *soonest))
            soonest = pane.nextTickIn;
    }
    return soonest;
}

bool AnyPaused(const RefresherStatus& status) {
    for (const RefresherPane& pane : status.panes)
        if (pane.ticking && pane.pausedForUser) return true;
    return false;
}

std::string CurrentLink(const RotatorStatus& status) {
    if (status.link <= 0) return "start page";
    return "Link " + std::to_string(status.link) + " of " + std::to_string(status.links);
}

}  // namespace

ClockTime LocalClockTime(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return {};
    return {local.tm_hour, local.tm_min};
}

std::chrono::seconds SecondsLeft(std::chrono::steady_clock::duration left) {
    if (left <= left.zero()) return std::chrono::seconds(0);
    return std::chrono::ceil<std::chrono::seconds>(left);
}

std::string RefresherLine(const RefresherStatus& status) {
    std::string line = "Url Refresher: ";
    if (!status.running) return line + "stopped";
    line += "running, " + Reloads(status.reloadsSinceStart);
    for (std::size_t i = 0; i < status.panes.size(); ++i) {
        const RefresherPane& pane = status.panes[i];
        if (!pane.ticking) continue;
        line += "; pane " + std::to_string(i + 1) + " ";
        line += pane.pausedForUser ? kPaused : "next in " + Seconds(pane.nextTickIn);
    }
    if (status.lastFailure) {
        const LoadFailure& failure = *status.lastFailure;
        line += "; " + TwoDigits(failure.at.hour) + ":" + TwoDigits(failure.at.minute) + ": " +
                failure.message;
    }
    return line;
}

std::string RotatorLine(const RotatorStatus& status) {
    std::string line = "Url Rotator: ";
    if (!status.running) return line + "stopped";
    line += "running";
    if (status.rotating)
        line += ", " + CurrentLink(status) + ", next in " + Seconds(status.nextRotationIn);
    if (status.activity) {
        line += status.activityPausedForUser ? std::string(", mouse movement ") + kPaused
                                             : ", mouse movement";
    }
    return line;
}

std::string RefresherBrief(const RefresherStatus& status) {
    if (!status.running) return "Refresher stopped";
    std::string brief = "Refresher " + Reloads(status.reloadsSinceStart);
    if (const auto soonest = SoonestTick(status)) brief += ", next " + Seconds(*soonest);
    if (AnyPaused(status)) brief += ", paused";
    if (status.lastFailure) brief += ", failed";
    return brief;
}

std::string RotatorBrief(const RotatorStatus& status) {
    if (!status.running) return "Rotator stopped";
    std::string brief = "Rotator";
    if (status.rotating)
        brief += " " + CurrentLink(status) + ", next " + Seconds(status.nextRotationIn);
    if (status.activity && status.activityPausedForUser) brief += ", paused";
    return brief;
}

std::string FitPanel(const Wordings& wordings, std::size_t maxChars) {
    if (wordings.lines.empty()) return kNoTool;
    const auto joined = [](const std::vector<std::string>& parts) {
        std::string text = parts.front();
        for (std::size_t i = 1; i < parts.size(); ++i) text += " | " + parts[i];
        return text;
    };
    for (const auto* parts : {&wordings.lines, &wordings.briefs}) {
        std::string text = joined(*parts);
        if (text.size() <= maxChars) return text;
    }
    const std::size_t open = wordings.lines.size();
    if (open == 1) return wordings.briefs.front();
    const std::string tools = std::to_string(open) + " tools ";
    if (wordings.running == 0) return tools + "stopped";
    if (static_cast<std::size_t>(wordings.running) == open) return tools + "running";
    return std::to_string(wordings.running) + " of " + tools + "running";
}

std::string Tooltip(const Wordings& wordings) {
    std::string text;
    for (const std::string& line : wordings.lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace vantle::status
