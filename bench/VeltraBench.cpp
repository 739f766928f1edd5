// Veltra's receive path and start-up with the real window (offscreen) and
// the real 3 ms poll timer:
//  1. throughput: a pty fed at full speed, hex and text; every byte must
//     reach the receive area;
//  2. the cost of one poll tick with 1 MB and 50 MB shown (auto clear off);
//  3. start-up to a shown window, with the probe of COM1 to COM255.
//  4. (steady) CPU per MB of a 115200-baud feed, text and hex, time stamps
//     off and on.
//  5. (growth) text lines fed at full speed until the area shows hundreds
//     of megabytes: resident memory and main-thread CPU per MB shown, ten
//     megabytes at a time, so that the first and the last can be compared.
// Usage: veltra_bench [megabytes per mode, default 1]
//        veltra_bench steady [seconds per run, default 20]
//        veltra_bench growth [megabytes, default 200]

#include "BenchSupport.h"
#include "dialog/Clock.h"
#include "dialog/Gbk.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "veltra/app/VeltraIds.h"
#include "veltra/app/VeltraMainDialog.h"
#include "veltra/app/VeltraTemplates.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace veltra;

namespace {

struct Rig {
    test_support::TempDir links{"veltra-bench"};
    test_support::Pty device{test_support::Pty::Slave::Close};
    const int master = device.master();
    dialog::SystemClock clock;
    std::unique_ptr<bench::TimedTicks<VeltraMainDialog>> logic;
    std::unique_ptr<dialog::qt::DialogWindow> window;

    Rig()
    {
        fs::create_symlink(device.slavePath(), links / "COM1");
        logic = std::make_unique<bench::TimedTicks<VeltraMainDialog>>(
            clock, serial::PortNames(links.path(), [] { return std::vector<fs::path>{}; }));
        window = std::make_unique<dialog::qt::DialogWindow>(veltraMainWindowTemplate(), *logic);
        window->show();
        logic->dispatch(ConnectButton, dialog::Notification::Clicked);
        if (!logic->isPortOpen())
            std::abort();
    }
    ~Rig()
    {
        window.reset();
        logic.reset();
    }
    dialog::ControlSurface& s() { return *window; }
};

void throughput(bool hex, std::size_t total)
{
    Rig rig;
    rig.s().setCheck(ReceiveHex, hex ? 1 : 0);
    rig.s().setCheck(BurstNewline, 1);
    std::string data(total, '\0');
    for (std::size_t i = 0; i < total; ++i)
        data[i] = hex ? static_cast<char>(i * 131 + (i >> 8)) : static_cast<char>(i % 64 == 63 ? '\n' : '!' + i % 90);
    std::thread writer([&] {
        std::size_t at = 0;
        while (at < data.size()) {
            const ssize_t n = ::write(rig.master, data.data() + at, std::min<std::size_t>(4096, data.size() - at));
            if (n > 0)
                at += static_cast<std::size_t>(n);
        }
    });
    const double cpu0 = bench::cpuSeconds();
    QElapsedTimer t;
    t.start();
    bench::runUntil([&] { return rig.logic->receivedCount() >= static_cast<std::int64_t>(total); }, 600000);
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    writer.join();
    bench::runFor(50);
    std::string expected;
    if (hex) {
        expected = renderReceived(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), true);
    } else {
        expected = data;
    }
    // The area holds the bytes plus the burst breaks: take those out.
    const std::string shown = rig.logic->receiveText();
    std::string compact;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown.compare(i, 2, "\r\n") == 0 && (hex || i == 0 || shown[i - 1] != '\n')) {
            ++i;
            continue;
        }
        compact += shown[i];
    }
    const bool complete = rig.s().text(ReceiveArea).size() >= shown.size() && compact.size() >= expected.size() - 1;
    const double rate = static_cast<double>(total) / seconds;
    std::printf("%-4s %8zu bytes in %6.2f s: %8.0f B/s reach the area (%5.1f %% of the 333333 B/s ceiling); "
                "%.3f CPU s per MB; %s\n",
                hex ? "hex" : "text", total, seconds, rate, rate / 3333.33, cpu / (static_cast<double>(total) / 1e6),
                complete && rig.logic->receivedCount() == static_cast<std::int64_t>(total) ? "no byte lost"
                                                                                           : "BYTES LOST");
}

// A steady 115200-baud feed with the default options, time stamps on or
// off: what a poll costs beside the area when each reads a few bytes.
void steady(bool hex, bool stamp, int seconds)
{
    Rig rig;
    rig.s().setCheck(ReceiveHex, hex ? 1 : 0);
    rig.s().setCheck(ReceiveTime, stamp ? 1 : 0);
    bench::measureSteady(rig.master, hex, stamp, seconds, rig.logic->tickSeconds,
                         [&] { return static_cast<std::int64_t>(rig.logic->receivedCount()); });
}

void tickCost()
{
    Rig rig;
    rig.s().setCheck(AutoClear, 0);
    rig.s().setCheck(ReceiveHex, 1);
    rig.s().setCheck(ReceiveTime, 1);
    rig.s().setCheck(BurstNewline, 1);
    bench::runFor(50);
    const std::string line = std::string(62, 'x') + "\r\n"; // a paragraph each
    std::string block;
    for (int i = 0; i < 1024; ++i)
        block += line; // 64 KB
    // The text grows 64 KB at a time, each put into the area at once: a
    // store that copies itself when it doubles stalls the window there.
    std::vector<double> growth;
    std::size_t filled = 0;
    for (std::size_t megabytes : {std::size_t{1}, std::size_t{50}}) {
        for (; filled < (megabytes << 20); filled += block.size()) {
            const auto t0 = std::chrono::steady_clock::now();
            rig.s().appendText(ReceiveArea, block);
            rig.s().lineCount(ReceiveArea);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            growth.push_back(ms);
        }
        rig.s().scrollToEnd(ReceiveArea);
        bench::runFor(50);
        std::vector<char> chunk(1000, 0x5A);
        constexpr int kTicks = 40;
        double worst = 0, sum = 0;
        for (int i = 0; i < kTicks; ++i) {
            if (::write(rig.master, chunk.data(), chunk.size()) != 1000)
                std::abort();
            pollfd p{rig.logic->port().fd(), POLLIN, 0};
            ::poll(&p, 1, 1000);
            while (rig.logic->port().bytesWaiting() < 1000)
                ::poll(nullptr, 0, 1);
            const auto t0 = std::chrono::steady_clock::now();
            rig.logic->onTimer(PollTimer); // 1000 bytes as 3000 characters
            rig.logic->onTimer(PollTimer); // the burst ends
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            sum += ms;
            worst = std::max(worst, ms);
        }
        std::printf("a 1000-byte tick and its burst end with %3zu MB shown: %.3f ms on average, %.3f ms at worst\n",
                    megabytes, sum / kTicks, worst);
    }
    const auto worst = std::max_element(growth.begin(), growth.end());
    const double worstMs = *worst;
    const std::size_t worstAtMb = static_cast<std::size_t>(worst - growth.begin() + 1) * block.size() >> 20;
    std::nth_element(growth.begin(), growth.begin() + static_cast<std::ptrdiff_t>(growth.size() / 2), growth.end());
    std::printf("64 KB added to the text and the area: %.2f ms as a rule, %.1f ms at worst (at %zu MB)\n",
                growth[growth.size() / 2], worstMs, worstAtMb);
}

double residentMiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kib = 0;
            status >> kib;
            return kib / 1024;
        }
    }
    return 0;
}

// The process benchmark's text lines (71 bytes, GBK), one after another.
void growth(std::size_t megabytes)
{
    Rig rig;
    rig.s().setCheck(ReceiveHex, 0);
    rig.s().setCheck(BurstNewline, 0); // the area then holds the bytes fed, no more
    const std::int64_t total = static_cast<std::int64_t>(megabytes) * 1000000;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const std::string temperature = dialog::gbk("温度"), humidity = dialog::gbk("湿度");
        char line[128];
        std::string block;
        std::int64_t written = 0;
        for (unsigned n = 0; written < total && !stop;) {
            block.clear();
            for (int i = 0; i < 64; ++i, ++n) {
                const int len = std::snprintf(line, sizeof line,
                                              "%06u %s 23.5 %s 61%% the quick brown fox jumps over the lazy dog\r\n",
                                              n % 1000000, temperature.c_str(), humidity.c_str());
                block.append(line, static_cast<std::size_t>(len));
            }
            block.resize(static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(block.size()), total - written)));
            for (std::size_t at = 0; at < block.size() && !stop;) {
                const ssize_t w = ::write(rig.master, block.data() + at, block.size() - at);
                if (w > 0)
                    at += static_cast<std::size_t>(w);
            }
            written += static_cast<std::int64_t>(block.size());
        }
    });
    constexpr std::int64_t kStep = 10000000;
    struct Mark {
        std::int64_t bytes;
        double rss, cpu;
    };
    std::vector<Mark> marks{{0, residentMiB(), bench::threadCpuSeconds()}};
    bench::runUntil(
        [&] {
            const std::int64_t got = rig.logic->receivedCount();
            if (got >= marks.back().bytes + kStep || got >= total)
                marks.push_back({got, residentMiB(), bench::threadCpuSeconds()});
            return got >= total;
        },
        3600000);
    stop = true;
    writer.join();
    std::printf("growth: %zu MB of 71-byte text lines at full speed, auto clear off\n", megabytes);
    std::printf("   MB shown | RSS MiB | MiB per MB over the step | main-thread CPU s per MB\n");
    for (std::size_t i = 1; i < marks.size(); ++i) {
        const double mb = static_cast<double>(marks[i].bytes - marks[i - 1].bytes) / 1e6;
        std::printf("%11.1f | %7.1f | %24.3f | %24.4f\n", static_cast<double>(marks[i].bytes) / 1e6, marks[i].rss,
                    (marks[i].rss - marks[i - 1].rss) / mb, (marks[i].cpu - marks[i - 1].cpu) / mb);
    }
    const Mark& first = marks[1];
    const Mark& last = marks.back();
    std::printf("from %.0f MB to %.0f MB: %.3f MiB per MB; %s\n", static_cast<double>(first.bytes) / 1e6,
                static_cast<double>(last.bytes) / 1e6,
                (last.rss - first.rss) / (static_cast<double>(last.bytes - first.bytes) / 1e6),
                rig.logic->receivedCount() == total &&
                        rig.logic->receiveText().size() == static_cast<std::size_t>(total)
                    ? "every byte shown"
                    : "BYTES MISSING");
}

void startUp()
{
    // Ports as a user has them: a few links, the rest probed through the
    // device scan.
    const test_support::TempDir links{"veltra-bench"};
    std::deque<test_support::Pty> devices;
    for (const char* name : {"COM1", "COM3", "COM8"})
        fs::create_symlink(devices.emplace_back(test_support::Pty::Slave::Close).slavePath(), links / name);
    dialog::SystemClock clock;
    constexpr int kRuns = 5;
    double worst = 0, sum = 0;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        VeltraMainDialog logic(clock, serial::PortNames(links.path()));
        dialog::qt::DialogWindow window(veltraMainWindowTemplate(), logic);
        window.show();
        QCoreApplication::processEvents();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        sum += ms;
        worst = std::max(worst, ms);
        if (window.itemCount(PortList) < 3)
            std::abort();
    }
    std::printf("start-up to a shown window with the probe of 255 names: %.1f ms on average, %.1f ms at worst\n",
                sum / kRuns, worst);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    dialog::qt::applyProgramLook(app);
    if (bench::runSteadyIfAsked(argc, argv, steady))
        return 0;
    if (argc > 1 && std::string(argv[1]) == "growth") {
        growth(argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 200);
        return 0;
    }
    const std::size_t megabytes = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 1;
    startUp();
    throughput(true, megabytes << 20);
    throughput(false, megabytes << 20);
    tickCost();
    return 0;
}
