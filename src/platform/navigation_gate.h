#pragma once

#include <glib.h>

#include <deque>
#include <optional>
#include <string>
#include <utility>

namespace vantle {

// Lets one pane's navigation get under way at a time; the others wait their turn, in order.
//
// The panes share one web process. The engine lets a page load from a site only once the network
// process has been told that the page's web process may use that site's cookies. It tells it
// once per process and site, asynchronously, and a second page of the same process going to the
// same site meanwhile does not wait for that: its request can reach the network process first,
// which then has the whole web process killed. The engine reloads the first page in a new
// process, but the second one has nothing to reload yet and stays blank, in a second new
// process. Opening the Refresher with both links on one site did that about once in twenty.
class NavigationGate {
  public:
    // A pane as the gate sees it.
    class Client {
      public:
        // Starts loading `address`; false when the pane can no longer load anything.
        virtual bool BeginLoading(const std::string& address) = 0;

      protected:
        ~Client() = default;
    };

    NavigationGate() = default;
    // Removes the timeout, whatever state the gate is in.
    ~NavigationGate();
    NavigationGate(const NavigationGate&) = delete;
    NavigationGate& operator=(const NavigationGate&) = delete;

    // Starts `client`'s navigation at once when no other client's is under way, or queues it; a
    // client that is waiting already keeps its place and waits for the new address instead.
    void Navigate(Client& client, const std::string& address);
    // The address `client` waits to navigate to, if it waits.
    std::optional<std::string> Waiting(const Client& client) const;
    // `client`'s navigation is under way, over, or will never be: the next may start.
    void Release(Client& client);
    // `client` goes away: its wait is dropped, and its navigation holds the others no longer.
    void Forget(Client& client);

  private:
    void Begin(Client& client, const std::string& address);
    void RemoveTimeout();

    Client* starting_ = nullptr;
    std::deque<std::pair<Client*, std::string>> waiting_;
    guint timeout_ = 0;
};

}  // namespace vantle
