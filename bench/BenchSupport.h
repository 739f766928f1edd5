#pragma once
// What the window benchmarks share: CPU time and running the real event
// loop. Scratch folders and the pty that stands for the device come from
// testing/.

#include <QEventLoop>
#include <QTimer>

#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <sys/resource.h>

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

inline void runFor(int ms) { runUntil([] { return false; }, ms); }

} // namespace bench
