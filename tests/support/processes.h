#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

namespace vantle::test {

// One process below the program: the engine's web and network processes, and whatever else
// it started (a sandbox helper, for one).
struct ChildProcess {
    pid_t pid = 0;
    std::string name;  // as the kernel reports it, cut to 15 characters
    char state = 0;    // 'Z' for one that has ended and not been waited for
};

// Every process whose chain of parents leads to `root`, found through /proc.
std::vector<ChildProcess> Descendants(pid_t root);

// The engine's web processes below this program that are running now.
std::vector<pid_t> WebProcesses();

// A shell command in a session and process group of its own (the command starts with `setsid`),
// ended with everything it started when the object goes: TERM, then KILL after five seconds.
class ProcessGroup {
  public:
    explicit ProcessGroup(const std::string& command);
    ~ProcessGroup();
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;
    bool Running() const;
    // The command's next line of standard output, without its end; empty at its end.
    std::string ReadLine();
    pid_t pid = 0;

  private:
    FILE* shell_;
};

}  // namespace vantle::test
