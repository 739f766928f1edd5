#include "quillon/receive/ReceiveLog.h"

#include "serial/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace quillon {

std::string withCrLf(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    // Devices that end lines with CR LF already hold the CR.
    char previous = 0;
    for (char c : text) {
        if (c == '\n' && previous != '\r')
            out += '\r';
        out += c;
        previous = c;
    }
    return out;
}

std::error_code appendToLog(const std::filesystem::path& path, std::string_view record, bool lineEnd)
{
    serial::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!fd)
        return {errno, std::generic_category()};
    // The line end is a line feed like any other: after a record that ends
    // in CR it completes that CR's pair.
    std::string data = withCrLf(record);
    if (lineEnd) {
        if (record.empty() || record.back() != '\r')
            data += '\r';
        data += '\n';
    }
    const char* p = data.data();
    std::size_t left = data.size();
    int err = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (const int closeErr = fd.close(); closeErr && err == 0)
        err = closeErr;
    // Whatever went wrong after the open is reported as a full disk.
    return err ? std::error_code(ENOSPC, std::generic_category()) : std::error_code();
}

} // namespace quillon
