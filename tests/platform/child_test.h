#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace vantle::test {

// What a run of this test program in a child process did.
struct ChildRun {
    bool finished = false;  // false: killed at the deadline
    int exitCode = -1;      // when it exited rather than died
    std::string output;     // standard output and error together
};

// Runs the tests matching `filter` (disabled ones included) in a fresh process of this test
// program, with `environment` added to this process's, and waits for it with a deadline. For
// what is fixed once per process: the engine's sandbox, the display GTK opened.
inline ChildRun RunTestsInChild(const std::string& filter,
                                const std::vector<std::pair<std::string, std::string>>& environment,
                                std::chrono::seconds deadline = std::chrono::seconds(90)) {
    ChildRun run;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return run;
    const std::string filterArg = "--gtest_filter=" + filter;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
        execl("/proc/self/exe", "gui_tests", filterArg.c_str(), "--gtest_also_run_disabled_tests",
              nullptr);
        _exit(127);
    }
    close(pipeFds[1]);
    if (child < 0) {
        close(pipeFds[0]);
        return run;
    }
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd ready{pipeFds[0], POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) break;
        char buffer[4096];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            run.finished = true;
            break;
        }
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    if (!run.finished) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (run.finished && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
}

}  // namespace vantle::test
