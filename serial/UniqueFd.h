#pragma once
// One owner of a file descriptor: closed when the owner goes, handed on by
// a move. The serial device, the settings writer and the receive log hold
// their descriptors through it, so no early return leaks one.

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace serial {

class UniqueFd {
public:
    UniqueFd() = default;
    /// Takes fd; a negative value (a failed open) holds nothing.
    explicit UniqueFd(int fd) noexcept : fd_(fd < 0 ? -1 : fd) {}
    ~UniqueFd() { close(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }

    /// Closes now, for callers that must hear whether the last write
    /// reached the file.
    /// @return the errno of a failed close; 0 when it closed or nothing was held.
    int close() noexcept
    {
        if (fd_ < 0)
            return 0;
        // Linux releases the descriptor even when close fails: never retried.
        const int err = ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno;
        return err;
    }

private:
    int fd_ = -1;
};

} // namespace serial
