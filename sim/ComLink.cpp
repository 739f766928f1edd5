#include "sim/ComLink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr int kMaxPort = 255;

std::string comName(int n) { return "COM" + std::to_string(n); }

// Written beside it and linked in place: a program never reads it half
// written, and EEXIST tells a name taken meanwhile as symlink(2) does.
int fileAs(const std::string& text, const fs::path& file)
{
    const fs::path draft = file.parent_path() / ("." + file.filename().string() + ".new" + std::to_string(getpid()));
    const int fd = ::open(draft.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    const ssize_t n = ::write(fd, text.data(), text.size());
    int e = n == static_cast<ssize_t>(text.size()) ? 0 : n < 0 ? errno : EIO;
    if (::close(fd) != 0 && e == 0)
        e = errno;
    if (e == 0 && ::link(draft.c_str(), file.c_str()) != 0)
        e = errno;
    ::unlink(draft.c_str());
    return e;
}

} // namespace

ComLink::ComLink(fs::path dir, fs::path target, const std::string& wanted, serial::PortNames::Scanner scanner)
    : ComLink(std::move(dir), std::move(target), std::nullopt, wanted, std::move(scanner))
{
}

ComLink::ComLink(fs::path dir, const File& file, const std::string& wanted, serial::PortNames::Scanner scanner)
    : ComLink(std::move(dir), {}, file.line + "\n", wanted, std::move(scanner))
{
}

ComLink::ComLink(fs::path dir, fs::path target, std::optional<std::string> line, const std::string& wanted,
                 serial::PortNames::Scanner scanner)
    : dir_(std::move(dir)), target_(std::move(target)), line_(std::move(line))
{
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (ec)
        throw std::runtime_error("cannot make the ports folder " + dir_.string() + ": " + ec.message());
    if (wanted.empty()) {
        claimFirstFree(serial::PortNames(dir_, std::move(scanner)));
        return;
    }
    const auto n = serial::portNumber(wanted);
    if (!n)
        throw std::runtime_error("\"" + wanted + "\" is not a port name (COM1 to COM255)");
    claimWanted(*n);
}

// symlink(2) rather than fs::create_symlink: EEXIST must be told apart from
// other failures without exceptions, since another simulator may take a
// name between the look and the link.
int ComLink::make(const fs::path& entry) const
{
    if (line_)
        return fileAs(*line_, entry);
    return ::symlink(target_.c_str(), entry.c_str()) == 0 ? 0 : errno;
}

bool ComLink::ours(const fs::path& entry) const
{
    std::error_code ec;
    if (!line_)
        return fs::read_symlink(entry, ec) == target_ && !ec;
    if (!fs::is_regular_file(fs::symlink_status(entry, ec)))
        return false;
    std::ifstream in(entry, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return in && text.str() == *line_;
}

void ComLink::claimWanted(int n)
{
    name_ = comName(n);
    std::error_code ec;
    for (fs::directory_iterator it(dir_, ec), end; !ec && it != end; it.increment(ec)) {
        if (serial::portNumber(it->path().filename().string()) != n)
            continue;
        std::error_code sec;
        if (fs::exists(it->path(), sec)) {
            const fs::path to = fs::read_symlink(it->path(), sec);
            throw std::runtime_error(name_ + " is taken" + (sec ? std::string() : " by " + to.string()));
        }
        // A pin to an unplugged device: ours for now, the user's again later.
        if (it->path().filename() == name_)
            previous_ = fs::read_symlink(it->path(), sec);
    }
    if (previous_)
        fs::remove(dir_ / name_, ec);
    if (const int e = make(dir_ / name_); e != 0) {
        if (previous_)
            fs::create_symlink(*previous_, dir_ / name_, ec);
        name_.clear();
        throw std::runtime_error("cannot link " + comName(n) + " in " + dir_.string() + ": " + std::strerror(e));
    }
}

void ComLink::claimFirstFree(const serial::PortNames& ports)
{
    const auto taken = ports.devices();
    // A name kept for an unplugged adapter is its name still.
    const auto kept = ports.keptNumbers();
    // A serial server's name (any case of its file) is not free either.
    const auto remote = ports.remotePorts();
    for (int n = 1; n <= kMaxPort; ++n) {
        if (taken.count(n) || kept.count(n) || remote.count(n))
            continue;
        const int e = make(dir_ / comName(n));
        if (e == 0) {
            name_ = comName(n);
            return;
        }
        if (e != EEXIST)
            throw std::runtime_error("cannot link " + comName(n) + " in " + dir_.string() + ": " + std::strerror(e));
    }
    throw std::runtime_error("COM1 to COM255 are all taken");
}

ComLink::~ComLink()
{
    if (name_.empty())
        return;
    const fs::path link = dir_ / name_;
    if (!ours(link))
        return; // someone else's by now
    std::error_code ec;
    fs::remove(link, ec);
    if (previous_)
        fs::create_symlink(*previous_, link, ec);
}

} // namespace sim
