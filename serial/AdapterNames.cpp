#include "serial/AdapterNames.h"

#include "serial/PortNames.h"
#include "serial/UniqueFd.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace serial {
namespace {

constexpr std::string_view kHeader = "# COM names kept for USB serial adapters, one line each:\n"
                                     "#   COMn VENDOR:PRODUCT serial=SERIAL   or   COMn VENDOR:PRODUCT port=USB-PORT\n"
                                     "# Edit the name to move an adapter; links named COMn here still win.\n";

bool isHexId(std::string_view s)
{
    if (s.size() != 4)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

// Serial numbers come from the adapter itself; a blank or a '#' in one
// would split the line or start a comment, so they become '_' as udev
// does it for ID_SERIAL.
std::string fileSafe(std::string s)
{
    for (char& c : s)
        if (static_cast<unsigned char>(c) <= ' ' || c == '#')
            c = '_';
    return s;
}

bool writeAll(int fd, const std::string& data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::optional<AdapterKey> adapterKey(const DeviceIdentity& id)
{
    const std::string vendor = asciiLower(id.vendorId), product = asciiLower(id.productId);
    if (!isHexId(vendor) || !isHexId(product))
        return std::nullopt;
    AdapterKey key{vendor + ":" + product, false, fileSafe(id.serial)};
    if (key.value.empty()) {
        key.byPort = true;
        key.value = fileSafe(id.usbPort);
    }
    if (key.value.empty())
        return std::nullopt;
    return key;
}

std::optional<AdapterName> parseAdapterLine(std::string_view line)
{
    line = line.substr(0, line.find('#'));
    std::istringstream in{std::string(line)};
    std::string name, ids, which, extra;
    if (!(in >> name >> ids >> which) || in >> extra)
        return std::nullopt;
    const auto number = portNumber(name);
    const auto colon = ids.find(':');
    if (!number || colon == std::string::npos)
        return std::nullopt;
    const std::string vendor = asciiLower(ids.substr(0, colon)), product = asciiLower(ids.substr(colon + 1));
    if (!isHexId(vendor) || !isHexId(product))
        return std::nullopt;
    AdapterName out{*number, {vendor + ":" + product, false, {}}};
    if (which.rfind("serial=", 0) == 0) {
        out.key.value = which.substr(7);
    } else if (which.rfind("port=", 0) == 0) {
        out.key.byPort = true;
        out.key.value = which.substr(5);
    }
    if (out.key.value.empty())
        return std::nullopt;
    return out;
}

std::string adapterLine(const AdapterName& name, const std::string& model)
{
    std::string line = "COM" + std::to_string(name.number) + " " + name.key.vendorProduct +
                       (name.key.byPort ? " port=" : " serial=") + name.key.value;
    // A line break in the model would end the comment early.
    std::string comment;
    for (char c : model)
        comment += c == '\n' || c == '\r' ? ' ' : c;
    if (!comment.empty())
        line += "  # " + comment;
    return line;
}

std::vector<AdapterName> readAdapterNames(const fs::path& file)
{
    std::vector<AdapterName> names;
    std::set<int> numbers;
    std::set<AdapterKey> keys;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        auto name = parseAdapterLine(line);
        if (!name || numbers.count(name->number) || keys.count(name->key))
            continue;
        numbers.insert(name->number);
        keys.insert(name->key);
        names.push_back(std::move(*name));
    }
    return names;
}

bool appendAdapterLines(const fs::path& file, const std::vector<std::string>& lines)
{
    std::error_code ec, lec;
    // A file the user keeps elsewhere through a link stays a link.
    const fs::path target = fs::is_symlink(file, lec) ? fs::weakly_canonical(file, ec) : file;
    if (ec)
        return false;
    fs::create_directories(target.parent_path(), ec);
    // Both programs (and more than one of each) may see a new adapter at
    // the same moment: the read, the additions and the rename are one step
    // under a lock beside the file, so no one's line is written over.
    const UniqueFd lock(::open((target.parent_path() / ".adapters.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!lock || ::flock(lock.get(), LOCK_EX) != 0)
        return false;
    std::string content;
    mode_t mode = 0644;
    if (std::ifstream in(target, std::ios::binary); in) {
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0)
            mode = st.st_mode & 07777;
    } else {
        content = kHeader;
    }
    if (!content.empty() && content.back() != '\n')
        content += '\n';
    // What another program added meanwhile stands: a line for an adapter,
    // or a name, already there is left out (the name is chosen again).
    std::set<int> numbers;
    std::set<AdapterKey> keys;
    for (std::size_t at = 0, end; at < content.size(); at = end + 1) {
        end = content.find('\n', at);
        // As readAdapterNames() reads it: a line whose name or adapter an
        // earlier one has counts for neither.
        const auto name = parseAdapterLine(content.substr(at, end - at));
        if (name && !numbers.count(name->number) && !keys.count(name->key)) {
            numbers.insert(name->number);
            keys.insert(name->key);
        }
    }
    bool added = false;
    for (const auto& line : lines) {
        const auto name = parseAdapterLine(line);
        if (name && (numbers.count(name->number) || keys.count(name->key)))
            continue;
        content += line + "\n";
        added = true;
    }
    if (!added)
        return true;

    std::string temp = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const UniqueFd fd(::mkstemp(temp.data()));
    if (!fd)
        return false;
    const bool written = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), content) && ::fsync(fd.get()) == 0;
    if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace serial
