#include "sim/Listen.h"

#include "sim/ComPortServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace sim {
namespace {

// What a client that does not read may owe: the mode's bytes beyond it are
// lost as a line's with nobody reading, and a client that keeps asking
// without reading the answers is let go.
constexpr std::size_t kMaxPending = std::size_t{64} * 1024;
constexpr std::size_t kMaxOwed = 4 * kMaxPending;

bool port(const std::string& text, int& out)
{
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    out = std::stoi(text);
    return out <= 65535;
}

struct Client {
    int fd = -1;
    std::optional<ComPortServer> telnet;
    Bytes out; // for the wire, not taken by the socket yet

    bool connected() const { return fd >= 0; }

    void take(int socket, bool rfc2217)
    {
        fd = socket;
        // A Modbus frame is not held back for more.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        if (rfc2217) {
            telnet.emplace();
            out = telnet->start();
        }
    }

    void drop()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        telnet.reset();
        out.clear();
    }

    // The mode's bytes: dropped whole, so an escape is never cut.
    void send(const Bytes& data)
    {
        if (data.empty() || !connected() || out.size() >= kMaxPending)
            return;
        if (telnet)
            ComPortServer::wrap(data, out);
        else
            out.insert(out.end(), data.begin(), data.end());
    }

    // Sends what the socket takes now; false when the client has gone.
    bool flush()
    {
        while (!out.empty()) {
            const ssize_t n = ::send(fd, out.data(), out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                out.erase(out.begin(), out.begin() + n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            return n < 0 && errno == EAGAIN;
        }
        return true;
    }

    // What the client sent, through the mode; false when it has gone.
    bool receive(Responder& responder)
    {
        std::uint8_t buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0)
            return false;
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        Bytes data, reply;
        if (telnet)
            telnet->feed(buf, static_cast<std::size_t>(n), data, reply);
        else
            data.assign(buf, buf + n);
        out.insert(out.end(), reply.begin(), reply.end());
        if (!data.empty())
            send(responder.received(data.data(), data.size(), nowMicros()));
        return out.size() <= kMaxOwed;
    }
};

} // namespace

std::optional<ListenAddress> parseListen(const std::string& text)
{
    ListenAddress address;
    const auto colon = text.find(':');
    const std::string scheme = text.substr(0, colon);
    if (colon == std::string::npos || (scheme != "tcp" && scheme != "rfc2217"))
        return std::nullopt;
    address.rfc2217 = scheme == "rfc2217";
    std::string rest = text.substr(colon + 1);
    if (const auto hostEnd = rest.rfind(':'); hostEnd != std::string::npos) {
        address.host = rest.substr(0, hostEnd);
        in_addr a{};
        if (inet_pton(AF_INET, address.host.c_str(), &a) != 1)
            return std::nullopt;
        rest.erase(0, hostEnd + 1);
    }
    if (!port(rest, address.port))
        return std::nullopt;
    return address;
}

ListenSocket::ListenSocket(const ListenAddress& address) : address_(address)
{
    auto fail = [&](const std::string& what) {
        const std::string why = std::strerror(errno);
        if (fd_ >= 0)
            ::close(fd_);
        throw std::runtime_error(what + " " + address_.host + ":" + std::to_string(address_.port) + ": " + why);
    };
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0)
        fail("cannot make a socket for");
    // A simulator started again at once gets its port back.
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(address_.port));
    inet_pton(AF_INET, address_.host.c_str(), &a.sin_addr);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
        fail("cannot listen on");
    if (::listen(fd_, 4) != 0)
        fail("cannot listen on");
    socklen_t len = sizeof a;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        fail("cannot tell the port of");
    address_.port = ntohs(a.sin_port);
}

ListenSocket::~ListenSocket() { ::close(fd_); }

std::string ListenSocket::url() const
{
    const std::string host = address_.host == "0.0.0.0" ? "127.0.0.1" : address_.host;
    return std::string(address_.rfc2217 ? "rfc2217://" : "tcp://") + host + ":" + std::to_string(address_.port);
}

End serveClients(const ListenSocket& socket, Responder& responder, int stopFd)
{
    Client client;
    struct Closer {
        Client& client;
        ~Closer() { client.drop(); }
    } closer{client};
    for (;;) {
        // A deadline already past still polls once, as on a line.
        int timeoutMs = -1;
        if (const auto due = responder.deadline())
            timeoutMs = static_cast<int>(std::max<Micros>(0, (*due - nowMicros() + 999) / 1000));
        const short clientEvents = client.out.empty() ? POLLIN : POLLIN | POLLOUT;
        pollfd p[3] = {{stopFd, POLLIN, 0}, {socket.fd(), POLLIN, 0}, {client.fd, clientEvents, 0}};
        const int r = ::poll(p, client.connected() ? 3 : 2, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return End::Failed;
        if (p[0].revents)
            return End::Stopped;
        // The client first: one that has just left makes room for the next.
        if (client.connected() && (p[2].revents & (POLLIN | POLLHUP | POLLERR)) && !client.receive(responder))
            client.drop();
        if (p[1].revents & (POLLERR | POLLNVAL))
            return End::Failed;
        if (p[1].revents & POLLIN) {
            const int fd = ::accept4(socket.fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0 && client.connected())
                ::close(fd);
            else if (fd >= 0)
                client.take(fd, socket.rfc2217());
        }
        if (const auto due = responder.deadline(); due && nowMicros() >= *due)
            client.send(responder.atDeadline(nowMicros()));
        if (client.connected() && !client.flush())
            client.drop();
    }
}

} // namespace sim
