#include "support/processes.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace vantle::test {

std::vector<ChildProcess> Descendants(pid_t root) {
    std::map<pid_t, pid_t> parents;
    std::map<pid_t, ChildProcess> processes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string file = entry.path().filename();
        if (file.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        // A process may end between the listing and the read.
        if (!std::getline(in, stat)) continue;
        // The name is in parentheses and may itself hold spaces or parentheses.
        const auto open = stat.find('(');
        const auto close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) continue;
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        pid_t parent = 0;
        if (!(rest >> state >> parent)) continue;
        const pid_t pid = static_cast<pid_t>(std::stol(file));
        parents[pid] = parent;
        processes[pid] = {pid, stat.substr(open + 1, close - open - 1), state};
    }
    std::vector<ChildProcess> found;
    for (const auto& [pid, parent] : parents) {
        // Bounded: a chain of parents cannot be longer than the number of processes.
        std::size_t steps = 0;
        for (pid_t up = parent; up > 1 && steps <= parents.size(); ++steps) {
            if (up == root) {
                found.push_back(processes[pid]);
                break;
            }
            const auto next = parents.find(up);
            if (next == parents.end()) break;
            up = next->second;
        }
    }
    return found;
}

std::vector<pid_t> WebProcesses() {
    std::vector<pid_t> pids;
    for (const ChildProcess& child : Descendants(getpid()))
        if (child.name.rfind("WebKitWebProces", 0) == 0 && child.state != 'Z')
            pids.push_back(child.pid);
    return pids;
}

ProcessGroup::ProcessGroup(const std::string& command)
    : shell_(popen(("echo $$; exec " + command).c_str(), "r")) {
    // Not fscanf: its trailing blank would wait for more output than the shell's first line.
    const std::string first = ReadLine();
    pid = first.empty() ? 0 : pid_t(std::atoi(first.c_str()));
}

ProcessGroup::~ProcessGroup() {
    using Clock = std::chrono::steady_clock;
    if (pid > 0) kill(-pid, SIGTERM);
    for (const auto end = Clock::now() + std::chrono::seconds(5); Running() && Clock::now() < end;)
        usleep(10'000);
    if (pid > 0) kill(-pid, SIGKILL);
    if (shell_ != nullptr) pclose(shell_);
}

bool ProcessGroup::Running() const { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }

std::string ProcessGroup::ReadLine() {
    std::string line;
    for (int c; shell_ != nullptr && (c = std::fgetc(shell_)) != EOF && c != '\n';) line += char(c);
    return line;
}

}  // namespace vantle::test
