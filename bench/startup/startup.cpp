// Time from starting the vantle executable to its main window being mapped on the display,
// over several runs; prints the median and the spread. Run it on an X display (Xvfb is fine):
//   xvfb-run -a build/bench/startup/vantle_startup build/vantle [runs]
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool IsMainWindow(Display* display, Window window) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr) return false;
    const bool match = std::strcmp(name, "Vantle") == 0;
    XFree(name);
    return match;
}

// Starts the program and returns how long it took until its main window was mapped, or a
// negative number after a ten-second deadline.
double OneRun(Display* display, const char* program) {
    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program), nullptr};
    const auto start = Clock::now();
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    double ms = -1;
    const auto deadline = start + std::chrono::seconds(10);
    while (Clock::now() < deadline && ms < 0) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && IsMainWindow(display, event.xmap.window)) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
        if (ms < 0) {
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(ConnectionNumber(display), &fds);
            timeval tick{0, 1000};
            select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &tick);
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XSelectInput(display, root, NoEventMask);
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-TO-vantle [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    OneRun(display, argv[1]);  // warm the file cache; not counted
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double ms = OneRun(display, argv[1]);
        if (ms < 0) {
            std::fprintf(stderr, "run %d: the main window did not appear within 10 s\n", i + 1);
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("startup to main window: median %.0f ms, min %.0f ms, max %.0f ms over %d runs\n",
                times[times.size() / 2], times.front(), times.back(), runs);
    XCloseDisplay(display);
    return 0;
}
