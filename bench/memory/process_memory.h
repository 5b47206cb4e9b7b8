#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "support/processes.h"

namespace vantle::bench {

// The program's child processes are found as the tests find them.
using test::ChildProcess;
using test::Descendants;

// The proportional set size of a process in KiB: its private pages plus its share of the pages
// it shares with others, so that the figures of several processes add up. Zero for a process
// that has gone.
long PssKiB(pid_t pid);

// The resident pages of these processes, each counted once however many of them map it: the
// memory they take together, whatever else runs on the machine. PSS shares a library's pages
// with every other process that maps the library, so other programs using the engine at the
// same time make PSS smaller; this figure does not change with them. Nothing without the right
// to read page frame numbers (root).
std::optional<long> DistinctResidentKiB(const std::vector<pid_t>& pids);

// The program and everything below it at one moment.
struct MemorySample {
    long programKiB = 0;
    long webKiB = 0;
    long networkKiB = 0;
    long otherKiB = 0;
    int webProcesses = 0;
    int otherProcesses = 0;
    std::optional<long> distinctKiB;

    long TotalKiB() const { return programKiB + webKiB + networkKiB + otherKiB; }
    // "total 187.2 MB = program 60.1 + 3 web processes 100.2 + network 27.0"
    std::string Describe() const;
};

// `leaveOut` is a process below `root` that is not part of the program (the benchmark's page
// server), left out together with everything below it.
MemorySample SampleMemory(pid_t root, pid_t leaveOut = 0);

// Processes outside the tree below `root` that map the engine's library. Each one takes a share
// of the library's pages, so the tree's PSS reads lower than on a machine where it runs alone.
int OtherEngineUsers(pid_t root);

// The program called `name` in the folder of this one (the benchmark's programs are built side by
// side); empty if this program's own path cannot be read.
std::string BesideThisProgram(const std::string& name);

// KiB as decimal megabytes, the unit of the goals.
double Megabytes(long kib);

}  // namespace vantle::bench
