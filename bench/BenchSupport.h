// Small helpers the benchmark programs share: figures from samples, CPU time, event pumping.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

namespace pace::bench {

using Clock = std::chrono::steady_clock;

// 500000 bit/s, and 11 bits a byte on the line (start bit, 8 data bits, 2 stop bits).
inline constexpr double LineBytesPerSecond = 500000.0 / 11.0;

// The value below which `fraction` of the samples lie (nearest rank); 0 without samples.
inline double Percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * samples.size()));
    return samples[std::clamp<std::size_t>(rank, 1, samples.size()) - 1];
}

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

inline double CpuSeconds(clockid_t clock) {
    timespec t{};
    ::clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
// CPU time of the calling thread, and of the whole process.
inline double ThreadCpuSeconds() { return CpuSeconds(CLOCK_THREAD_CPUTIME_ID); }
inline double ProcessCpuSeconds() { return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID); }

// Runs the event loop until `done` holds or `timeout` passes; looks at `done` every `check`.
inline bool RunEventsUntil(const std::function<bool()>& done, Clock::duration timeout,
                           std::chrono::milliseconds check = std::chrono::milliseconds(1)) {
    const auto deadline = Clock::now() + timeout;
    QEventLoop loop;
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (done() || Clock::now() >= deadline) loop.quit();
    });
    if (done()) return true;
    watch.start(check);
    loop.exec();
    return done();
}

}  // namespace pace::bench
