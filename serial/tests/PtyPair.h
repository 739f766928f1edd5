#pragma once
// A pseudo-terminal pair for tests: the slave path is what a test opens
// as a serial device, the master is the far end of the line.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace serial::test {

class PtyPair {
public:
    PtyPair()
    {
        char name[256] = {};
        if (openpty(&master_, &watcher_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        slavePath_ = name;
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair()
    {
        ::close(master_);
        ::close(watcher_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }
    // A second descriptor on the slave, without the device's lock: reads
    // the line settings as the port holds them, and keeps the pty alive.
    int watcher() const { return watcher_; }

    // Waits (bounded) until fd is readable; false if nothing came.
    static bool waitReadable(int fd, int timeoutMs = 2000)
    {
        pollfd p{fd, POLLIN, 0};
        int r;
        do
            r = poll(&p, 1, timeoutMs);
        while (r < 0 && errno == EINTR);
        return r > 0 && (p.revents & POLLIN);
    }

    // Reads from the master until count bytes came or a bounded wait ends.
    std::vector<std::uint8_t> readFromMaster(std::size_t count) const
    {
        std::vector<std::uint8_t> got;
        std::uint8_t buf[4096];
        while (got.size() < count && waitReadable(master_)) {
            ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

private:
    int master_ = -1;
    int watcher_ = -1;
    std::string slavePath_;
};

} // namespace serial::test
