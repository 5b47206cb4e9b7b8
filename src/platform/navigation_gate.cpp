#include "platform/navigation_gate.h"

#include <algorithm>

namespace vantle {

namespace {

// A navigation the engine never reports on must not hold the others for good. It reports within
// moments, or once a new web process has started: seconds on a busy machine.
constexpr guint kLongestStartMs = 10'000;

}  // namespace

NavigationGate::~NavigationGate() { RemoveTimeout(); }

void NavigationGate::RemoveTimeout() {
    if (timeout_ != 0) g_source_remove(timeout_);
    timeout_ = 0;
}

void NavigationGate::Navigate(Client& client, const std::string& address) {
    if (starting_ != nullptr && starting_ != &client) {
        const auto queued = std::find_if(waiting_.begin(), waiting_.end(),
                                         [&](const auto& wait) { return wait.first == &client; });
        if (queued != waiting_.end()) {
            queued->second = address;
        } else {
            waiting_.emplace_back(&client, address);
        }
        return;
    }
    Begin(client, address);
}

std::optional<std::string> NavigationGate::Waiting(const Client& client) const {
    for (const auto& [waiter, address] : waiting_)
        if (waiter == &client) return address;
    return std::nullopt;
}

void NavigationGate::Begin(Client& client, const std::string& address) {
    starting_ = &client;
    RemoveTimeout();
    timeout_ = g_timeout_add(
        kLongestStartMs,
        [](gpointer data) -> gboolean {
            auto* gate = static_cast<NavigationGate*>(data);
            gate->timeout_ = 0;
            gate->Release(*gate->starting_);
            return G_SOURCE_REMOVE;
        },
        this);
    if (!client.BeginLoading(address)) Release(client);
}

void NavigationGate::Release(Client& client) {
    if (starting_ != &client) return;
    starting_ = nullptr;
    RemoveTimeout();
    // Loading may report back at once and release the gate again, from inside Begin.
    while (starting_ == nullptr && !waiting_.empty()) {
        auto [next, address] = std::move(waiting_.front());
        waiting_.pop_front();
        Begin(*next, address);
    }
}

void NavigationGate::Forget(Client& client) {
    std::erase_if(waiting_, [&](const auto& wait) { return wait.first == &client; });
    Release(client);
}

}  // namespace vantle
