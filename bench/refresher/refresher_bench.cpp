// The Refresher window, with the program's real timings, against a local server. Prints:
// - the CPU time used while a pane's tick navigates and waits its ten seconds, as a percentage
//   of one core: the program's process, its GUI thread alone, and the engine's web processes;
// - the reload cadence of a pane at a 1,000 ms interval over a run of reloads: the deviation
//   of each period from the interval (mean and 95th percentile of its size) and the drift of
//   the whole run, seen both at the pane's timer and at the server.
// The main window is open all the while, its status panel following the Refresher.
// Run it on an X display (Xvfb is fine):
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/refresher/vantle_refresher_bench [reloads]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "logic/refresher_settings.h"
#include "platform/web_pane.h"
#include "refresher/frm_browser.h"
#include "seams/message_boxes.h"
#include "shell/application.h"
#include "support/fakes.h"
#include "support/http_server.h"
#include "support/pump.h"
#include "support/window_access.h"
#include "support/wx_session.h"

namespace vantle::bench {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::HttpServer;
using test::PumpUntil;

constexpr std::int32_t kInterval = 1000;

double CpuSeconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// User and system time of this process's children that are still running: the engine's web
// and network processes.
double ChildrenCpuSeconds() {
    const long ticks = sysconf(_SC_CLK_TCK);
    double total = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;
        // The command name may hold spaces; the fields after it are space-separated.
        const auto close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        long ppid = 0;
        fields >> state >> ppid;
        if (ppid != getpid()) continue;
        std::string skip;
        for (int i = 0; i < 9; ++i) fields >> skip;  // pgrp .. cmajflt
        double utime = 0, stime = 0;
        fields >> utime >> stime;
        total += (utime + stime) / ticks;
    }
    return total;
}

struct CpuSample {
    Clock::time_point wall = Clock::now();
    double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double thread = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    double children = ChildrenCpuSeconds();
};

class StderrMessages final : public MessageBoxes {
  public:
    void Show(const std::string& text, const std::string& title, MessageIcon) override {
        std::fprintf(stderr, "message: %s: %s\n", title.c_str(), text.c_str());
    }
};

// Pane 1 active at `link1`, pane 2 inactive, popups refused.
void WriteSettings(const SettingsContext& context, const std::string& link1,
                   const std::string& interval1) {
    IniFields fields;
    refresher::RefresherSettings settings(fields, context);
    settings.SetAddress(refresher::Link::First, link1);
    settings.SetInterval(refresher::Link::First, interval1);
    settings.SetActive(refresher::Link::First, "1");
    settings.SetActive(refresher::Link::Second, "0");
    settings.SetAllow("0");
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const std::size_t rank =
        static_cast<std::size_t>(std::ceil(p / 100 * static_cast<double>(values.size())));
    return values[std::max<std::size_t>(rank, 1) - 1];
}

// Deviation of each period from the interval, from a series of moments one interval apart.
void PrintCadence(const char* where, const std::vector<Clock::time_point>& moments) {
    std::vector<double> deviations;
    for (std::size_t i = 1; i < moments.size(); ++i) {
        const double period =
            std::chrono::duration<double, std::milli>(moments[i] - moments[i - 1]).count();
        deviations.push_back(period - kInterval);
    }
    std::vector<double> sizes;
    for (double d : deviations) sizes.push_back(std::fabs(d));
    const double mean =
        std::accumulate(deviations.begin(), deviations.end(), 0.0) / deviations.size();
    const double drift =
        std::chrono::duration<double, std::milli>(moments.back() - moments.front()).count() -
        static_cast<double>(deviations.size()) * kInterval;
    std::printf(
        "cadence at %s, %zu reloads at %d ms: mean deviation %+.1f ms, p95 |deviation| %.1f ms, "
        "max |deviation| %.1f ms, drift %+.0f ms over the run (%+.2f ms per reload)\n",
        where, deviations.size(), kInterval, mean, Percentile(sizes, 95),
        *std::max_element(sizes.begin(), sizes.end()), drift, drift / deviations.size());
}

int Run(int reloads) {
    HttpServer server;
    server.Serve("/redirect", HttpServer::Page{.redirectTo = "/landing"});
    server.Serve("/landing", "<html><body><h1>landing</h1></body></html>");
    server.Serve("/cadence", "<html><body><h1>cadence</h1></body></html>");

    char pattern[] = "/tmp/vantle-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::filesystem::path dir = pattern;
    StderrMessages messages;
    test::RecordingProgramStart programs;
    Services services;  // the real timings
    services.settings.file = dir / "vt.ini";
    services.settings.messages = &messages;
    services.messages = &messages;
    services.programs = &programs;
    Application app(services);
    // The main window stays open throughout: its status panel follows the running Refresher.
    app.CreateMain();
    auto onlyMainLeft = [] { return wxTopLevelWindows.size() == 1; };

    // A pane whose page redirects: its first tick navigates back and waits. The interval is
    // long enough that no other tick comes meanwhile.
    WriteSettings(services.settings, server.Url("/redirect"), "60000");
    {
        frmBrowser& window = app.Refresher();
        app.ShowModeless(window);
        if (!PumpUntil(
                [&] {
                    return server.CountFor("/landing") > 0 &&
                           !TestAccess::brwWebBrowser(window).Busy();
                },
                30s)) {
            std::fprintf(stderr, "the page did not load\n");
            return 1;
        }
        CpuSample before, after;
        bool done = false;
        // Bound after the window's own handler, so it runs instead of it.
        window.Bind(
            wxEVT_TIMER,
            [&](wxTimerEvent&) {
                before = CpuSample();
                window.Timer1_Timer();
                after = CpuSample();
                done = true;
            },
            TestAccess::Timer1(window).GetId());
        window.Command1_Click();
        if (!PumpUntil([&] { return done; }, 60s)) return 1;
        const double wall = std::chrono::duration<double>(after.wall - before.wall).count();
        std::printf(
            "wait: tick with navigation and wait took %.2f s; CPU as %% of one core: process "
            "%.2f%% (%.3f s), GUI thread %.2f%% (%.3f s), web processes %.2f%% (%.3f s)\n",
            wall, 100 * (after.process - before.process) / wall, after.process - before.process,
            100 * (after.thread - before.thread) / wall, after.thread - before.thread,
            100 * (after.children - before.children) / wall, after.children - before.children);
        window.Close(true);
        PumpUntil(onlyMainLeft, 10s);
    }

    // A pane showing its stored address exactly: every tick reloads it.
    WriteSettings(services.settings, server.Url("/cadence"), std::to_string(kInterval));
    {
        frmBrowser& window = app.Refresher();
        app.ShowModeless(window);
        if (!PumpUntil(
                [&] {
                    return server.CountFor("/cadence") > 0 &&
                           !TestAccess::brwWebBrowser(window).Busy();
                },
                30s)) {
            return 1;
        }
        std::vector<Clock::time_point> ticks;
        window.Bind(
            wxEVT_TIMER,
            [&](wxTimerEvent& event) {
                ticks.push_back(Clock::now());
                event.Skip();
            },
            TestAccess::Timer1(window).GetId());
        server.ClearRequests();
        window.Command1_Click();
        // The first tick comes at the design-time interval; the cadence is measured from it.
        const std::size_t wanted = static_cast<std::size_t>(reloads) + 1;
        const auto deadline = std::chrono::milliseconds(20'000 + (reloads + 5) * kInterval);
        if (!PumpUntil([&] { return server.CountFor("/cadence") >= wanted; }, deadline)) {
            std::fprintf(stderr, "only %zu reloads\n", server.CountFor("/cadence"));
            return 1;
        }
        ticks.resize(wanted);
        std::vector<Clock::time_point> requests;
        for (const auto& request : server.RequestsFor("/cadence")) requests.push_back(request.at);
        requests.resize(wanted);
        PrintCadence("the pane's timer", ticks);
        PrintCadence("the server", requests);
        window.Close(true);
        PumpUntil(onlyMainLeft, 10s);
    }
    app.CloseAll();
    PumpUntil([] { return wxTopLevelWindows.empty(); }, 10s);
    std::filesystem::remove_all(dir);
    return 0;
}

}  // namespace
}  // namespace vantle::bench

int main(int argc, char** argv) {
    const int reloads = argc > 1 ? std::max(2, std::atoi(argv[1])) : 60;
    // wx sees only the program name: the reload count is not its option.
    return vantle::test::RunWithWx(1, argv, [&] { return vantle::bench::Run(reloads); });
}
