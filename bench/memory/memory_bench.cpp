// The memory of the whole program with its three browser panes running: the Url Refresher
// with both panes active and started, the Url Rotator with fake surfing started, against a
// local server serving the demo pages. Real windows and timings, only the intervals shortened.
// Each figure is the proportional set size (PSS) of this process and of every process below it
// but the page server (the engine's web and network processes) together, and beside it their
// distinct resident pages, which other programs using the same libraries at the same time do not
// change (PSS reads lower while they run; see process_memory.h).
//
// Run it on an X display (Xvfb is fine):
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/memory/vantle_memory_bench [options]
//     --reloads N    reloads per Refresher pane after the load (default 1000)
//     --runs R       run the whole measurement R times, each in a fresh process, and print
//                    the medians (default 1)
//     --soak MIN     instead, run for MIN minutes and print the memory every minute
//     --interval MS  the Refresher panes' reload interval (default 50)
//     --rotation MS  the Rotator's rotation interval (default 250)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/web_pane.h"
#include "process_memory.h"
#include "refresher/frm_browser.h"
#include "rotator/aidle.h"
#include "seams/message_boxes.h"
#include "shell/application.h"
#include "support/fakes.h"
#include "support/pump.h"
#include "support/window_access.h"
#include "support/wx_session.h"

namespace vantle::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
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

// The page server (page_server.cpp), started beside this program and ended with it.
class PageServer {
  public:
    PageServer() {
        const std::string program = BesideThisProgram("vantle_page_server");
        if (program.empty()) return;
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        int out = -1;
        GError* error = nullptr;
        if (!g_spawn_async_with_pipes(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                                      nullptr, &pid_, &input_, &out, nullptr, &error)) {
            std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), error->message);
            g_error_free(error);
            return;
        }
        // The engine's processes, started later, must not hold the server's input open.
        fcntl(input_, F_SETFD, FD_CLOEXEC);
        FILE* lines = fdopen(out, "r");
        char line[256] = {};
        if (lines && std::fgets(line, sizeof line, lines))
            base_ = std::string(line, std::strcspn(line, "\n"));
        if (lines) std::fclose(lines);
    }
    ~PageServer() {
        if (input_ >= 0) close(input_);  // the server ends when its input closes
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    bool Running() const { return !base_.empty(); }
    pid_t Pid() const { return pid_; }
    std::string Url(const std::string& path) const { return base_ + path; }

  private:
    GPid pid_ = 0;
    int input_ = -1;
    std::string base_;
};

// Finished page loads of one pane, as the engine reports them, and the addresses it showed.
class Loads {
  public:
    explicit Loads(const WebPane& pane) : web_(pane.Web()) {
        g_signal_connect(web_, "load-changed", G_CALLBACK(OnLoadChanged), this);
    }
    ~Loads() { g_signal_handlers_disconnect_by_data(web_, this); }
    Loads(const Loads&) = delete;
    Loads& operator=(const Loads&) = delete;

    std::size_t Count() const { return count_; }
    bool Showed(const std::string& url) const { return shown_.count(url) > 0; }

  private:
    static void OnLoadChanged(WebKitWebView* web, WebKitLoadEvent event, Loads* loads) {
        if (event != WEBKIT_LOAD_FINISHED) return;
        ++loads->count_;
        if (const gchar* uri = webkit_web_view_get_uri(web)) loads->shown_.insert(uri);
    }

    WebKitWebView* web_;
    std::size_t count_ = 0;
    std::set<std::string> shown_;  // a handful of addresses, however long the run
};

void WriteSettings(const std::filesystem::path& file, const PageServer& server,
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
MemorySample TakeFigure(const PageServer& server) {
    std::vector<MemorySample> samples;
    for (int i = 0; i < 5; ++i) {
        if (i > 0) PumpFor(1s);
        samples.push_back(SampleMemory(getpid(), server.Pid()));
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
    RunningProgram(const Options& options, const PageServer& server) : server_(server) {
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
        loads_.clear();
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
        for (WebPane* pane :
             {&TestAccess::brwWebBrowser(refresher), &TestAccess::brwWebBrowser2(refresher),
              &TestAccess::WebBrowser1(rotator)})
            loads_.push_back(std::make_unique<Loads>(*pane));
        if (!PumpUntil(
                [&] {
                    return Shows(TestAccess::brwWebBrowser(refresher),
                                 server_.Url("/refresh1.html")) &&
                           Shows(TestAccess::brwWebBrowser2(refresher),
                                 server_.Url("/refresh2.html"));
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
                       std::all_of(
                           std::begin(kRotatorPages), std::end(kRotatorPages),
                           [&](const char* path) { return loads_[2]->Showed(server_.Url(path)); });
            },
            60s);
        if (!running) std::fprintf(stderr, "the panes did not start running\n");
        return running;
    }

    // Page loads of the Refresher pane that has had fewer.
    std::size_t Reloads() const { return std::min(loads_[0]->Count(), loads_[1]->Count()); }
    std::size_t RotatorPages() const { return loads_[2]->Count(); }

  private:
    const PageServer& server_;
    std::filesystem::path dir_;
    StderrMessages messages_;
    test::RecordingProgramStart programs_;
    Services services_;
    std::optional<Application> app_;
    // The Refresher's panes, then the Rotator's; gone before the windows.
    std::vector<std::unique_ptr<Loads>> loads_;
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
    const PageServer server;
    if (!server.Running()) return 1;
    RunningProgram program(options, server);
    if (!program.Start()) return 1;
    // A moment for the engine to finish what loading started (caches, compiled scripts).
    PumpFor(2s);

    NoteOtherEngineUsers();
    const MemorySample load = TakeFigure(server);
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
        last = TakeFigure(server);
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
    const PageServer server;
    if (!server.Running()) return 1;
    RunningProgram program(options, server);
    if (!program.Start()) return 1;
    NoteOtherEngineUsers();
    PrintFigure("minute 0", TakeFigure(server));
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
        const MemorySample figure = TakeFigure(server);
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
    if (options->runs > 1 && options->soakMinutes == 0) {
        // Led by a small program of its own: this one maps the engine's and the toolkit's
        // libraries, and would share their pages with every run, lowering its PSS.
        const std::string runner = BesideThisProgram("vantle_memory_runs");
        if (runner.empty()) return 1;
        std::vector<char*> args = {const_cast<char*>(runner.c_str())};
        for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
        args.push_back(nullptr);
        execv(runner.c_str(), args.data());
        std::perror(runner.c_str());
        return 1;
    }

    // wx sees only the program name: the options above are not its.
    return vantle::test::RunWithWx(
        1, argv, [&] { return options->soakMinutes > 0 ? Soak(*options) : Measure(*options); });
}
