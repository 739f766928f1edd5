#include "testing/Pty.h"

#include <poll.h>
#include <pty.h>

#include <cerrno>
#include <stdexcept>

namespace test_support {

bool waitReadable(int fd, int timeoutMs)
{
    pollfd p{fd, POLLIN, 0};
    int r;
    do
        r = ::poll(&p, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & POLLIN);
}

Pty::Pty(Slave slave)
{
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name;
    if (slave == Slave::Close) {
        ::close(slave_);
        slave_ = -1;
    }
}

Pty::~Pty()
{
    closeMaster();
    if (slave_ >= 0)
        ::close(slave_);
}

void Pty::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

bool Pty::writeAll(const void* data, std::size_t size) const
{
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(master_, at, size);
        if (n > 0) {
            at += n;
            size -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
    return true;
}

} // namespace test_support
