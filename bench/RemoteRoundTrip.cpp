// Send-and-answer round trips through the port session, the way a program
// waits for an answer: one byte written, the session's descriptor waited
// on, the answer read. The device is a pty whose far end echoes at once;
// the same pty is reached directly and through ser2net (RFC 2217 on the
// loopback), so the difference is what the server and the network add.
// Usage: remote_round_trip [ROUND_TRIPS]

#include "serial/PortSession.h"
#include "testing/Pty.h"
#include "testing/Ser2net.h"
#include "testing/TempDir.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The device: every byte that comes is sent back.
void echo(int master, const std::atomic<bool>& stop)
{
    std::uint8_t buf[256];
    while (!stop) {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = read(master, buf, sizeof buf);
        if (n > 0 && write(master, buf, static_cast<std::size_t>(n)) != n)
            return;
    }
}

// Round-trip times in microseconds, sorted; empty when the port would not open.
std::vector<double> roundTrips(serial::PortSession& session, const std::string& name, int count)
{
    serial::SessionSetup setup;
    setup.writeTimeout = {100, 1000};
    // As the programs set it: every byte value is data, XON and XOFF too.
    setup.line = [](serial::LineSettings& line) {
        line.baudRate = 115200;
        line.xonXoffIn = false;
        line.xonXoffOut = false;
    };
    serial::PortSession::Result r = session.open(name, setup);
    for (int i = 0; i < 50 && r.outcome == serial::PortSession::Outcome::Connecting; ++i) {
        test_support::waitReadable(session.fd(), 1000);
        r = session.finishOpen();
    }
    if (!r) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), r.reason.c_str());
        return {};
    }
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t out = static_cast<std::uint8_t>(i);
        const auto t0 = Clock::now();
        session.write(&out, 1);
        std::uint8_t in = 0;
        std::size_t got = 0;
        while (got == 0 && test_support::waitReadable(session.fd(), 2000))
            got = session.read(&in, 1).count;
        if (got == 0 || in != out) {
            std::fprintf(stderr, "%s: no answer to round trip %d\n", name.c_str(), i);
            return {};
        }
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    session.close();
    std::sort(times.begin(), times.end());
    return times;
}

double at(const std::vector<double>& sorted, double share)
{
    return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(share * static_cast<double>(sorted.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    if (!test_support::Ser2net::installed()) {
        std::fprintf(stderr, "%s is not installed\n", test_support::Ser2net::kPath);
        return 77;
    }
    test_support::Pty device(test_support::Pty::Slave::Close);
    std::atomic<bool> stop{false};
    std::thread peer(echo, device.master(), std::cref(stop));

    test_support::TempDir dir("round-trip");
    const fs::path ports = dir / "comports";
    fs::create_directories(ports);
    fs::create_symlink(device.slavePath(), ports / "COM1");
    serial::PortNames names(ports, [] { return std::vector<fs::path>{}; });
    serial::PortSession session(names);
    const std::vector<double> local = roundTrips(session, "COM1", count);

    // ser2net as it comes (holding the device's bytes a few characters'
    // time to send them in fewer packets) and with that batching off.
    std::vector<double> remote[2];
    for (int batching = 0; batching < 2; ++batching) {
        test_support::Ser2net server(dir.path(), device.slavePath(), {}, batching == 1);
        if (server.started() && test_support::writeFile(ports / "COM2", server.rfc2217Address() + "\n"))
            remote[batching] = roundTrips(session, "COM2", count);
    }
    stop = true;
    peer.join();
    if (local.empty() || remote[0].empty() || remote[1].empty())
        return 1;

    std::printf("| %d one-byte round trips, µs | median | 90 %% | 99 %% |\n|---|---|---|---|\n", count);
    auto row = [](const char* what, const std::vector<double>& t, const std::vector<double>* base = nullptr) {
        auto cell = [&](double share) { return at(t, share) - (base ? at(*base, share) : 0); };
        std::printf("| %s | %.0f | %.0f | %.0f |\n", what, cell(0.5), cell(0.9), cell(0.99));
    };
    row("pty", local);
    row("the same pty behind ser2net, RFC 2217, its batching off", remote[0]);
    row("added by the server and the network", remote[0], &local);
    row("the same pty behind ser2net as it comes (chardelay on)", remote[1]);
    row("added, with the server's batching", remote[1], &local);
    return 0;
}
