#include "serial/PortNames.h"

#include "serial/AdapterNames.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace serial {
namespace {

constexpr int kMaxPort = 255;

// Sort key: USB serial adapters first (the ones a user plugs in for a
// session), then the rest; within a family, numeric order so ttyUSB10
// follows ttyUSB9.
std::tuple<int, std::string, long, std::string> deviceOrder(const std::string& name)
{
    std::size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    std::string family = name.substr(0, digits);
    long number = digits < name.size() ? std::strtol(name.c_str() + digits, nullptr, 10) : -1;
    int group = family == "ttyUSB" ? 0 : family == "ttyACM" ? 1 : 2;
    return {group, family, number, name};
}

// A uart with no hardware (most of the legacy ttyS1..ttyS31) reports
// type 0, PORT_UNKNOWN; sysfs gives it without opening the device.
bool isUnknownUart(const fs::path& ttyDir)
{
    std::ifstream in(ttyDir / "type");
    int type = -1;
    return in >> type && type == 0;
}

// Identity of a device for "is this one pinned by a link".
fs::path identity(const fs::path& p)
{
    std::error_code ec;
    fs::path c = fs::weakly_canonical(p, ec);
    return ec ? p.lexically_normal() : c;
}

struct Folder {
    std::map<int, fs::path> links; // number -> target
    std::map<int, fs::path> files; // number -> a remote port's file
};

// The links folder: links as number -> target, and the regular files that
// name remote ports. Another entry that is not a symbolic link (a device
// node placed there) stands for itself.
Folder readFolder(const fs::path& dir)
{
    Folder folder;
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    // "COM3" and "com3" both present: take the first by name, whatever
    // order the folder lists them in.
    std::sort(entries.begin(), entries.end());
    for (const auto& e : entries) {
        auto n = portNumber(e.path().filename().string());
        if (!n || folder.links.count(*n) || folder.files.count(*n))
            continue;
        std::error_code lec;
        if (!e.is_symlink(lec)) {
            (e.is_regular_file(lec) ? folder.files : folder.links).emplace(*n, e.path());
            continue;
        }
        fs::path target = fs::read_symlink(e.path(), lec);
        if (lec)
            continue;
        if (target.is_relative())
            target = dir / target;
        folder.links.emplace(*n, target.lexically_normal());
    }
    return folder;
}

constexpr const char* kAddressForm = "rfc2217://主机:端口 或 tcp://主机:端口";

// A line of the file as the message quotes it: UTF-8 whatever the file
// holds, short, without control characters.
std::string quoted(std::string_view line)
{
    constexpr std::size_t kMaxShown = 60;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    std::string out;
    std::size_t i = 0;
    while (i < line.size() && out.size() < kMaxShown) {
        const auto c = static_cast<unsigned char>(line[i]);
        std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool valid = len > 0 && i + len <= line.size() && !(len > 1 && c < 0xC2);
        for (std::size_t k = 1; valid && k < len; ++k)
            valid = (static_cast<unsigned char>(line[i + k]) & 0xC0) == 0x80;
        if (!valid || (len == 1 && (c < 0x20 || c == 0x7F))) {
            out += '?';
            ++i;
            continue;
        }
        out.append(line.substr(i, len));
        i += len;
    }
    if (i < line.size())
        out += "…";
    return "“" + out + "”";
}

RemotePort readRemote(const fs::path& file)
{
    // A server's address is one short line; a large file is none, and is not read whole.
    constexpr std::size_t kMaxRead = 4096;
    std::ifstream in(file, std::ios::binary);
    std::string content(kMaxRead, '\0');
    if (in.is_open())
        in.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (!in.is_open() || in.bad())
        return {std::nullopt, "端口文件 " + file.string() + " 无法读取"};
    content.resize(static_cast<std::size_t>(in.gcount()));
    auto blank = [](std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; };
    if (blank(content))
        return {std::nullopt, "端口文件 " + file.string() + " 是空的：应有一行 " + kAddressForm};
    const std::string_view all(content);
    const std::size_t firstEnd = std::min(all.find('\n'), all.size());
    const std::string_view first = all.substr(0, firstEnd);
    auto address = parseRemoteAddress(first);
    if (!address)
        return {std::nullopt,
                "端口文件 " + file.string() + " 第 1 行无法识别：" + quoted(first) + "，应为 " + kAddressForm};
    int lineNo = 1;
    for (std::size_t at = firstEnd; at < all.size();) {
        ++lineNo;
        const std::size_t end = std::min(all.find('\n', at + 1), all.size());
        const std::string_view line = all.substr(at + 1, end - at - 1);
        if (!blank(line))
            return {std::nullopt, "端口文件 " + file.string() + " 第 " + std::to_string(lineNo) + " 行多余：" +
                                      quoted(line) + "，文件只应有一行"};
        at = end;
    }
    return {std::move(address), {}};
}

} // namespace

std::optional<int> portNumber(const std::string& portName)
{
    if (portName.size() < 4 || portName.size() > 6)
        return std::nullopt;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    if (upper(portName[0]) != 'C' || upper(portName[1]) != 'O' || upper(portName[2]) != 'M')
        return std::nullopt;
    if (portName[3] == '0')
        return std::nullopt;
    int n = 0;
    for (std::size_t i = 3; i < portName.size(); ++i) {
        char c = portName[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > kMaxPort)
        return std::nullopt;
    return n;
}

std::vector<fs::path> scanSerialDevicesIn(const fs::path& sysClassTty, const fs::path& devDir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& dir = it->path();
        std::error_code sec;
        // Consoles, ptys and other virtual ttys have no device behind them.
        if (!fs::exists(dir / "device", sec) || isUnknownUart(dir))
            continue;
        std::string name = dir.filename().string();
        if (fs::exists(devDir / name, sec))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return deviceOrder(a) < deviceOrder(b); });
    std::vector<fs::path> devices;
    devices.reserve(names.size());
    for (const auto& n : names)
        devices.push_back(devDir / n);
    return devices;
}

std::vector<fs::path> scanSerialDevices() { return scanSerialDevicesIn("/sys/class/tty", "/dev"); }

PortNames::PortNames(fs::path linksDir, Scanner scanner, IdentityLookup identify)
    : linksDir_(std::move(linksDir)), scanner_(std::move(scanner)), identify_(std::move(identify))
{
}

std::map<int, fs::path> PortNames::devices() const
{
    const Folder folder = readFolder(linksDir_);
    std::map<int, fs::path> table = folder.links;
    std::set<fs::path> pinned;
    for (const auto& entry : table)
        pinned.insert(identity(entry.second));
    // Remote names hold their numbers as links do; they leave the table at the end.
    for (const auto& entry : folder.files)
        table.emplace(entry.first, entry.second);
    const std::vector<AdapterName> file = readAdapterNames(adaptersFile());
    std::map<AdapterKey, int> kept;
    std::set<int> held;
    for (const auto& a : file) {
        kept.emplace(a.key, a.number);
        held.insert(a.number);
    }
    auto firstFree = [&](int& n) {
        while (n <= kMaxPort && (table.count(n) || held.count(n)))
            ++n;
        return n <= kMaxPort;
    };

    struct Newcomer {
        fs::path device;
        AdapterKey key;
        std::string model;
    };
    std::vector<Newcomer> newcomers;
    std::vector<fs::path> rest;
    std::set<AdapterKey> present;
    for (const auto& device : scanner_ ? scanner_() : std::vector<fs::path>{}) {
        if (pinned.count(identity(device)))
            continue;
        const auto id = identify_ ? identify_(device) : std::nullopt;
        auto key = id ? adapterKey(*id) : std::nullopt;
        // Two adapters with the same serial number: the name goes with the
        // first, the second is numbered like any other device.
        const bool adapter = key && present.insert(*key).second;
        const auto it = adapter ? kept.find(*key) : kept.end();
        if (adapter && it == kept.end())
            newcomers.push_back({device, std::move(*key), id->model});
        else if (!adapter || !table.emplace(it->second, device).second)
            rest.push_back(device); // not an adapter, or a link has taken its name
    }

    std::vector<std::string> lines;
    int n = 1;
    for (auto& newcomer : newcomers) {
        if (!firstFree(n)) {
            rest.push_back(newcomer.device);
            continue;
        }
        held.insert(n);
        table.emplace(n, newcomer.device);
        lines.push_back(adapterLine({n, std::move(newcomer.key)}, newcomer.model));
    }
    // Unwritable folder: the names hold for this look only.
    if (!lines.empty())
        appendAdapterLines(adaptersFile(), lines);

    // The numbers no link and no adapter takes go, in ascending order, to
    // the other present devices.
    n = 1;
    for (const auto& device : rest) {
        if (!firstFree(n))
            break;
        table.emplace(n++, device);
    }
    for (const auto& entry : folder.files)
        table.erase(entry.first);
    return table;
}

std::set<int> PortNames::keptNumbers() const
{
    std::set<int> numbers;
    for (const auto& a : readAdapterNames(adaptersFile()))
        numbers.insert(a.number);
    return numbers;
}

std::optional<fs::path> PortNames::resolve(const std::string& portName) const
{
    auto n = portNumber(portName);
    if (!n)
        return std::nullopt;
    const auto table = devices();
    if (auto it = table.find(*n); it != table.end())
        return it->second;
    return std::nullopt;
}

std::optional<RemotePort> PortNames::remote(const std::string& portName) const
{
    const auto n = portNumber(portName);
    if (!n)
        return std::nullopt;
    const Folder folder = readFolder(linksDir_);
    const auto it = folder.files.find(*n);
    if (it == folder.files.end())
        return std::nullopt;
    return readRemote(it->second);
}

std::map<int, RemotePort> PortNames::remotePorts() const
{
    std::map<int, RemotePort> ports;
    for (const auto& [n, file] : readFolder(linksDir_).files)
        ports.emplace(n, readRemote(file));
    return ports;
}

std::map<int, RemoteAddress> PortNames::remotes() const
{
    std::map<int, RemoteAddress> addresses;
    for (auto& [n, port] : remotePorts())
        if (port.address)
            addresses.emplace(n, std::move(*port.address));
    return addresses;
}

std::string PortNames::describe(const std::string& portName) const
{
    if (const auto r = remote(portName))
        return r->address ? r->address->text : r->error;
    const auto path = resolve(portName);
    return path ? describeDevice(*path) : std::string();
}

std::string PortNames::describeDevice(const fs::path& device) const
{
    std::string text = device.string();
    const auto id = identify_ ? identify_(device) : std::nullopt;
    if (!id)
        return text;
    constexpr const char* kSeparator = " · ";
    if (!id->model.empty())
        text += kSeparator + id->model;
    if (!id->vendorId.empty() && !id->productId.empty())
        text += kSeparator + id->vendorId + ":" + id->productId;
    if (!id->serial.empty())
        text += std::string(kSeparator) + "序列号 " + id->serial;
    return text;
}

fs::path defaultLinksDir()
{
    // Relative values of XDG_CONFIG_HOME are to be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return fs::path(xdg) / "comports";
    fs::path home;
    if (const char* h = std::getenv("HOME"); h && h[0])
        home = h;
    else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    return home / ".config" / "comports";
}

} // namespace serial
