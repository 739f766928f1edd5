// Quillon's receive path with the real window (offscreen) and the real
// 10 ms timer:
//  1. throughput: a pty fed at full speed, hex and text, time stamps and
//     markers on, logging on; every byte must reach the view and the log;
//  2. the cost of showing one frame with 1 MB and 50 MB already shown
//     (auto clear off);
//  3. CPU use with the port open and no traffic.
//  4. (steady) CPU per MB of a 115200-baud feed, text and hex, time stamps
//     off and on.
// Usage: quillon_receive_bench [megabytes per mode, default 2]
//        quillon_receive_bench steady [seconds per run, default 20]

#include "BenchSupport.h"
#include "QuillonRig.h"
#include "dialog/Clock.h"
#include "dialog/FileIo.h"
#include "dialog/qt/DialogWindow.h"
#include "dialog/qt/ProgramLook.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/send/HexTextCodec.h"
#include "quillon/ui/QuillonWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace quillon;

namespace {

// The lamps as the program draws them: idle, they must cost nothing.
struct Rig : bench::QuillonRig<bench::TimedTicks<QuillonMainDialog>> {
    Rig()
    {
        ui::installIndicators(window, logic);
        window.show();
    }
};

// The records of a log written with time stamps: stamp, data, CR LF.
std::string dataOfLog(const std::string& log)
{
    std::string data;
    std::size_t at = 0;
    while (at < log.size()) {
        const std::size_t end = log.find("\r\n", at);
        if (end == std::string::npos)
            break;
        data += log.substr(at + 21, end - at - 21); // "[YYYY:MM:DD:HH:MM:SS]" is 21 characters
        at = end + 2;
    }
    return data;
}

void throughput(bool hex, std::size_t total)
{
    Rig rig;
    rig.s().setCheck(RxHex, hex ? 1 : 0);
    rig.s().setCheck(ShowTimestamp, 1);
    rig.s().setCheck(ShowSent, 0);
    const fs::path log = rig.config / "log.txt";
    rig.s().setText(LogPath, log.string()); // taken at the open's exchange
    rig.logic.dispatch(SaveToggle, dialog::Notification::Clicked);
    rig.open();

    std::vector<std::uint8_t> data(total);
    for (std::size_t i = 0; i < total; ++i)
        data[i] = hex ? static_cast<std::uint8_t>(i * 131 + (i >> 8)) : static_cast<std::uint8_t>('!' + i % 90);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::size_t at = 0;
        while (at < data.size()) {
            const ssize_t n = ::write(rig.master, data.data() + at, std::min<std::size_t>(4096, data.size() - at));
            if (n > 0)
                at += static_cast<std::size_t>(n);
        }
        done = true;
    });
    const double cpu0 = bench::cpuSeconds();
    QElapsedTimer t;
    t.start();
    bench::runUntil([&] { return rig.counter(RxBytes) >= static_cast<std::int64_t>(total); }, 600000);
    const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
    const double cpu = bench::cpuSeconds() - cpu0;
    writer.join();
    bench::runFor(100); // the last frame ends
    const std::string logged = dataOfLog(dialog::readWholeFile(log).value_or(""));
    const std::string expected = hex ? formatHex(data) : std::string(data.begin(), data.end());
    const double rate = static_cast<double>(total) / seconds;
    std::printf("%-4s %8zu bytes in %6.2f s: %8.0f B/s = %5.1f %% of the 102400 B/s ceiling; "
                "%.3f CPU s per MB; log %s\n",
                hex ? "hex" : "text", total, seconds, rate, rate / 1024.0, cpu / (static_cast<double>(total) / 1e6),
                logged == expected ? "complete" : "INCOMPLETE");
}

void frameCost()
{
    Rig rig;
    rig.s().setCheck(AutoClear, 0);
    rig.open();
    bench::runFor(50);
    const std::string line = std::string(1023, 'x') + "\r\n";
    std::size_t shown = 0;
    for (std::size_t target : {std::size_t{1} << 20, std::size_t{50} << 20}) {
        std::string block;
        for (int i = 0; i < 64; ++i)
            block += line;
        while (shown < target) {
            rig.s().appendRich(ReceiveView, block, {255, 0, 0});
            shown += block.size();
        }
        rig.s().scrollToEnd(ReceiveView);
        bench::runFor(50);
        // One 1024-byte frame: the tick that reads it and the quiet ticks
        // that end it, driven by hand.
        std::vector<std::uint8_t> frame(1024, 0x5A);
        constexpr int kFrames = 30;
        double worst = 0, sum = 0;
        for (int i = 0; i < kFrames; ++i) {
            if (::write(rig.master, frame.data(), frame.size()) != 1024)
                std::abort();
            pollfd p{rig.logic.device().fd(), POLLIN, 0};
            ::poll(&p, 1, 1000);
            while (rig.logic.device().bytesWaiting() < 1024)
                ::poll(nullptr, 0, 1);
            const auto frames = rig.counter(RxFrames);
            const auto t0 = std::chrono::steady_clock::now();
            while (rig.counter(RxFrames) == frames)
                rig.logic.onTimer(MainTick);
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            sum += ms;
            worst = std::max(worst, ms);
        }
        shown += std::size_t{kFrames} * 3072;
        std::printf("showing a 1024-byte frame with %5.1f MB shown: %.2f ms on average, %.2f ms at worst\n",
                    static_cast<double>(target) / (1 << 20), sum / kFrames, worst);
    }
}

// A steady 115200-baud feed with the default options, time stamps on or
// off: what a tick costs beside the view when each reads about 115 bytes.
void steady(bool hex, bool stamp, int seconds)
{
    Rig rig;
    rig.s().setCheck(RxHex, hex ? 1 : 0);
    rig.s().setCheck(ShowTimestamp, stamp ? 1 : 0);
    rig.open();
    bench::measureSteady(rig.master, hex, stamp, seconds, rig.logic.tickSeconds,
                         [&] { return static_cast<std::int64_t>(rig.counter(RxBytes)); });
}

void idleCpu()
{
    Rig rig;
    rig.open();
    bench::runFor(200);
    const double cpu0 = bench::cpuSeconds();
    QElapsedTimer t;
    t.start();
    bench::runFor(5000);
    const double wall = static_cast<double>(t.elapsed()) / 1000.0;
    std::printf("idle with the port open: %.2f %% of one core over %.1f s\n",
                100.0 * (bench::cpuSeconds() - cpu0) / wall, wall);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    dialog::qt::applyProgramLook(app);
    if (bench::runSteadyIfAsked(argc, argv, steady))
        return 0;
    const std::size_t megabytes = argc > 1 ? static_cast<std::size_t>(std::atoi(argv[1])) : 2;
    idleCpu();
    throughput(true, megabytes << 20);
    throughput(false, megabytes << 20);
    frameCost();
    return 0;
}
