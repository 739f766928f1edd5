#include "serial/RemoteLink.h"

#include "serial/BoundedWrite.h"

#include "serial/Rfc2217.h"
#include "serial/SerialDevice.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace serial {
namespace {

class RemoteErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "serial server"; }
    std::string message(int value) const override
    {
        switch (static_cast<RemoteError>(value)) {
        case RemoteError::HostNotFound: return "host not found";
        case RemoteError::NameLookup: return "host name lookup failed";
        case RemoteError::Negotiation: return "the server refused the port options";
        }
        return "serial server error " + std::to_string(value);
    }
};

} // namespace

const std::error_category& remoteErrorCategory()
{
    static const RemoteErrorCategory category;
    return category;
}

std::error_code make_error_code(RemoteError e) { return {static_cast<int>(e), remoteErrorCategory()}; }

std::string connectFailureReason(const std::error_code& ec, const std::string& host)
{
    if (ec == RemoteError::HostNotFound)
        return "找不到主机 " + host;
    if (ec == RemoteError::NameLookup)
        return "无法解析主机 " + host;
    if (ec == RemoteError::Negotiation)
        return "服务器不接受串口选项";
    if (ec.category() == std::generic_category()) {
        switch (ec.value()) {
        case ECONNREFUSED: return "连接被拒绝";
        case ETIMEDOUT: return "连接超时（3 秒）";
        case ENETUNREACH: return "网络不可达";
        case EHOSTUNREACH: return "主机不可达";
        default: break;
        }
    }
    return failureReason(ec);
}

RemoteLink::RemoteLink(UniqueFd socket, std::unique_ptr<telnet::Stream> telnet, LineSettings line, std::string notes,
                       std::vector<std::uint8_t> held)
    : socket_(std::move(socket))
    , telnet_(std::move(telnet))
    , line_(line)
    , notes_(std::move(notes))
    , held_(std::move(held))
{
}

RemoteLink::~RemoteLink() = default;
RemoteLink::RemoteLink(RemoteLink&&) noexcept = default;
RemoteLink& RemoteLink::operator=(RemoteLink&&) noexcept = default;

std::error_code RemoteLink::failure(int err) const
{
    // A server that went away, however the socket learnt it, is a device
    // gone; ETIMEDOUT (keep-alive) must not read as a write's time-out.
    switch (err) {
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
    case ENOTCONN:
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH: return DeviceError::HungUp;
    default: return {err, std::generic_category()};
    }
}

bool RemoteLink::flushPending(std::error_code& ec)
{
    while (!pending_.empty()) {
        const ssize_t n = ::send(socket_.get(), pending_.data(), pending_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            pending_.erase(pending_.begin(), pending_.begin() + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            ec = failure(errno);
        return !ec;
    }
    return true;
}

std::size_t RemoteLink::read(std::uint8_t* buf, std::size_t max, std::error_code& ec)
{
    ec.clear();
    if (!socket_) {
        ec.assign(EBADF, std::generic_category());
        return 0;
    }
    if (max == 0)
        return 0;
    if (!held_.empty()) {
        const std::size_t n = std::min(max, held_.size());
        std::copy_n(held_.begin(), n, buf);
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    for (;;) {
        const ssize_t n = ::recv(socket_.get(), buf, max, MSG_DONTWAIT);
        if (n == 0) {
            ec = DeviceError::HungUp;
            return 0;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                ec = failure(errno);
            return 0;
        }
        if (!telnet_)
            return static_cast<std::size_t>(n);
        // Telnet takes out at least as many bytes as it gives: the data
        // fits back into buf.
        std::vector<std::uint8_t> data, reply;
        std::vector<telnet::Subnegotiation> subs; // the server's notifications: nothing shows them
        telnet_->feed(buf, static_cast<std::size_t>(n), data, reply, subs);
        pending_.insert(pending_.end(), reply.begin(), reply.end());
        std::copy(data.begin(), data.end(), buf);
        flushPending(ec);
        return data.size();
    }
}

std::size_t RemoteLink::write(const std::uint8_t* buf, std::size_t len, std::error_code& ec)
{
    ec.clear();
    if (!socket_) {
        ec.assign(EBADF, std::generic_category());
        return 0;
    }
    const WriteDeadline deadline(writeTimeout_, len);

    // What must go out first (answers, half of a doubled 0xFF), then the data.
    std::vector<std::uint8_t> wire = std::move(pending_);
    pending_.clear();
    const std::size_t before = wire.size();
    if (telnet_)
        telnet::escape(buf, len, wire);
    else
        wire.insert(wire.end(), buf, buf + len);

    const std::size_t sent = writeWithin(
        socket_.get(), wire.data(), wire.size(), deadline, ec,
        [&](const std::uint8_t* p, std::size_t n) { return ::send(socket_.get(), p, n, MSG_NOSIGNAL | MSG_DONTWAIT); },
        [&](int err) { return failure(err); });
    if (sent < before) {
        // Not even the earlier bytes went: they stay first in line; the
        // data is dropped as a local port's would be.
        pending_.assign(wire.begin() + static_cast<std::ptrdiff_t>(sent),
                        wire.begin() + static_cast<std::ptrdiff_t>(before));
        return 0;
    }
    const std::size_t dataSent = sent - before;
    if (!telnet_)
        return dataSent;
    // Count the data bytes whose wire bytes all went; a 0xFF whose first
    // half went has its second queued, or the stream would lose its step.
    std::size_t count = 0, at = 0;
    while (count < len && at < dataSent) {
        at += buf[count] == telnet::IAC ? 2 : 1;
        ++count;
    }
    if (at > dataSent)
        pending_.push_back(telnet::IAC);
    return count;
}

void RemoteLink::dropDtrAndPurge()
{
    if (!socket_ || !telnet_)
        return;
    for (const auto& request : {rfc2217::dtrRequest(false), rfc2217::purgeRequest(rfc2217::purge::Both)})
        pending_.insert(pending_.end(), request.begin(), request.end());
    std::error_code ignored;
    flushPending(ignored);
}

void RemoteLink::close()
{
    socket_.close();
    telnet_.reset();
    held_.clear();
    pending_.clear();
}

} // namespace serial
