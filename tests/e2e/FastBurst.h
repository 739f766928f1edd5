#pragma once
// A device on a 3 Mbaud line for the programs' cores: a burst written into
// a pty's master at full speed from a thread of its own, while the test
// ticks the program on the slave. A pty waits for its reader where an
// adapter would drop, so the test grants the program only the ticks the
// line's time gives: 3000 bytes come in each 10 ms, and a tick finds them
// waiting before it runs.

#include "serial/HexFormat.h"
#include "serial/SerialDevice.h"
#include "testing/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

/// 3 Mbaud, ten bits a byte, in 10 ms.
inline constexpr std::size_t kBytesPerTick = 3000;

/// A megabyte of every byte value, in no simple order.
inline std::vector<std::uint8_t> megabyteBurst()
{
    std::vector<std::uint8_t> burst(std::size_t{1} << 20);
    std::uint32_t x = 2463534242U;
    for (std::uint8_t& b : burst) {
        x ^= x << 13U;
        x ^= x >> 17U;
        x ^= x << 5U;
        b = static_cast<std::uint8_t>(x);
    }
    return burst;
}

class BurstWriter {
public:
    /// Starts writing burst into master; the descriptor does not block
    /// meanwhile, so that a writer whose reader went can still be stopped.
    BurstWriter(int master, const std::vector<std::uint8_t>& burst)
        : fd_(master), flags_(::fcntl(master, F_GETFL)), burst_(burst)
    {
        ::fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
        thread_ = std::thread([this] { run(); });
    }
    ~BurstWriter()
    {
        stop_ = true;
        thread_.join();
        ::fcntl(fd_, F_SETFL, flags_);
    }
    BurstWriter(const BurstWriter&) = delete;
    BurstWriter& operator=(const BurstWriter&) = delete;

private:
    void run()
    {
        std::size_t at = 0;
        while (at < burst_.size() && !stop_) {
            const ssize_t n = ::write(fd_, burst_.data() + at, burst_.size() - at);
            if (n > 0) {
                at += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 20);
        }
    }

    int fd_;
    int flags_;
    const std::vector<std::uint8_t>& burst_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

/// Waits until at least count bytes wait for port; false when they do not
/// come within about two seconds.
inline bool bytesArrive(const serial::SerialDevice& port, std::size_t count)
{
    return test_support::eventually([&] { return port.bytesWaiting() >= count; }, 2000);
}

/// Ticks while the line runs: before each, a tick's worth of the burst (or
/// all that is left of it) waits; at most as many ticks as the burst's
/// line time holds. counted says how much the program took so far.
template <class Tick, class Counted>
bool tickThroughBurst(const serial::SerialDevice& port, std::size_t size, Tick tick, Counted counted)
{
    const std::size_t ticksOfTheLine = (size + kBytesPerTick - 1) / kBytesPerTick;
    for (std::size_t i = 0; i < ticksOfTheLine && counted() < size; ++i) {
        if (!bytesArrive(port, std::min(kBytesPerTick, size - counted())))
            return false;
        tick();
    }
    return counted() == size;
}

/// "" when shown is the hex of burst, where it parts from it otherwise.
inline std::string hexMismatch(const std::string& shown, const std::vector<std::uint8_t>& burst)
{
    const std::string hex = serial::formatHex(burst);
    const auto diff = std::mismatch(shown.begin(), shown.end(), hex.begin(), hex.end());
    if (diff.first == shown.end() && diff.second == hex.end())
        return {};
    return "parts at byte " + std::to_string((diff.first - shown.begin()) / 3) + " of the burst; " +
           std::to_string(shown.size()) + " characters shown, " + std::to_string(hex.size()) + " expected";
}

} // namespace e2e
