#pragma once
// The write loop of a descriptor that never blocks (a serial device, a
// socket): bytes put until all are taken or the write time-out passes,
// waiting for room in between. One loop for both, so the time-out, the
// hang-up and the errors mean the same for a local and a remote port.

#include "serial/PortSettings.h"
#include "serial/SerialDevice.h"

#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <system_error>

namespace serial {

/// The write time-out for len bytes (perByteMs x len + constantMs); with
/// both 0 the wait has no limit.
struct WriteDeadline {
    WriteDeadline(const WriteTimeout& t, std::size_t len)
        : limitMs(std::uint64_t{t.perByteMs} * len + t.constantMs)
        , at(std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs))
    {
    }
    std::uint64_t limitMs;
    std::chrono::steady_clock::time_point at;
};

/// Puts len bytes of buf through put(p, n) (a write or send that returns
/// at once: a count, or -1 with errno), waiting on fd for room until the
/// deadline. fail(errno) words a put's own error.
/// @return the count taken; ec std::errc::timed_out on time-out,
///         DeviceError::HungUp when fd hung up, fail(errno) otherwise.
template <class Put, class Fail>
std::size_t writeWithin(int fd, const std::uint8_t* buf, std::size_t len, const WriteDeadline& deadline,
                        std::error_code& ec, Put&& put, Fail&& fail)
{
    std::size_t done = 0;
    while (done < len) {
        const auto n = put(buf + done, len - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            ec = fail(errno);
            break;
        }
        // The kernel's buffer is full: wait until it takes more or time is up.
        int waitMs = -1;
        if (deadline.limitMs != 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline.at - std::chrono::steady_clock::now()).count();
            if (left <= 0) {
                ec = std::make_error_code(std::errc::timed_out);
                break;
            }
            waitMs = left > 1'000'000'000 ? 1'000'000'000 : static_cast<int>(left);
        }
        pollfd p{fd, POLLOUT, 0};
        const int r = poll(&p, 1, waitMs);
        if (r < 0 && errno != EINTR) {
            ec.assign(errno, std::generic_category());
            break;
        }
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT)) {
            ec = DeviceError::HungUp;
            break;
        }
    }
    return done;
}

} // namespace serial
