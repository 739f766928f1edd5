#include "serial/RemoteAddress.h"

#include <arpa/inet.h>

#include <algorithm>

namespace serial {
namespace {

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool hostChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
}

// Labels may not be empty: "a..b" and ".a" are typing slips, not names.
bool validHostName(std::string_view h)
{
    if (h.empty() || h.size() > 253 || h.front() == '.' || h.front() == '-')
        return false;
    if (!std::all_of(h.begin(), h.end(), hostChar))
        return false;
    return h.find("..") == std::string_view::npos;
}

std::optional<std::uint16_t> portOf(std::string_view s)
{
    if (s.empty() || s.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::optional<RemoteAddress> parseRemoteAddress(std::string_view line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    RemoteAddress address;
    address.text = std::string(line);
    std::string_view rest = line;
    if (startsWithNoCase(rest, "rfc2217://")) {
        address.kind = RemoteAddress::Kind::Rfc2217;
        rest.remove_prefix(10);
    } else if (startsWithNoCase(rest, "tcp://")) {
        address.kind = RemoteAddress::Kind::Tcp;
        rest.remove_prefix(6);
    } else {
        return std::nullopt;
    }
    std::string_view host;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        in6_addr addr{};
        if (inet_pton(AF_INET6, std::string(host).c_str(), &addr) != 1)
            return std::nullopt;
    } else {
        const std::size_t colon = rest.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        host = rest.substr(0, colon);
        rest.remove_prefix(colon);
        if (!validHostName(host))
            return std::nullopt;
    }
    if (rest.empty() || rest.front() != ':')
        return std::nullopt;
    const auto port = portOf(rest.substr(1));
    if (!port)
        return std::nullopt;
    address.host = std::string(host);
    address.port = *port;
    return address;
}

} // namespace serial
