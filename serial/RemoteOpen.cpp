#include "serial/RemoteOpen.h"

#include "serial/Rfc2217.h"
#include "serial/SerialDevice.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

namespace serial {

using Clock = std::chrono::steady_clock;
using Kind = RemoteOpen::Outcome::Kind;

struct RemoteOpen::Shared {
    UniqueFd done{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    UniqueFd cancel{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    std::atomic<bool> cancelled{false};

    std::mutex mutex;
    bool finished = false;
    bool taken = false;
    Outcome outcome;
    RemoteLink link;

    void finish(Outcome o, RemoteLink l = {})
    {
        {
            const std::lock_guard lock(mutex);
            outcome = std::move(o);
            link = std::move(l);
            finished = true;
        }
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(done.get(), &one, sizeof one);
    }
};

namespace {

enum class Wait { Ready, TimedOut, Cancelled, Failed };

int msUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : left > 60'000 ? 60'000 : static_cast<int>(left);
}

// Waits for events on fd until the deadline, or until the open is abandoned.
Wait waitFor(int fd, short events, Clock::time_point deadline, int cancelFd)
{
    for (;;) {
        pollfd p[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int r = poll(p, 2, msUntil(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return Wait::Failed;
        if (p[1].revents)
            return Wait::Cancelled;
        if (r > 0)
            return Wait::Ready;
        if (Clock::now() >= deadline)
            return Wait::TimedOut;
    }
}

struct Connected {
    UniqueFd socket;
    std::error_code error;
};

Connected connectTo(const RemoteAddress& address, Clock::time_point deadline, int cancelFd)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int gai = getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found);
    if (gai != 0) {
        if (gai == EAI_NONAME || gai == EAI_NODATA || gai == EAI_FAIL)
            return {{}, RemoteError::HostNotFound};
        if (gai == EAI_SYSTEM)
            return {{}, {errno, std::generic_category()}};
        return {{}, RemoteError::NameLookup};
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, freeaddrinfo);
    std::error_code last = std::make_error_code(std::errc::timed_out);
    for (const addrinfo* a = found; a; a = a->ai_next) {
        if (Clock::now() >= deadline)
            return {{}, std::make_error_code(std::errc::timed_out)};
        UniqueFd s(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (!s) {
            last.assign(errno, std::generic_category());
            continue;
        }
        if (::connect(s.get(), a->ai_addr, a->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) {
                last.assign(errno, std::generic_category());
                continue;
            }
            const Wait w = waitFor(s.get(), POLLOUT, deadline, cancelFd);
            if (w == Wait::Cancelled)
                return {{}, std::make_error_code(std::errc::operation_canceled)};
            if (w == Wait::TimedOut)
                return {{}, std::make_error_code(std::errc::timed_out)};
            int err = 0;
            socklen_t len = sizeof err;
            if (w == Wait::Failed || getsockopt(s.get(), SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                err = errno;
            if (err != 0) {
                last.assign(err, std::generic_category());
                continue;
            }
        }
        return {std::move(s), {}};
    }
    return {{}, last};
}

// Small bursts keep their timing (a Modbus frame is not held back for
// more), and a server that vanished without a word is noticed within
// half a minute rather than two hours.
void tuneSocket(int fd)
{
    const int on = 1, idle = 10, interval = 5, count = 3;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

// Sends all of bytes within the deadline; the socket's buffer is empty
// during the opening, so this does not wait in practice.
std::error_code sendAll(int fd, const std::vector<std::uint8_t>& bytes, Clock::time_point deadline, int cancelFd)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return {errno, std::generic_category()};
        const Wait w = waitFor(fd, POLLOUT, deadline, cancelFd);
        if (w == Wait::Cancelled)
            return std::make_error_code(std::errc::operation_canceled);
        if (w != Wait::Ready)
            return std::make_error_code(std::errc::timed_out);
    }
    return {};
}

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& n : names)
        text += (text.empty() ? "" : "、") + n;
    return text;
}

struct Negotiated {
    RemoteOpen::Outcome outcome;
    RemoteLink link;
};

RemoteOpen::Outcome failed(Kind kind, std::error_code ec, std::string reason)
{
    return {kind, ec, std::move(reason), std::nullopt};
}

Negotiated negotiate(UniqueFd socket, const LineSettings& wanted, bool purge, int cancelFd)
{
    const int fd = socket.get();
    rfc2217::Negotiation talk(wanted, purge);
    std::vector<std::uint8_t> held;
    auto send = [&](const std::vector<std::uint8_t>& bytes) {
        return sendAll(fd, bytes, Clock::now() + RemoteOpen::kConnectLimit, cancelFd);
    };
    std::error_code ec = send(talk.start(Clock::now()));
    std::uint8_t buf[4096];
    while (!ec && talk.state() == rfc2217::Negotiation::State::Negotiating) {
        const auto deadline = talk.deadline().value_or(Clock::now() + RemoteOpen::kConnectLimit);
        const Wait w = waitFor(fd, POLLIN, deadline, cancelFd);
        if (w == Wait::Cancelled)
            return {failed(Kind::Failed, std::make_error_code(std::errc::operation_canceled), {}), {}};
        if (w == Wait::Failed) {
            ec.assign(errno, std::generic_category());
            break;
        }
        if (w == Wait::Ready) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n == 0) {
                ec = DeviceError::HungUp;
                break;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                ec.assign(errno, std::generic_category());
                break;
            }
            if (n > 0)
                ec = send(talk.feed(buf, static_cast<std::size_t>(n), Clock::now(), held));
        }
        // Data streaming in must not keep the waits from running out.
        if (const auto due = talk.deadline(); !ec && due && Clock::now() >= *due)
            ec = send(talk.tick(Clock::now()));
    }
    // ser2net closes (or resets) a connection to a port another client
    // has: a refused open rather than a failed set-up.
    if (ec == DeviceError::HungUp || ec == std::errc::connection_reset || ec == std::errc::broken_pipe)
        return {failed(Kind::ConnectFailed, ec, "服务器断开了连接（端口可能正被其他客户端使用）"), {}};
    if (ec)
        return {failed(Kind::Failed, ec, "与服务器的连接出错：" + failureReason(ec)), {}};
    switch (talk.state()) {
    case rfc2217::Negotiation::State::Done: break;
    case rfc2217::Negotiation::State::Refused: {
        RemoteOpen::Outcome o{Kind::Refused, std::make_error_code(std::errc::invalid_argument), {}, talk.refusal()};
        o.reason = o.refusal ? refusalReason(*o.refusal) : "服务器拒绝了端口设置";
        return {std::move(o), {}};
    }
    default: return {failed(Kind::Failed, RemoteError::Negotiation, talk.failure()), {}};
    }
    const std::vector<std::string> unanswered = talk.unanswered();
    std::string notes = unanswered.empty() ? std::string() : "服务器未应答：" + joined(unanswered);
    auto stream = std::make_unique<telnet::Stream>(talk.takeStream());
    return {{}, RemoteLink(std::move(socket), std::move(stream), talk.kept(), std::move(notes), std::move(held))};
}

Negotiated openLink(const RemoteAddress& address, const LineSettings& wanted, bool purge, int cancelFd)
{
    Connected c = connectTo(address, Clock::now() + RemoteOpen::kConnectLimit, cancelFd);
    if (!c.socket)
        return {failed(Kind::ConnectFailed, c.error, connectFailureReason(c.error, address.host)), {}};
    tuneSocket(c.socket.get());
    if (address.kind == RemoteAddress::Kind::Tcp)
        return {{}, RemoteLink(std::move(c.socket), nullptr, wanted, "线路设置由服务器决定", {})};
    return negotiate(std::move(c.socket), wanted, purge, cancelFd);
}

} // namespace

RemoteOpen::RemoteOpen(const RemoteAddress& address, const LineSettings& wanted, bool purge)
    : shared_(std::make_shared<Shared>())
{
    if (!shared_->done || !shared_->cancel) {
        shared_->finish(failed(Kind::ConnectFailed, {errno, std::generic_category()}, {}));
        return;
    }
    try {
        // The thread holds the state too: an abandoned open's result lands
        // there and goes with the thread.
        std::thread([shared = shared_, address, wanted, purge] {
            Negotiated n = openLink(address, wanted, purge, shared->cancel.get());
            if (!shared->cancelled)
                shared->finish(std::move(n.outcome), std::move(n.link));
        }).detach();
    } catch (const std::system_error& e) {
        shared_->finish(failed(Kind::ConnectFailed, e.code(), failureReason(e.code())));
    }
}

RemoteOpen::~RemoteOpen()
{
    shared_->cancelled = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(shared_->cancel.get(), &one, sizeof one);
}

int RemoteOpen::fd() const { return shared_->done.get(); }

bool RemoteOpen::done() const
{
    const std::lock_guard lock(shared_->mutex);
    return shared_->finished;
}

RemoteOpen::Outcome RemoteOpen::take(RemoteLink& link)
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(shared_->done.get(), &count, sizeof count);
    const std::lock_guard lock(shared_->mutex);
    if (!shared_->finished || shared_->taken)
        return failed(Kind::Failed, std::make_error_code(std::errc::operation_in_progress), {});
    shared_->taken = true;
    link = std::move(shared_->link);
    return std::move(shared_->outcome);
}

} // namespace serial
