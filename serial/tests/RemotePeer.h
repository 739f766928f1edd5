#pragma once
// What the remote-port tests share: a loopback listener as a server's
// socket, and a session's background open and reads waited for as a
// window waits for them.

#include "serial/PortSession.h"

#include "testing/Pty.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>
#include <vector>

namespace serial::remote_testing {

using Bytes = std::vector<std::uint8_t>;

struct Listener {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0; // 0: not bound (the port was taken meanwhile)
    explicit Listener(int wanted = 0)
    {
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(wanted));
        socklen_t len = sizeof a;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 4) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~Listener() { close(fd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    int accept() const { return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); }
};

/// The background open to its end.
inline PortSession::Result waitOpen(PortSession& session, PortSession::Result r)
{
    for (int i = 0; i < 50 && r.outcome == PortSession::Outcome::Connecting; ++i) {
        test_support::waitReadable(session.fd(), 1000);
        r = session.finishOpen();
    }
    return r;
}

/// Reads until count data bytes came, the link was lost (into lost), or
/// nothing came for a while.
inline Bytes readSome(PortSession& session, std::size_t count, std::error_code* lost = nullptr)
{
    Bytes got;
    std::uint8_t buf[512];
    while (got.size() < count) {
        const PortSession::Transfer t = session.read(buf, sizeof buf);
        got.insert(got.end(), buf, buf + t.count);
        if (t.lost) {
            if (lost)
                *lost = t.lost;
            break;
        }
        if (t.count == 0 && !test_support::waitReadable(session.fd(), 3000))
            break;
    }
    return got;
}

} // namespace serial::remote_testing
