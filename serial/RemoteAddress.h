#pragma once
// The one line of a ports-folder file that makes a port name stand for a
// serial server's port: "rfc2217://HOST:PORT" (telnet with the line
// settings carried along) or "tcp://HOST:PORT" (bytes only).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace serial {

struct RemoteAddress {
    enum class Kind { Rfc2217, Tcp };
    Kind kind = Kind::Tcp;
    /// A host name, an IPv4 address or an IPv6 address (without brackets).
    std::string host;
    std::uint16_t port = 0;
    /// The line as written, without its line break: for tooltips.
    std::string text;

    bool operator==(const RemoteAddress&) const = default;
};

/// The address a line gives: the scheme (any case), a host (letters, digits,
/// '-', '_' and '.', or an IPv6 address in brackets) and a port 1..65535.
/// Spaces, tabs, CR and LF after it are tolerated; anything else gives
/// nothing.
std::optional<RemoteAddress> parseRemoteAddress(std::string_view line);

} // namespace serial
