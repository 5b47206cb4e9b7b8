// The memory of the whole program with its three browser panes running: the Url Refresher
// with both panes active and started, the Url Rotator with fake surfing started, against a
// local server serving the demo pages. Real windows and timings, only the intervals shortened.
// Each figure is the proportional set size (PSS) of this process and of every process below it
// (the engine's web and network processes) together, and beside it their distinct resident
// pages, which other programs using the same libraries at the same time do not change (PSS
// reads lower while they run; see process_memory.h).
//
// Run it on an X display (Xvfb is fine):
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/memory/vantle_memory_bench [options]
//     --reloads N    reloads per Refresher pane after the load (default 1000)
//     --runs R       run the whole measurement R times, each in a fresh process, and print
//                    the medians (default 1)
//     --soak MIN     instead, run for MIN minutes and print the memory every minute
//     --interval MS  the Refresher panes' reload interval (default 50)
//     --rotation MS  the Rotator's rotation interval (default 250)
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/message_boxes.h"
#include "platform/web_pane.h"
#include "process_memory.h"
#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "shell/application.h"
#include "support/fakes.h"
#include "support/http_server.h"
#include "support/pump.h"
#include "support/wx_session.h"

namespace vantle::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::HttpServer;
using test::PumpFor;
using test::PumpUntil;

struct Options {
    int reloads = 1000;
    int runs = 1;
    int soakMinutes = 0;
    int interval = 50;
    int rotation = 250;
};

const char* const kRotatorPages[] = {"/rotate1.html", "/rotate2.html", "/rotate3.html",
                                     "/rotate4.html", "/rotate5.html"};

class StderrMessages final : public MessageBoxes {
  public:
    void Show(const std::string& text, const std::string& title, MessageIcon) override {
        std::fprintf(stderr, "message: %s: %s\n", title.c_str(), text.c_str());
    }
};

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The demo pages the program delivers, each under its own name, and the Rotator's first page.
bool ServeDemoPages(HttpServer& server) {
    const std::filesystem::path dir = VANTLE_DEMO_PAGES;
    for (const char* name : {"refresh1.html", "refresh2.html", "rotate1.html", "rotate2.html",
                             "rotate3.html", "rotate4.html", "rotate5.html"}) {
        const std::string page = ReadFile(dir / name);
        if (page.empty()) {
            std::fprintf(stderr, "cannot read %s\n", (dir / name).c_str());
            return false;
        }
        server.Serve(std::string("/") + name, page);
    }
    server.Serve("/portal.html", ReadFile(dir / "rotate1.html"));
    server.Serve("/demo.css", HttpServer::Page{ReadFile(dir / "demo.css"), "text/css"});
    server.Serve("/demo.js", HttpServer::Page{ReadFile(dir / "demo.js"), "application/javascript"});
    return true;
}

// Requests counted per path. The server's own log is emptied at every look, so that it does
// not grow in this process over a long run and count as the program's memory.
class Served {
  public:
    explicit Served(HttpServer& server) : server_(server) {}

    std::size_t Of(const std::string& path) {
        Collect();
        return counts_[path];
    }
    std::size_t RotatorPages() {
        Collect();
        std::size_t total = 0;
        for (const char* path : kRotatorPages) total += counts_[path];
        return total;
    }

  private:
    void Collect() {
        // A request that arrives between the two calls is not counted: the run then makes a
        // few more reloads than it reports, never fewer.
        const std::vector<HttpServer::Request> requests = server_.Requests();
        server_.ClearRequests();
        for (const auto& request : requests) ++counts_[request.path];
    }

    HttpServer& server_;
    std::map<std::string, std::size_t> counts_;
};

void WriteSettings(const std::filesystem::path& file, const HttpServer& server,
                   const Options& options) {
    std::ofstream out(file, std::ios::trunc);
    const std::string interval = std::to_string(options.interval);
    out << "[Links]\nLink1=" << server.Url("/refresh1.html") << "\nLink1Interval=" << interval
        << "\nLink1Active=1\nLink2=" << server.Url("/refresh2.html")
        << "\nLink2Interval=" << interval << "\nLink2Active=1\n[Popups]\nAllow=0\n[AI_Links]\n";
    for (int i = 0; i < 5; ++i) {
        out << "Link" << i + 1 << "=" << server.Url(kRotatorPages[i]) << "\n";
    }
    out << "FSEnabled=1\nMMEnabled=0\nOTEnabled=0\n";
}

bool Shows(const WebPane& pane, const std::string& url) {
    return !pane.Busy() && pane.LocationURL() == url;
}

// The engine's collector runs when it likes, and one sample may catch it before or after: a
// figure is the sample with the median total of five taken a second apart, the panes running on.
MemorySample TakeFigure() {
    std::vector<MemorySample> samples;
    for (int i = 0; i < 5; ++i) {
        if (i > 0) PumpFor(1s);
        samples.push_back(SampleMemory(getpid()));
    }
    std::sort(samples.begin(), samples.end(), [](const MemorySample& a, const MemorySample& b) {
        return a.TotalKiB() < b.TotalKiB();
    });
    return samples[samples.size() / 2];
}

void PrintFigure(const std::string& when, const MemorySample& figure) {
    std::printf("%s: %s\n", when.c_str(), figure.Describe().c_str());
    std::fflush(stdout);
}

// The program with its three panes: once started, both Refresher panes reload and the Rotator
// goes round its links.
class RunningProgram {
  public:
    RunningProgram(const Options& options, HttpServer& server) : server_(server), served_(server) {
        char pattern[] = "/tmp/vantle-memory-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        dir_ = pattern;
        services_.settings.file = dir_ / "vt.ini";
        services_.settings.messages = &messages_;
        services_.messages = &messages_;
        services_.programs = &programs_;
        const std::chrono::milliseconds interval(options.interval);
        services_.timings.paneFirstTick1 = interval;
        services_.timings.paneFirstTick2 = interval;
        services_.timings.rotation = std::chrono::milliseconds(options.rotation);
        services_.timings.paneWait = 1s;
        services_.firstPage = server.Url("/portal.html");
        WriteSettings(services_.settings.file, server, options);
    }

    ~RunningProgram() {
        if (app_) {
            app_->CloseAll();
            PumpUntil([] { return wxTopLevelWindows.empty(); }, 10s);
        }
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }

    // False when the program does not get there in good time.
    bool Start() {
        if (dir_.empty()) return false;
        app_.emplace(services_);
        app_->CreateMain();
        frmBrowser& refresher = app_->Refresher();
        app_->ShowModeless(refresher);
        aidle& rotator = app_->Rotator();
        app_->ShowModeless(rotator);
        if (!PumpUntil(
                [&] {
                    return Shows(*refresher.brwWebBrowser, server_.Url("/refresh1.html")) &&
                           Shows(*refresher.brwWebBrowser2, server_.Url("/refresh2.html"));
                },
                30s)) {
            std::fprintf(stderr, "the Refresher's pages did not load\n");
            return false;
        }
        rotator.Command1_Click();
        refresher.Command1_Click();
        // Running once every pane has reloaded a few times and the Rotator has shown each of
        // its links.
        const bool running = PumpUntil(
            [&] {
                return Reloads() >= 5 &&
                       std::all_of(std::begin(kRotatorPages), std::end(kRotatorPages),
                                   [&](const char* path) { return served_.Of(path) > 0; });
            },
            60s);
        if (!running) std::fprintf(stderr, "the panes did not start running\n");
        return running;
    }

    // Page loads of the Refresher pane that has had fewer.
    std::size_t Reloads() {
        return std::min(served_.Of("/refresh1.html"), served_.Of("/refresh2.html"));
    }
    std::size_t RotatorPages() { return served_.RotatorPages(); }

  private:
    HttpServer& server_;
    Served served_;
    std::filesystem::path dir_;
    StderrMessages messages_;
    test::RecordingProgramStart programs_;
    Services services_;
    std::optional<Application> app_;
};

void NoteOtherEngineUsers() {
    if (const int others = OtherEngineUsers(getpid()); others > 0) {
        std::printf(
            "note: %d other processes use the engine's library; they share its pages, so "
            "PSS reads lower than it would with this program alone (the distinct pages "
            "do not change with them)\n",
            others);
    }
}

int Measure(const Options& options) {
    HttpServer server;
    if (!ServeDemoPages(server)) return 1;
    RunningProgram program(options, server);
    if (!program.Start()) return 1;
    // A moment for the engine to finish what loading started (caches, compiled scripts).
    PumpFor(2s);

    NoteOtherEngineUsers();
    const MemorySample load = TakeFigure();
    PrintFigure("after load", load);
    const std::size_t start = program.Reloads();
    const std::size_t rotatedAtStart = program.RotatorPages();
    const Clock::time_point began = Clock::now();

    const int step = std::max(1, options.reloads / 4);
    MemorySample last = load;
    std::optional<MemorySample> firstStep;
    for (int done = step; done <= options.reloads; done += step) {
        const auto wanted = start + static_cast<std::size_t>(done);
        // A pane that stops reloading ends the run rather than hanging it.
        if (!PumpUntil([&] { return program.Reloads() >= wanted; }, step * 1s)) {
            std::fprintf(stderr, "the panes stopped reloading after %zu reloads\n",
                         program.Reloads() - start);
            return 1;
        }
        last = TakeFigure();
        if (!firstStep) firstStep = last;
        PrintFigure("after " + std::to_string(done) + " reloads per pane", last);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    const long growth = last.TotalKiB() - load.TotalKiB();
    const long lateGrowth = last.TotalKiB() - firstStep->TotalKiB();
    std::printf(
        "growth over %d reloads per pane: %+.1f MB; over the last %d of them: %+.1f MB "
        "(%.0f s, %.1f reloads/s per pane, %zu Rotator navigations)\n",
        options.reloads, Megabytes(growth), options.reloads - step, Megabytes(lateGrowth), seconds,
        static_cast<double>(options.reloads) / seconds, program.RotatorPages() - rotatedAtStart);
    // Read by --runs.
    std::printf("result: %ld %ld %ld %ld %ld %ld\n", load.TotalKiB(), last.TotalKiB(), growth,
                lateGrowth, load.distinctKiB.value_or(-1), last.distinctKiB.value_or(-1));
    return 0;
}

int Soak(const Options& options) {
    HttpServer server;
    if (!ServeDemoPages(server)) return 1;
    RunningProgram program(options, server);
    if (!program.Start()) return 1;
    NoteOtherEngineUsers();
    PrintFigure("minute 0", TakeFigure());
    std::optional<MemorySample> first;
    const Clock::time_point began = Clock::now();
    for (int minute = 1; minute <= options.soakMinutes; ++minute) {
        const Clock::time_point due = began + minute * 1min;
        const std::size_t before = program.Reloads();
        PumpUntil([&] { return Clock::now() >= due; }, 2min);
        if (program.Reloads() == before) {
            std::fprintf(stderr, "minute %d: the panes stopped reloading\n", minute);
            return 1;
        }
        const MemorySample figure = TakeFigure();
        if (!first) first = figure;
        PrintFigure("minute " + std::to_string(minute), figure);
        std::printf(
            "minute %d: %zu reloads per pane, %zu Rotator navigations; since minute 1 %+.1f "
            "MB, distinct pages %+.1f MB\n",
            minute, program.Reloads(), program.RotatorPages(),
            Megabytes(figure.TotalKiB() - first->TotalKiB()),
            Megabytes(figure.distinctKiB.value_or(0) - first->distinctKiB.value_or(0)));
        std::fflush(stdout);
    }
    return 0;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return std::nullopt;
        const int value = std::atoi(argv[++i]);
        if (value <= 0) return std::nullopt;
        if (name == "--reloads") {
            options.reloads = value;
        } else if (name == "--runs") {
            options.runs = value;
        } else if (name == "--soak") {
            options.soakMinutes = value;
        } else if (name == "--interval") {
            options.interval = std::max(10, value);
        } else if (name == "--rotation") {
            options.rotation = value;
        } else {
            return std::nullopt;
        }
    }
    return options;
}

double Median(std::vector<long> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// Each run in a fresh process: the engine's processes and caches of one run must not carry
// over into the next.
int MeasureRepeatedly(const Options& options) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return 1;
    const std::string command = std::string("'") + self + "' --runs 1 --reloads " +
                                std::to_string(options.reloads) + " --interval " +
                                std::to_string(options.interval) + " --rotation " +
                                std::to_string(options.rotation);
    constexpr int kFigures = 6;
    std::array<std::vector<long>, kFigures> results;
    for (int run = 1; run <= options.runs; ++run) {
        std::printf("run %d of %d\n", run, options.runs);
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
    std::printf(
        "median of %d runs: after load %.1f MB, after %d reloads per pane %.1f MB; growth "
        "%+.1f MB, over the last %d reloads %+.1f MB\n",
        options.runs, mb(0), options.reloads, mb(1), mb(2),
        options.reloads - std::max(1, options.reloads / 4), mb(3));
    if (Median(results[4]) > 0) {
        std::printf(
            "median of %d runs, distinct pages: after load %.1f MB, after %d reloads per "
            "pane %.1f MB\n",
            options.runs, mb(4), options.reloads, mb(5));
    }
    return 0;
}

}  // namespace
}  // namespace vantle::bench

int main(int argc, char** argv) {
    using namespace vantle::bench;
    const std::optional<Options> options = ParseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: %s [--reloads N] [--runs R] [--soak MINUTES] [--interval MS] "
                     "[--rotation MS]\n",
                     argv[0]);
        return 2;
    }
    if (options->runs > 1 && options->soakMinutes == 0) return MeasureRepeatedly(*options);

    // wx sees only the program name: the options above are not its.
    return vantle::test::RunWithWx(1, argv, [&] {
        return options->soakMinutes > 0 ? Soak(*options) : Measure(*options);
    });
}
