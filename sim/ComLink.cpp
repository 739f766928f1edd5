#include "sim/ComLink.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace sim {
namespace {

constexpr int kMaxPort = 255;

std::string comName(int n) { return "COM" + std::to_string(n); }

// symlink(2) rather than fs::create_symlink: EEXIST must be told apart from
// other failures without exceptions, since another simulator may take a
// name between the look and the link.
int linkAs(const fs::path& target, const fs::path& link)
{
    return ::symlink(target.c_str(), link.c_str()) == 0 ? 0 : errno;
}

} // namespace

ComLink::ComLink(fs::path dir, fs::path target, const std::string& wanted, serial::PortNames::Scanner scanner)
    : dir_(std::move(dir)), target_(std::move(target))
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
    if (const int e = linkAs(target_, dir_ / name_); e != 0) {
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
    for (int n = 1; n <= kMaxPort; ++n) {
        if (taken.count(n) || kept.count(n))
            continue;
        const int e = linkAs(target_, dir_ / comName(n));
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
    std::error_code ec;
    if (fs::read_symlink(link, ec) != target_ || ec)
        return; // someone else's by now
    fs::remove(link, ec);
    if (previous_)
        fs::create_symlink(*previous_, link, ec);
}

} // namespace sim
