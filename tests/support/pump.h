#pragma once

#include <chrono>
#include <functional>

namespace vantle::test {

using namespace std::chrono_literals;

// Processes events until `done` holds or the deadline passes; returns whether it holds. Never a
// fixed sleep: it wakes for every event and checks again.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline = 10s);

// Processes events for `span`, for the rare check that something does *not* happen in time.
void PumpFor(std::chrono::milliseconds span);

}  // namespace vantle::test
