// The engine's sandbox puts every web process into bubblewrap, with namespaces of its own and
// only the files a page needs. The engine turns it on only when asked, and then cannot fall back:
// a bwrap that is missing or cannot make its namespaces (a container without user namespaces,
// a kernel that forbids them) aborts the whole program when the first page loads. So the
// program asks for it only after trying what the engine will do.
#include "platform/web_sandbox.h"

#include <gdk/gdk.h>

#include "seams/executable_file.h"
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cstdio>
#include <string_view>
#include <vector>

namespace vantle {
namespace {

// A bwrap that has not finished by then is taken as one that cannot work.
constexpr std::chrono::seconds kTrialDeadline{5};

class SystemSandboxChecks final : public SandboxChecks {
  public:
    explicit SystemSandboxChecks(bool unshareIpc) : unshareIpc_(unshareIpc) {}

    bool Executable(const std::string& path) const override { return IsExecutableFile(path); }

    // The namespaces of the engine's web process (pid and uts, ipc on Wayland; bwrap adds a user
    // namespace itself when it runs without root) and the mounts that fail first where
    // namespaces are restricted: a fresh /proc, /dev and /tmp.
    std::optional<std::string> TrialRun(const std::string& bwrap) const override {
        std::vector<std::string> args = {bwrap, "--die-with-parent", "--unshare-pid",
                                         "--unshare-uts"};
        if (unshareIpc_) args.emplace_back("--unshare-ipc");
        for (const char* arg : {"--ro-bind", "/", "/", "--dev", "/dev", "--proc", "/proc",
                                "--tmpfs", "/tmp", "--", "true"}) {
            args.emplace_back(arg);
        }
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);

        GPid pid = 0;
        int errorOutput = -1;
        GError* error = nullptr;
        const auto flags = static_cast<GSpawnFlags>(
            G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDIN_FROM_DEV_NULL);
        if (!g_spawn_async_with_pipes(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, &pid,
                                      nullptr, nullptr, &errorOutput, &error)) {
            std::string why = error->message;
            g_error_free(error);
            return why;
        }
        // Its error output ends when it does; waiting on that has a deadline, waitpid has none.
        std::string said;
        bool ended = false;
        const auto deadline = std::chrono::steady_clock::now() + kTrialDeadline;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd ready{errorOutput, POLLIN, 0};
            const int polled = poll(&ready, 1, static_cast<int>(left.count()));
            if (polled < 0 && errno == EINTR) continue;
            if (polled <= 0) break;
            char buffer[256];
            const ssize_t n = read(errorOutput, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ended = true;
                break;
            }
            said.append(buffer, static_cast<std::size_t>(n));
        }
        close(errorOutput);
        if (!ended) kill(pid, SIGKILL);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!ended)
            return "it did not finish within " + std::to_string(kTrialDeadline.count()) + " s";
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return std::nullopt;
        while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
        if (const std::size_t line = said.rfind('\n'); line != std::string::npos) {
            said.erase(0, line + 1);  // bwrap's last line names the failure
        }
        return said.empty() ? std::string("it failed") : said;
    }

  private:
    bool unshareIpc_;
};

std::unique_ptr<SandboxChecks>& ChosenChecks() {
    static std::unique_ptr<SandboxChecks> checks;
    return checks;
}

bool OnWayland() {
#ifdef GDK_WINDOWING_WAYLAND
    GdkDisplay* display = gdk_display_get_default();
    return display != nullptr && GDK_IS_WAYLAND_DISPLAY(display);
#else
    return false;
#endif
}

}  // namespace

std::unique_ptr<SandboxChecks> MakeSystemSandboxChecks(bool unshareIpc) {
    return std::make_unique<SystemSandboxChecks>(unshareIpc);
}

std::optional<std::string> SandboxObstacle(const SandboxChecks& checks, const char* offSwitch,
                                           const char* sessionBus) {
    // The engine takes any value but "0" as the user's wish.
    if (offSwitch != nullptr && *offSwitch != '\0' && std::string_view(offSwitch) != "0") {
        return std::string(kSandboxOffSwitch).append(" is set");
    }
    if (!checks.Executable(kBwrapPath)) {
        return std::string(kBwrapPath).append(" is missing or cannot be run");
    }
    // The engine filters the session bus through the proxy when there is one.
    if (sessionBus != nullptr && *sessionBus != '\0' && !checks.Executable(kDBusProxyPath)) {
        return std::string("a session bus is set and ")
            .append(kDBusProxyPath)
            .append(" is missing or cannot be run");
    }
    if (std::optional<std::string> why = checks.TrialRun(kBwrapPath)) {
        return std::string(kBwrapPath).append(" cannot make the sandbox: ").append(*why);
    }
    return std::nullopt;
}

void UseSandboxChecks(std::unique_ptr<SandboxChecks> checks) { ChosenChecks() = std::move(checks); }

bool PrepareWebSandbox() {
    static const bool on = [] {
        std::unique_ptr<SandboxChecks> checks = std::move(ChosenChecks());
        if (!checks) checks = MakeSystemSandboxChecks(OnWayland());
        const std::optional<std::string> obstacle = SandboxObstacle(
            *checks, g_getenv(kSandboxOffSwitch), g_getenv("DBUS_SESSION_BUS_ADDRESS"));
        if (obstacle) {
            std::fprintf(stderr, "Vantle: web pages run without the sandbox: %s\n",
                         obstacle->c_str());
            return false;
        }
        webkit_web_context_set_sandbox_enabled(webkit_web_context_get_default(), TRUE);
        return true;
    }();
    return on;
}

}  // namespace vantle
