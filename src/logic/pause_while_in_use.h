#pragma once

#include <chrono>
#include <optional>

namespace vantle {

// Whether the mouse activity should step aside because a person is using the computer.
//
// The desktop's idle time counts every input, the program's own included. So when the desktop
// has been idle for less time than has passed since the program's own last input reached it,
// someone else made input since: a person. Then the activity holds until the desktop has been
// idle for the whole pause time, and goes on from where it was.
class PauseWhileInUse {
  public:
    using Clock = std::chrono::steady_clock;
    using milliseconds = std::chrono::milliseconds;

    // A pause time of zero turns pausing off.
    explicit PauseWhileInUse(std::chrono::seconds pauseTime) : pauseTime_(pauseTime) {}

    // The activity starts. The input that started it (the click, or the key, whose release comes
    // a moment after) and anything before it are not a person getting in its way.
    void Start(Clock::time_point now);
    // The program has just made input of its own, which the desktop registers within `latency`.
    void OwnInput(Clock::time_point now, milliseconds latency);
    // Whether the activity may step now. `idle` is the desktop's idle time read at `now` or just
    // after; where the desktop does not tell (nothing), the activity never pauses.
    bool MayStep(Clock::time_point now, std::optional<milliseconds> idle);

    bool Paused() const { return paused_; }

  private:
    std::chrono::seconds pauseTime_;
    Clock::time_point ownInputAt_{};
    milliseconds ownInputLatency_{0};
    bool paused_ = false;
};

}  // namespace vantle
