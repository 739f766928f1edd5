#pragma once
// What the window benchmarks share: CPU time and running the real event
// loop. Scratch folders and the pty that stands for the device come from
// testing/.

#include <QEventLoop>
#include <QTimer>

#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace bench {

inline double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

/// Runs the event loop, blocking as the programs do, until done() holds or
/// ms have passed.
template <class Done> void runUntil(Done done, int ms)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline void runFor(int ms)
{
    runUntil([] { return false; }, ms);
}

/// CPU time of the calling thread.
inline double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

/// A dialog logic that adds up the CPU time its timer ticks take, surface
/// calls included; what the window does after them is not counted.
template <class Logic> struct TimedTicks : Logic {
    using Logic::Logic;
    double tickSeconds = 0;
    void onTimer(int id) override
    {
        const double t0 = threadCpuSeconds();
        Logic::onTimer(id);
        tickSeconds += threadCpuSeconds() - t0;
    }
};

/// Bytes a second of a steady 115200-baud 8N1 line.
inline constexpr std::size_t kSteadyRate = 11520;

/// Writes data to fd at kSteadyRate in 10 ms slices, as a device streaming
/// at 115200 baud would; returns when all is written. For a thread of its
/// own while the event loop runs.
inline void paceFeed(int fd, const std::string& data)
{
    const auto start = std::chrono::steady_clock::now();
    std::size_t sent = 0;
    for (int slice = 1; sent < data.size(); ++slice) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * slice));
        const std::size_t due = std::min(data.size(), kSteadyRate * static_cast<std::size_t>(slice) / 100);
        while (sent < due) {
            const ssize_t n = ::write(fd, data.data() + sent, due - sent);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
        }
    }
}

/// Steady feed payloads: text lines with CR LF, or bytes of every value.
inline std::string steadyPayload(bool hex, std::size_t size)
{
    std::string out;
    for (std::size_t n = 0; out.size() < size; ++n) {
        if (hex) {
            out += static_cast<char>(n * 131 + (n >> 8));
        } else {
            char line[96];
            std::snprintf(line, sizeof line, "%06zu temp 23.5 hum 61%% the quick brown fox jumps over the lazy dog\r\n",
                          n);
            out += line;
        }
    }
    out.resize(size);
    return out;
}

/// Feeds a steady payload of seconds to master from a thread while the
/// event loop runs until received() has it all, and prints the CPU per MB
/// and the share of it in the ticks (tickSeconds, reset here).
template <class Received>
void measureSteady(int master, bool hex, bool stamp, int seconds, double& tickSeconds, Received received)
{
    const std::string data = steadyPayload(hex, kSteadyRate * static_cast<std::size_t>(seconds));
    const auto all = static_cast<std::int64_t>(data.size());
    const double cpu0 = cpuSeconds();
    tickSeconds = 0;
    std::thread writer([&] { paceFeed(master, data); });
    runUntil([&] { return received() >= all; }, seconds * 1000 + 5000);
    const double cpu = cpuSeconds() - cpu0;
    writer.join();
    const double mb = static_cast<double>(data.size()) / 1e6;
    std::printf("steady %-4s time stamps %-3s: %.3f CPU s per MB, %.3f of them in the ticks; %s\n",
                hex ? "hex" : "text", stamp ? "on" : "off", cpu / mb, tickSeconds / mb,
                received() == all ? "all counted" : "BYTES MISSING");
}

/// "BENCH steady [SECONDS]": runs steady(hex, stamps, seconds) for text and
/// hex, time stamps off and on, and tells whether it was asked for.
template <class Steady> bool runSteadyIfAsked(int argc, char** argv, Steady steady)
{
    if (argc < 2 || std::string(argv[1]) != "steady")
        return false;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    for (bool hex : {false, true})
        for (bool stamp : {false, true})
            steady(hex, stamp, seconds);
    return true;
}

} // namespace bench
