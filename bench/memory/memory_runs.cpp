// Runs the memory benchmark several times, each in a fresh process, and prints the medians.
// Started by `vantle_memory_bench --runs R ...` with the same arguments. It is a program of its
// own because it must not map the libraries the runs measure: their pages would be shared with
// it, and every run's PSS would read lower.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "process_memory.h"

namespace {

double Median(std::vector<long> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string bench = vantle::bench::BesideThisProgram("vantle_memory_bench");
    if (bench.empty()) return 1;
    std::string command = "'";
    command += bench;
    command += "'";
    int runs = 1;
    int reloads = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--runs") {
            runs = std::atoi(argv[i + 1]);
            continue;
        }
        if (name == "--reloads") reloads = std::atoi(argv[i + 1]);
        // The bench checked its options before it started this; they are numbers.
        command += " " + name + " " + std::to_string(std::atoi(argv[i + 1]));
    }
    // Each run in a fresh process: the engine's processes and caches of one run must not carry
    // over into the next.
    constexpr int kFigures = 6;
    std::array<std::vector<long>, kFigures> results;
    for (int run = 1; run <= runs; ++run) {
        std::printf("run %d of %d\n", run, runs);
        std::fflush(stdout);
        FILE* child = popen(command.c_str(), "r");
        if (child == nullptr) return 1;
        char line[1024];
        bool reported = false;
        while (std::fgets(line, sizeof line, child) != nullptr) {
            std::array<long, kFigures> r{};
            if (std::sscanf(line, "result: %ld %ld %ld %ld %ld %ld", &r[0], &r[1], &r[2], &r[3],
                            &r[4], &r[5]) == kFigures) {
                for (int i = 0; i < kFigures; ++i) results[i].push_back(r[i]);
                reported = true;
            } else {
                std::fputs(line, stdout);
            }
        }
        if (pclose(child) != 0 || !reported) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
    }
    auto mb = [&](int i) { return Median(results[i]) * 1024.0 / 1e6; };
    const int late = reloads - std::max(1, reloads / 4);
    std::printf(
        "median of %d runs: after load %.1f MB, after %d reloads per pane %.1f MB; growth "
        "%+.1f MB, over the last %d reloads %+.1f MB\n",
        runs, mb(0), reloads, mb(1), mb(2), late, mb(3));
    if (Median(results[4]) > 0) {
        std::printf(
            "median of %d runs, distinct pages: after load %.1f MB, after %d reloads per "
            "pane %.1f MB\n",
            runs, mb(4), reloads, mb(5));
    }
    return 0;
}
