#pragma once
// The simulator as a serial server: its modes served over a TCP port,
// bytes only or as telnet with RFC 2217, to one client at a time.

#include "sim/Line.h"

#include <optional>
#include <string>

namespace sim {

struct ListenAddress {
    bool rfc2217 = false; // else bytes only
    std::string host = "127.0.0.1";
    int port = 0; // 0: one the system picks

    bool operator==(const ListenAddress&) const = default;
};

/// "tcp:PORT", "rfc2217:PORT" or either with "HOST:" before the port (an
/// IPv4 address; 0.0.0.0 for every interface); PORT 0 to 65535.
std::optional<ListenAddress> parseListen(const std::string& text);

/// A listening socket, closed when this object goes.
class ListenSocket {
public:
    /// @throws std::runtime_error saying why it could not listen.
    explicit ListenSocket(const ListenAddress& address);
    ~ListenSocket();
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    int fd() const { return fd_; }
    bool rfc2217() const { return address_.rfc2217; }
    /// The line of a ports-folder file for it: "rfc2217://127.0.0.1:4001",
    /// with the port taken and, for every interface, the loopback address.
    std::string url() const;

private:
    ListenAddress address_;
    int fd_ = -1;
};

/// Serves one client at a time, with the mode's bytes escaped for an RFC
/// 2217 client, until a stop signal (Stopped) or a failure of the listening
/// socket (Failed). A client that connects while another is served is
/// refused: its connection is closed at once, as a serial server closes
/// one to a port in use. The mode goes on between clients; what it sends
/// then is lost, as a device's output with nobody listening is.
End serveClients(const ListenSocket& socket, Responder& responder, int stopFd);

} // namespace sim
