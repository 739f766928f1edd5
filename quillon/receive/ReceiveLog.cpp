#include "quillon/receive/ReceiveLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quillon {

std::string withCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::error_code appendToLog(const std::filesystem::path& path, std::string_view record, bool lineEnd)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return {errno, std::generic_category()};
    std::string data = withCrLf(record);
    if (lineEnd)
        data += "\r\n";
    const char* p = data.data();
    std::size_t left = data.size();
    int err = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && err == 0)
        err = errno;
    // Whatever went wrong after the open is reported as a full disk.
    return err ? std::error_code(ENOSPC, std::generic_category()) : std::error_code();
}

} // namespace quillon
