#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vantle::test {

// Runs the tests matching `filter` (disabled ones included) in a fresh process of this test
// program, with `environment` added to this one's, killed after 90 s. For what is fixed once per
// process: the engine's sandbox, the display GTK opened. Returns the exit code (0: all passed;
// 137: killed at the deadline) and standard output and error together.
inline std::pair<int, std::string> RunTestsInChild(
    const std::string& filter,
    const std::vector<std::pair<std::string, std::string>>& environment) {
    std::string command = "timeout -s KILL 90 env";
    for (const auto& [name, value] : environment) command += " " + name + "='" + value + "'";
    command += " '" + std::filesystem::read_symlink("/proc/self/exe").string() +
               "' --gtest_also_run_disabled_tests --gtest_filter='" + filter + "' 2>&1";
    std::pair<int, std::string> run{-1, ""};
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, child)) > 0;)
        run.second.append(buffer, n);
    const int status = pclose(child);
    if (WIFEXITED(status)) run.first = WEXITSTATUS(status);
    return run;
}

}  // namespace vantle::test
