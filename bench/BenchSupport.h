#pragma once
// What the window benchmarks share: CPU time, a scratch folder, a pty that
// stands for the device, and running the real event loop.

#include <QEventLoop>
#include <QTimer>

#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

inline double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline std::filesystem::path tempDir(const char* what)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(what) + ".XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        std::abort();
    return std::filesystem::path(tmpl);
}

/// Opens a pty and pins its device end as `name` in linksDir; returns the
/// master, which the benchmark writes to as the device.
inline int devicePty(const std::filesystem::path& linksDir, const char* name)
{
    int master = -1, slave = -1;
    char path[128] = {};
    if (openpty(&master, &slave, path, nullptr, nullptr) != 0)
        std::abort();
    ::close(slave);
    std::filesystem::create_symlink(path, linksDir / name);
    return master;
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
