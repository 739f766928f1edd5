#include "dialog/FileIo.h"

#include "dialog/Gbk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace dialog {

std::filesystem::path pathFromGbk(const std::string& gbkPath)
{
    return std::filesystem::path(fromGbk(gbkPath));
}

std::string gbkFromPath(const std::filesystem::path& p) { return toGbk(p.string()); }

std::optional<std::string> readWholeFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::error_code writeFileAtomically(const std::filesystem::path& p, const std::string& content)
{
    auto fail = [](int err) { return std::error_code(err, std::generic_category()); };
    std::string tmpl = (p.parent_path().empty() ? std::filesystem::path(".") : p.parent_path()).string() + "/." +
                       p.filename().string() + ".XXXXXX";
    const int fd = mkstemp(tmpl.data());
    if (fd < 0)
        return fail(errno);
    auto cleanup = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return fail(err);
    };
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return cleanup(errno);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return cleanup(errno);
    // Keep the mode an existing file had; a new one gets the usual 0644.
    struct stat st {};
    const mode_t mode = ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0)
        return cleanup(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return fail(err);
    }
    if (::rename(tmpl.c_str(), p.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return fail(err);
    }
    return {};
}

} // namespace dialog
