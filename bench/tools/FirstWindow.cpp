// bench_first_window [--rss-after SECONDS] -- COMMAND [ARG...]
//
// Starts COMMAND on the X display in $DISPLAY and reports, on standard output:
//   first_window_ms N   from the start of the process to the first top-level window mapped
//                       (no window manager runs, so top-level windows are children of the root)
//   rss_kb N            (with --rss-after) the process's resident memory that many seconds
//                       after its first window appeared
// then ends the process. Exits 1 when no window appears within 30 seconds.
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Waits up to timeoutMs for the next X event; false on timeout.
bool NextEvent(Display* display, XEvent& event, double timeoutMs) {
    const auto until = Clock::now() + std::chrono::duration<double, std::milli>(timeoutMs);
    while (!XPending(display)) {
        const double left = std::chrono::duration<double, std::milli>(until - Clock::now()).count();
        if (left <= 0)
            return false;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(display), &fds);
        timeval tv{static_cast<time_t>(left / 1000),
                   static_cast<suseconds_t>(static_cast<long>(left) % 1000 * 1000)};
        select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &tv);
    }
    XNextEvent(display, &event);
    return true;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char** argv) {
    double rssAfter = -1;
    int first = 1;
    for (; first < argc; ++first) {
        if (std::strcmp(argv[first], "--rss-after") == 0 && first + 1 < argc)
            rssAfter = std::atof(argv[++first]);
        else if (std::strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        } else
            break;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: bench_first_window [--rss-after SECONDS] -- COMMAND [ARG...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ConnectionNumber(display));
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }
    XEvent event;
    double shown = -1;
    while (shown < 0) {
        if (!NextEvent(display, event, 30000 - MsSince(start)))
            break;
        if (event.type == MapNotify && !event.xmap.override_redirect)
            shown = MsSince(start);
    }
    if (shown < 0) {
        std::fprintf(stderr, "no window appeared\n");
        Stop(pid);
        return 1;
    }
    std::printf("first_window_ms %.1f\n", shown);
    if (rssAfter >= 0) {
        const Clock::time_point mapped = Clock::now();
        while (MsSince(mapped) < rssAfter * 1000)
            NextEvent(display, event, rssAfter * 1000 - MsSince(mapped));
        std::printf("rss_kb %ld\n", ResidentKb(pid));
    }
    std::fflush(stdout);
    Stop(pid);
    XCloseDisplay(display);
    return 0;
}
