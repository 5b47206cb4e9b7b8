#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vantle {

// Where the web engine looks for the sandbox's programs; it does not search PATH.
inline constexpr const char* kBwrapPath = "/usr/bin/bwrap";
inline constexpr const char* kDBusProxyPath = "/usr/bin/xdg-dbus-proxy";
// Set by the user to keep the engine's sandbox off whatever the program asks.
inline constexpr const char* kSandboxOffSwitch = "WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS";

// What the web engine needs to start its web processes inside bubblewrap. When any of it fails
// the engine does not fall back: it aborts the whole program as the first web process starts.
// Behind an interface so tests can make the checks fail without breaking the system.
class SandboxChecks {
  public:
    virtual ~SandboxChecks() = default;
    virtual bool Executable(const std::string& path) const = 0;
    // Runs `bwrap` with the namespaces and mounts the engine asks for; nothing when that worked,
    // otherwise why not.
    virtual std::optional<std::string> TrialRun(const std::string& bwrap) const = 0;
};

// The checks against this system. `unshareIpc`: the engine also takes the web process out of
// the shared IPC namespace, which it does on Wayland displays only.
std::unique_ptr<SandboxChecks> MakeSystemSandboxChecks(bool unshareIpc);

// Why the web processes must run without the sandbox, or nothing when it can work. `offSwitch`
// and `sessionBus` are the values of kSandboxOffSwitch and DBUS_SESSION_BUS_ADDRESS, or null.
std::optional<std::string> SandboxObstacle(const SandboxChecks& checks, const char* offSwitch,
                                           const char* sessionBus);

// Replaces the checks that the first pane runs. For tests, before any pane exists.
void UseSandboxChecks(std::unique_ptr<SandboxChecks> checks);

// Turns the engine's sandbox on when the checks pass, or says on standard error, in one line,
// why the pages run without it. Runs once, before the first view exists: the engine fixes its
// choice when it starts its first web process. Returns whether the sandbox is on.
bool PrepareWebSandbox();

}  // namespace vantle
