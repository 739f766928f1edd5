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

// The links folder as number -> target. An entry that is not a symbolic
// link (a device node placed there) stands for itself.
std::map<int, fs::path> readLinks(const fs::path& dir)
{
    std::map<int, fs::path> links;
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    // "COM3" and "com3" both present: take the first by name, whatever
    // order the folder lists them in.
    std::sort(entries.begin(), entries.end());
    for (const auto& e : entries) {
        auto n = portNumber(e.path().filename().string());
        if (!n || links.count(*n))
            continue;
        std::error_code lec;
        if (!e.is_symlink(lec)) {
            links.emplace(*n, e.path());
            continue;
        }
        fs::path target = fs::read_symlink(e.path(), lec);
        if (lec)
            continue;
        if (target.is_relative())
            target = dir / target;
        links.emplace(*n, target.lexically_normal());
    }
    return links;
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
    std::map<int, fs::path> table = readLinks(linksDir_);
    std::set<fs::path> pinned;
    for (const auto& entry : table)
        pinned.insert(identity(entry.second));
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

std::string PortNames::describe(const std::string& portName) const
{
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
