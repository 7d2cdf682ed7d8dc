// Start-up: the time from starting a program's process to its window's first paint, and the
// process's peak resident memory by then, for both programs on the offscreen platform.
// Reference: the same for a process that shows one empty widget, the toolkit's own floor,
// measured in the same run.
//
// Each run starts bench_startup_window in a fresh process; the time runs from just before the
// process is spawned to the moment it reports (on the same monotonic clock) that its first
// paint was flushed. The peak memory is the child's ru_maxrss as wait4() reports it.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "BenchSupport.h"

extern char** environ;

namespace {

constexpr int Runs = 10;

long long MonotonicNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

struct Run {
    double StartupSeconds;
    double PeakMiB;
};

std::optional<Run> StartOnce(const char* which) {
    int out[2];
    if (::pipe(out) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* args[] = {const_cast<char*>(PACE_STARTUP_WINDOW), const_cast<char*>(which), nullptr};

    const long long start = MonotonicNs();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, PACE_STARTUP_WINDOW, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return std::nullopt;
    }
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);

    long long painted = 0;
    if (std::sscanf(text.c_str(), "painted %lld", &painted) != 1 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
        return std::nullopt;
    return Run{static_cast<double>(painted - start) * 1e-9,
               static_cast<double>(usage.ru_maxrss) / 1024.0};
}

struct Figures {
    double StartupMedian = 0;
    double StartupBest = 0;
    double PeakMedian = 0;
    int Runs = 0;
};

}  // namespace

int main() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* programs[] = {"bare", "pacemon", "pacecfg"};
    std::vector<double> startup[3];
    std::vector<double> peak[3];
    // Interleaved, so that a busy moment of the machine does not fall on one program only.
    for (int run = 0; run < Runs; ++run)
        for (int p = 0; p < 3; ++p)
            if (const auto r = StartOnce(programs[p])) {
                startup[p].push_back(r->StartupSeconds);
                peak[p].push_back(r->PeakMiB);
            }

    Figures f[3];
    for (int p = 0; p < 3; ++p)
        f[p] = {pace::bench::Percentile(startup[p], 0.5), pace::bench::Percentile(startup[p], 0),
                pace::bench::Percentile(peak[p], 0.5), static_cast<int>(startup[p].size())};

    std::printf(
        "Start-up to the first painted window, and peak resident memory, offscreen,\n"
        "%d fresh processes each. Reference: an empty widget shown by the same toolkit.\n\n",
        Runs);
    for (int p = 0; p < 3; ++p)
        std::printf(
            "%-8s runs %2d  start-up median %6.1f ms (best %6.1f ms, %.2f x bare)  "
            "peak %6.1f MiB (%.2f x bare)\n",
            programs[p], f[p].Runs, 1e3 * f[p].StartupMedian, 1e3 * f[p].StartupBest,
            f[0].StartupMedian > 0 ? f[p].StartupMedian / f[0].StartupMedian : 0, f[p].PeakMedian,
            f[0].PeakMedian > 0 ? f[p].PeakMedian / f[0].PeakMedian : 0);
    return 0;
}
