#pragma once
// Debian's ser2net on the loopback address in front of ptys, as a serial
// server in another room would be: one RFC 2217 accepter and one bytes-only
// accepter, on ports free when it starts. For the tests and benchmarks of
// remote ports.

#include "testing/Process.h"

#include <filesystem>
#include <optional>
#include <string>

namespace test_support {

/// A TCP port on 127.0.0.1 that nothing listens on now.
int freeLoopbackPort();
/// Whether something accepts connections on 127.0.0.1:port.
bool accepting(int port);

class Ser2net {
public:
    static constexpr const char* kPath = "/usr/sbin/ser2net";
    static bool installed();

    /// Starts it with its configuration in dir: the device at
    /// rfc2217Device (if given) behind an RFC 2217 accepter and the one at
    /// rawDevice (if given) behind a tcp one, both at 9600 8N1 until a client asks
    /// otherwise. started() says whether it listens. With batching,
    /// ser2net's own default, it holds what the device sends for a few
    /// characters' time before passing it on; without, it passes each read
    /// on at once.
    Ser2net(const std::filesystem::path& dir, const std::string& rfc2217Device, const std::string& rawDevice = {},
            bool batching = false);
    bool started() const { return started_; }
    int rfc2217Port() const { return rfcPort_; }
    int rawPort() const { return rawPort_; }
    /// The ports-folder line naming each.
    std::string rfc2217Address() const { return "rfc2217://127.0.0.1:" + std::to_string(rfcPort_); }
    std::string rawAddress() const { return "tcp://127.0.0.1:" + std::to_string(rawPort_); }
    /// Ends the server, as a server's host going down would.
    void stop();

private:
    int rfcPort_ = 0, rawPort_ = 0;
    bool started_ = false;
    std::optional<Process> process_;
};

} // namespace test_support
