// A timed send-area rotation at a 10 ms period (one step every second
// tick) while 100 KB/s arrive, with the real window (offscreen):
//  - TickUnderTraffic: one tick driven by hand with 1024 bytes waiting, its
//    cost and the steps it makes, with and without the rotation;
//  - RealTimer: the window's own 10 ms timer for 3 s, a writer feeding
//    1024 bytes every 10 ms; steps per tick and per second.
// Received frames are shown (red) and the sent ones echoed, as a user
// watching the rotation would have it.

#include "BenchSupport.h"
#include "QuillonRig.h"
#include "dialog/qt/ProgramLook.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace quillon;

namespace {

// Counts the ticks the window's timer delivers.
class CountingDialog : public QuillonMainDialog {
public:
    using QuillonMainDialog::QuillonMainDialog;
    void onTimer(int id) override
    {
        if (id == MainTick)
            ++ticks;
        QuillonMainDialog::onTimer(id);
    }
    long ticks = 0;
};

struct Rig : bench::QuillonRig<CountingDialog> {
    explicit Rig(bool rotating = true)
    {
        window.show();
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        s().setText(Area1Text, "01 02 03 04");
        s().setText(Area2Text, "05 06 07 08");
        s().setCheck(Area1TakesPart, 1);
        s().setCheck(Area2TakesPart, 1);
        s().setCheck(ShowSent, 1);
        s().setText(RotationPeriod, "10");
        open();
        if (rotating)
            logic.dispatch(AreaRotationButton, dialog::Notification::Clicked);
    }
    // What the rotation sent, so the pty never fills.
    void drain()
    {
        char buf[4096];
        while (::read(master, buf, sizeof buf) > 0) {
        }
    }
};

const std::vector<char> kChunk(1024, 'x'); // 10 ms of 100 KB/s, in text mode

// Argument 1: the rotation runs; 0: the same traffic without it, the
// baseline the rotation adds to.
void BM_TickUnderTraffic(benchmark::State& state)
{
    Rig rig(state.range(0) != 0);
    const auto frames0 = rig.counter(TxFrames);
    long ticks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.drain();
        if (::write(rig.master, kChunk.data(), kChunk.size()) < 0)
            std::abort();
        for (int i = 0; i < 100 && rig.logic.device().bytesWaiting() < kChunk.size(); ++i)
            ::poll(nullptr, 0, 1);
        state.ResumeTiming();
        rig.logic.onTimer(MainTick);
        ++ticks;
    }
    state.counters["steps_per_tick"] =
        static_cast<double>(rig.counter(TxFrames) - frames0) / static_cast<double>(ticks);
    state.counters["rx_bytes_per_tick"] = static_cast<double>(rig.counter(RxBytes)) / static_cast<double>(ticks);
}
BENCHMARK(BM_TickUnderTraffic)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_RealTimer(benchmark::State& state)
{
    for (auto _ : state) {
        Rig rig;
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            auto next = std::chrono::steady_clock::now();
            while (!stop) {
                // A full pty buffer only means the tick fell behind.
                [[maybe_unused]] const ssize_t n = ::write(rig.master, kChunk.data(), kChunk.size());
                next += std::chrono::milliseconds(10);
                std::this_thread::sleep_until(next);
            }
        });
        QTimer drainer;
        QObject::connect(&drainer, &QTimer::timeout, [&] { rig.drain(); });
        drainer.start(5);
        const long ticks0 = rig.logic.ticks;
        const auto frames0 = rig.counter(TxFrames);
        QElapsedTimer t;
        t.start();
        bench::runFor(3000);
        const double seconds = static_cast<double>(t.nsecsElapsed()) / 1e9;
        stop = true;
        writer.join();
        const double ticks = static_cast<double>(rig.logic.ticks - ticks0);
        const double steps = static_cast<double>(rig.counter(TxFrames) - frames0);
        state.counters["ticks_per_s"] = ticks / seconds;
        state.counters["steps_per_s"] = steps / seconds;
        state.counters["steps_per_tick"] = steps / ticks;
        state.counters["rx_bytes_per_s"] = static_cast<double>(rig.counter(RxBytes)) / seconds;
    }
}
BENCHMARK(BM_RealTimer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    dialog::qt::applyProgramLook(app);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
