#include "dialog/FileIo.h"

#include "dialog/Gbk.h"
#include "serial/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace dialog {

std::filesystem::path pathFromGbk(const std::string& gbkPath) { return std::filesystem::path(fromGbk(gbkPath)); }

std::string gbkFromPath(const std::filesystem::path& p) { return toGbk(p.string()); }

std::optional<std::string> readWholeFile(const std::filesystem::path& p, std::size_t maxBytes)
{
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string content;
    char chunk[65536];
    while (content.size() < maxBytes && in) {
        in.read(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, maxBytes - content.size())));
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    return content;
}

namespace {

std::error_code fromErrno(int err) { return std::error_code(err, std::generic_category()); }

// The file a write to p lands in: p, or where its links lead. A link is
// written through, never replaced.
std::error_code followLinks(const std::filesystem::path& p, std::filesystem::path& target)
{
    target = p;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return {}; // a missing file is made there; other failures show later
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            return ec;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return fromErrno(ELOOP);
}

std::error_code writeAll(int fd, std::string_view content)
{
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fromErrno(errno);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return {};
}

// A device, a pipe or a file with other names cannot be swapped for a new
// file without losing what it is: it is emptied and written where it is.
std::error_code writeInPlace(const std::filesystem::path& p, std::string_view content, bool regular)
{
    serial::UniqueFd fd(::open(p.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return fromErrno(errno);
    std::error_code ec = writeAll(fd.get(), content);
    if (!ec && regular && ::fsync(fd.get()) != 0)
        ec = fromErrno(errno);
    if (const int err = fd.close(); err && !ec)
        ec = fromErrno(err);
    return ec;
}

} // namespace

std::error_code writeFileAtomically(const std::filesystem::path& p, std::string_view content)
{
    std::filesystem::path target;
    if (std::error_code ec = followLinks(p, target))
        return ec;
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || st.st_nlink > 1))
        return writeInPlace(target, content, S_ISREG(st.st_mode));

    std::string tmpl = (target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path()).string() +
                       "/." + target.filename().string() + ".XXXXXX";
    serial::UniqueFd fd(mkstemp(tmpl.data()));
    if (!fd)
        return fromErrno(errno);
    // The descriptor closes with fd; the half-written file must go too.
    auto cleanup = [&](std::error_code ec) {
        ::unlink(tmpl.c_str());
        return ec;
    };
    if (std::error_code ec = writeAll(fd.get(), content))
        return cleanup(ec);
    if (::fsync(fd.get()) != 0)
        return cleanup(fromErrno(errno));
    // Keep the mode an existing file had; a new one gets the usual 0644.
    if (::fchmod(fd.get(), exists ? (st.st_mode & 07777) : 0644) != 0)
        return cleanup(fromErrno(errno));
    if (const int err = fd.close())
        return cleanup(fromErrno(err));
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        return fromErrno(err);
    }
    return {};
}

} // namespace dialog
