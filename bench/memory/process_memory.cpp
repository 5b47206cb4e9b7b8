#include "process_memory.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace vantle::bench {

long PssKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(in, line)) {
        long kib = 0;
        if (std::sscanf(line.c_str(), "Pss: %ld kB", &kib) == 1) return kib;
    }
    return 0;
}

namespace {

// Adds the page frames of every resident page of `pid` to `frames`; false when the frame
// numbers are hidden from this process (they read as zero then).
bool AddResidentFrames(pid_t pid, std::vector<std::uint64_t>& frames) {
    const std::string dir = "/proc/" + std::to_string(pid);
    std::ifstream maps(dir + "/maps");
    const int pagemap = open((dir + "/pagemap").c_str(), O_RDONLY | O_CLOEXEC);
    if (pagemap < 0) return true;  // gone meanwhile
    constexpr std::uint64_t kPresent = 1ULL << 63;
    constexpr std::uint64_t kSwapped = 1ULL << 62;
    constexpr std::uint64_t kFrame = (1ULL << 55) - 1;
    const long page = sysconf(_SC_PAGESIZE);
    bool visible = true;
    std::string line;
    std::vector<std::uint64_t> entries;
    while (visible && std::getline(maps, line)) {
        unsigned long start = 0, end = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx", &start, &end) != 2) continue;
        // The kernel's vsyscall page has no entry anyone could read.
        if (line.find("[vsyscall]") != std::string::npos) continue;
        entries.resize((end - start) / page);
        const ssize_t bytes = pread(pagemap, entries.data(), entries.size() * sizeof(std::uint64_t),
                                    static_cast<off_t>(start / page * sizeof(std::uint64_t)));
        if (bytes <= 0) continue;
        entries.resize(static_cast<std::size_t>(bytes) / sizeof(std::uint64_t));
        for (std::uint64_t entry : entries) {
            if (entry & kPresent) {
                if ((entry & kFrame) == 0) {
                    visible = false;
                    break;
                }
                frames.push_back(entry & kFrame);
            } else if (entry & kSwapped) {
                // Swap entries kept apart from frame numbers by the marker bit.
                frames.push_back(entry);
            }
        }
    }
    close(pagemap);
    return visible;
}

}  // namespace

std::optional<long> DistinctResidentKiB(const std::vector<pid_t>& pids) {
    // Counted in a child process: the list of frames takes tens of megabytes, which the
    // allocator would keep in this process and the next sample of it would count.
    int channel[2];
    if (pipe(channel) != 0) return std::nullopt;
    const pid_t counter = fork();
    if (counter == 0) {
        close(channel[0]);
        long kib = -1;
        std::vector<std::uint64_t> frames;
        if (std::all_of(pids.begin(), pids.end(),
                        [&](pid_t pid) { return AddResidentFrames(pid, frames); })) {
            std::sort(frames.begin(), frames.end());
            const auto distinct = std::unique(frames.begin(), frames.end()) - frames.begin();
            kib = static_cast<long>(distinct * (sysconf(_SC_PAGESIZE) / 1024));
        }
        const bool written = write(channel[1], &kib, sizeof kib) == sizeof kib;
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    long kib = -1;
    const bool read = counter > 0 && ::read(channel[0], &kib, sizeof kib) == sizeof kib;
    close(channel[0]);
    if (counter > 0) waitpid(counter, nullptr, 0);
    if (!read || kib < 0) return std::nullopt;
    return kib;
}

MemorySample SampleMemory(pid_t root, pid_t leaveOut) {
    MemorySample sample;
    sample.programKiB = PssKiB(root);
    std::vector<pid_t> tree{root};
    std::vector<ChildProcess> children = Descendants(root);
    if (leaveOut > 0) {
        std::vector<ChildProcess> outside = Descendants(leaveOut);
        outside.push_back({leaveOut, "", 0});
        children.erase(std::remove_if(children.begin(), children.end(),
                                      [&](const ChildProcess& child) {
                                          return std::any_of(outside.begin(), outside.end(),
                                                             [&](const ChildProcess& out) {
                                                                 return out.pid == child.pid;
                                                             });
                                      }),
                       children.end());
    }
    for (const ChildProcess& child : children) {
        tree.push_back(child.pid);
        const long kib = PssKiB(child.pid);
        if (child.name.rfind("WebKitWebProces", 0) == 0) {
            sample.webKiB += kib;
            ++sample.webProcesses;
        } else if (child.name.rfind("WebKitNetworkPr", 0) == 0) {
            sample.networkKiB += kib;
        } else {
            sample.otherKiB += kib;
            ++sample.otherProcesses;
        }
    }
    sample.distinctKiB = DistinctResidentKiB(tree);
    return sample;
}

int OtherEngineUsers(pid_t root) {
    std::vector<pid_t> tree{root};
    for (const ChildProcess& child : Descendants(root)) tree.push_back(child.pid);
    int users = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string file = entry.path().filename();
        if (file.find_first_not_of("0123456789") != std::string::npos) continue;
        if (std::find(tree.begin(), tree.end(), std::stol(file)) != tree.end()) continue;
        std::ifstream maps(entry.path() / "maps");
        std::string line;
        while (std::getline(maps, line)) {
            if (line.find("libwebkit2gtk") != std::string::npos) {
                ++users;
                break;
            }
        }
    }
    return users;
}

double Megabytes(long kib) { return static_cast<double>(kib) * 1024.0 / 1e6; }

std::string MemorySample::Describe() const {
    char text[256];
    std::snprintf(text, sizeof text,
                  "total %.1f MB = program %.1f + %d web processes %.1f + network %.1f",
                  Megabytes(TotalKiB()), Megabytes(programKiB), webProcesses, Megabytes(webKiB),
                  Megabytes(networkKiB));
    std::string described = text;
    if (otherProcesses > 0) {
        std::snprintf(text, sizeof text, " + %d other %.1f", otherProcesses, Megabytes(otherKiB));
        described += text;
    }
    if (distinctKiB) {
        std::snprintf(text, sizeof text, " (distinct pages %.1f MB)", Megabytes(*distinctKiB));
        described += text;
    }
    return described;
}

std::string BesideThisProgram(const std::string& name) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (self.parent_path() / name).string();
}

}  // namespace vantle::bench
