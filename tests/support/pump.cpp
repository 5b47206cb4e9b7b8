#include "support/pump.h"

#include <wx/app.h>
#include <wx/evtloop.h>

namespace vantle::test {
namespace {

void PumpOnce(std::chrono::milliseconds wait) {
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        loop->DispatchTimeout(static_cast<unsigned long>(wait.count()));
    }
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();  // also deletes windows that were closed
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left <= 0ms) return done();
        PumpOnce(std::min(left, 20ms));
    }
    return true;
}

void PumpFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) PumpOnce(10ms);
}

}  // namespace vantle::test
