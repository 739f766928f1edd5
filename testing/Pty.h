#pragma once
// A pseudo-terminal pair for tests: the slave path is what the program opens
// as its serial device, the master stays with the test as the far end of
// the line.

#include <unistd.h>

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace test_support {

/// Waits at most timeoutMs until fd has something to read; false if nothing
/// came (or the far end hung up with nothing left).
bool waitReadable(int fd, int timeoutMs = 2000);

class Pty {
public:
    enum class Slave {
        KeepOpen, // the line stays up between the program's opens
        Close,    // only the master is needed; the device is opened by path
    };
    /// Throws std::runtime_error if no pty is to be had.
    explicit Pty(Slave slave = Slave::KeepOpen);
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int master() const { return master_; }
    /// A descriptor on the slave without the device's lock: reads the line
    /// settings as the port holds them. -1 with Slave::Close.
    int slave() const { return slave_; }
    const std::string& slavePath() const { return slavePath_; }

    /// The far end goes away, as an unplugged adapter does: the program's
    /// side of the line hangs up. master() is -1 afterwards.
    void closeMaster();

    /// Writes all of the bytes to the master (which blocks, as a device's
    /// line does); false if a write failed.
    bool writeAll(const void* data, std::size_t size) const;
    bool writeAll(std::string_view bytes) const { return writeAll(bytes.data(), bytes.size()); }

    /// What the program wrote: reads the master until count bytes came or
    /// nothing more came for timeoutMs. Bytes is std::string or a vector
    /// of bytes.
    template <class Bytes = std::string> Bytes readUntil(std::size_t count, int timeoutMs = 2000) const
    {
        Bytes got;
        char buf[4096];
        while (got.size() < count && waitReadable(master_, timeoutMs)) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n <= 0)
                break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }
    /// Everything already written, without waiting for more.
    template <class Bytes = std::string> Bytes drain() const
    {
        return readUntil<Bytes>(std::numeric_limits<std::size_t>::max(), 50);
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace test_support
