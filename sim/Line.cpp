#include "sim/Line.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace sim {
namespace {

int stopPipe[2] = {-1, -1};

void onStopSignal(int)
{
    const int saved = errno;
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe[1], &b, 1);
    errno = saved;
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

speed_t speedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

std::runtime_error systemError(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

bool knownBaud(int baud) { return speedOf(baud) != B0; }

StopSignals::StopSignals()
{
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw systemError("pipe");
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : kStopSignals)
        sigaction(s, &sa, nullptr);
    // A far end that closes while an answer is written is a hang-up, which
    // the loop sees; it must not kill the process before the link is gone.
    signal(SIGPIPE, SIG_IGN);
}

StopSignals::~StopSignals()
{
    for (int s : kStopSignals)
        signal(s, SIG_DFL);
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
    stopPipe[0] = stopPipe[1] = -1;
}

int StopSignals::fd() const { return stopPipe[0]; }

Line Line::pty()
{
    Line line;
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&raw, B9600);
    if (openpty(&line.fd_, &line.slave_, name, &raw, nullptr) != 0)
        throw systemError("openpty");
    line.path_ = name;
    fcntl(line.fd_, F_SETFL, fcntl(line.fd_, F_GETFL) | O_NONBLOCK);
    fcntl(line.fd_, F_SETFD, FD_CLOEXEC);
    fcntl(line.slave_, F_SETFD, FD_CLOEXEC);
    return line;
}

Line Line::device(const std::string& path, int baud)
{
    const speed_t speed = speedOf(baud);
    if (speed == B0)
        throw std::runtime_error("unsupported baud rate " + std::to_string(baud));
    Line line;
    line.path_ = path;
    line.fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line.fd_ < 0)
        throw systemError("cannot open " + path);
    if (tcgetattr(line.fd_, &line.saved_) != 0)
        throw systemError(path + " is not a serial line");
    line.restore_ = true;
    termios t = line.saved_;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetspeed(&t, speed);
    if (tcsetattr(line.fd_, TCSANOW, &t) != 0)
        throw systemError("cannot set up " + path);
    return line;
}

Line::Line(Line&& o) noexcept
    : fd_(o.fd_), slave_(o.slave_), path_(std::move(o.path_)), restore_(o.restore_), saved_(o.saved_)
{
    o.fd_ = o.slave_ = -1;
    o.restore_ = false;
}

Line::~Line()
{
    if (restore_)
        tcsetattr(fd_, TCSANOW, &saved_);
    if (fd_ >= 0)
        ::close(fd_);
    if (slave_ >= 0)
        ::close(slave_);
}

Micros nowMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

Event waitFor(int fd, int stopFd, std::optional<Micros> deadline)
{
    for (;;) {
        // A deadline already past still polls once, so that a stop or
        // incoming bytes are not starved by a mode that is always due.
        int timeoutMs = -1;
        if (deadline)
            timeoutMs = static_cast<int>(std::max<Micros>(0, (*deadline - nowMicros() + 999) / 1000));
        pollfd p[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int r = ::poll(p, 2, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return Event::Failed;
        if (p[1].revents)
            return Event::Stopped;
        if (p[0].revents & POLLIN)
            return Event::Readable;
        if (p[0].revents & (POLLHUP | POLLERR))
            return Event::HungUp;
        if (p[0].revents & POLLNVAL)
            return Event::Failed;
        if (deadline && nowMicros() >= *deadline)
            return Event::Deadline;
    }
}

bool writeAll(int fd, const Bytes& bytes, int stopFd)
{
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
        if (n > 0) {
            at += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        pollfd p[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        const int r = ::poll(p, 2, 100);
        if (r < 0 && errno != EINTR)
            return false;
        if (r == 0 || p[1].revents)
            return true; // no room, or a stop the caller's loop will see
        if (p[0].revents & (POLLHUP | POLLERR)) {
            errno = EIO;
            return false;
        }
    }
    return true;
}

End serve(int fd, Responder& responder, int stopFd)
{
    std::uint8_t buf[4096];
    for (;;) {
        const Event e = waitFor(fd, stopFd, responder.deadline());
        Bytes out;
        if (e == Event::Stopped)
            return End::Stopped;
        if (e == Event::HungUp)
            return End::HungUp;
        if (e == Event::Failed)
            return End::Failed;
        if (e == Event::Deadline) {
            out = responder.atDeadline(nowMicros());
        } else {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n == 0 || (n < 0 && errno == EIO))
                return End::HungUp;
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return End::Failed;
            if (n > 0)
                out = responder.received(buf, static_cast<std::size_t>(n), nowMicros());
        }
        if (!out.empty() && !writeAll(fd, out, stopFd))
            return errno == EIO ? End::HungUp : End::Failed;
    }
}

} // namespace sim
