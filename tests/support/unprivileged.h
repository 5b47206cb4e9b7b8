#pragma once

#include <errno.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace vantle::test {

// The outcome of running a check in a child process that has given up root.
struct UnprivilegedRun {
    bool ran = false;     // false: the child could not drop its privileges (see `why`)
    bool passed = false;  // what the check returned
    std::string why;
};

// Runs `check` in a child process as an ordinary user (nobody, 65534) when the test runs as
// root, since root may read and write any file whatever its permission bits; run as anybody
// else, the child keeps that user. `check` returns whether what it saw was right: assertions do
// not cross the process boundary. Only for code without a GUI: the child must not touch the
// display connection it shares with its parent.
inline UnprivilegedRun RunUnprivileged(const std::function<bool()>& check) {
    constexpr int kCannotDrop = 3;
    const pid_t child = ::fork();
    if (child < 0) return {false, false, "fork failed"};
    if (child == 0) {
        if (::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ||
                ::setuid(0) == 0) {
                ::_exit(kCannotDrop);
            }
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return {false, false, "waitpid failed"};
    }
    if (!WIFEXITED(status)) return {true, false, "the child process died"};
    if (WEXITSTATUS(status) == kCannotDrop)
        return {false, false, "could not switch to an unprivileged user"};
    return {true, WEXITSTATUS(status) == 0, ""};
}

}  // namespace vantle::test

// Runs `check` unprivileged and fails the test when it returns false; skips, saying why, when the
// child could not drop root.
#define EXPECT_UNPRIVILEGED(check)                                                       \
    do {                                                                                 \
        const auto vantle_run_ = ::vantle::test::RunUnprivileged(check);                 \
        if (!vantle_run_.ran) GTEST_SKIP() << vantle_run_.why;                           \
        EXPECT_TRUE(vantle_run_.passed) << "the check failed in the unprivileged child"; \
    } while (false)
