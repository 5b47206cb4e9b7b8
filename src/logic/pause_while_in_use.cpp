#include "logic/pause_while_in_use.h"

namespace vantle {
namespace {

// The desktop and this program read the same monotonic clock, the desktop to the millisecond
// and perhaps a tick late; an input of someone else's within this time after the program's own
// goes unnoticed.
constexpr std::chrono::milliseconds kClockSlack{5};
// How long after Start input still counts as the Start's own.
constexpr std::chrono::milliseconds kStartGrace{500};

}  // namespace

void PauseWhileInUse::Start(Clock::time_point now) {
    ownInputAt_ = now;
    ownInputLatency_ = kStartGrace;
    paused_ = false;
}

void PauseWhileInUse::OwnInput(Clock::time_point now, milliseconds latency) {
    ownInputAt_ = now;
    ownInputLatency_ = latency;
}

bool PauseWhileInUse::MayStep(Clock::time_point now, std::optional<milliseconds> idle) {
    if (pauseTime_.count() <= 0 || !idle) {
        paused_ = false;
        return true;
    }
    if (!paused_) {
        const auto sinceOwnInput = std::chrono::duration_cast<milliseconds>(now - ownInputAt_);
        paused_ = *idle + ownInputLatency_ + kClockSlack < sinceOwnInput;
    }
    if (paused_ && *idle >= pauseTime_) paused_ = false;
    return !paused_;
}

}  // namespace vantle
