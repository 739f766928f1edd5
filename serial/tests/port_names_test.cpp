#include "serial/AdapterNames.h"
#include "serial/PortNames.h"
#include "serial/SerialDevice.h"
#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace serial {
namespace {

using test_support::Pty;
using test_support::TempDir;
using test_support::writeFile;

PortNames::Scanner noDevices()
{
    return [] { return std::vector<fs::path>{}; };
}

TEST(PortNames, NamesResolveThroughLinksToPseudoTerminals)
{
    Pty first, third;
    TempDir links("portnames");
    fs::create_symlink(first.slavePath(), links.path() / "COM1");
    fs::create_symlink(third.slavePath(), links.path() / "COM3");
    PortNames names(links.path(), noDevices());

    struct Case {
        const char* name;
        std::string portName;
        std::optional<fs::path> expected;
    };
    const Case cases[] = {
        {"first link", "COM1", first.slavePath()},
        {"third link", "COM3", third.slavePath()},
        {"lower case", "com3", third.slavePath()},
        {"mixed case", "Com1", first.slavePath()},
        {"no link and no device", "COM2", std::nullopt},
        {"port zero", "COM0", std::nullopt},
        {"above 255", "COM256", std::nullopt},
        {"trailing text", "COM3x", std::nullopt},
        {"leading zero", "COM03", std::nullopt},
        {"leading space", " COM1", std::nullopt},
        {"no number", "COM", std::nullopt},
        {"other prefix", "LPT1", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(names.resolve(c.portName), c.expected);
        EXPECT_EQ(names.describe(c.portName), c.expected ? c.expected->string() : "");
    }

    // The resolved path is a port the device layer opens.
    std::error_code ec;
    SerialDevice dev = SerialDevice::open(names.resolve("COM3")->string(), "COM3", ec);
    EXPECT_TRUE(dev.isOpen()) << ec.message();
}

TEST(PortNames, LinkEntriesAndTargets)
{
    TempDir links("portnames");
    writeFile(links / "dev5", "x");
    fs::create_symlink("dev5", links.path() / "COM5");                   // relative target
    fs::create_symlink("/dev/ttyNoSuchAdapter9", links.path() / "COM7"); // unplugged
    fs::create_symlink("/dev/null", links.path() / "com4");              // lower-case link name
    fs::create_symlink("/dev/null", links.path() / "COM08");             // not a port name
    PortNames names(links.path(), noDevices());

    EXPECT_EQ(names.resolve("COM5"), links.path() / "dev5");
    EXPECT_EQ(names.resolve("COM4"), fs::path("/dev/null"));
    EXPECT_EQ(names.resolve("COM8"), std::nullopt);

    // A dangling link keeps its name; opening it says the device is absent.
    ASSERT_EQ(names.resolve("COM7"), fs::path("/dev/ttyNoSuchAdapter9"));
    std::error_code ec;
    SerialDevice dev = SerialDevice::open(names.resolve("COM7")->string(), "COM7", ec);
    EXPECT_EQ(ec.value(), ENOENT);
}

TEST(PortNames, UnlinkedNumbersGoToUnpinnedDevicesInOrder)
{
    TempDir root("portnames");
    const fs::path a = root.path() / "ttyUSB0", b = root.path() / "ttyUSB1", c = root.path() / "ttyS0";
    for (const auto& p : {a, b, c})
        writeFile(p, "x");
    const fs::path alias = root.path() / "by-id-adapter"; // as /dev/serial/by-id/...
    fs::create_symlink(b, alias);
    auto scanner = [&] { return std::vector<fs::path>{a, b, c}; };

    struct Case {
        const char* name;
        bool folderExists;
        std::vector<std::pair<std::string, fs::path>> links;
        std::vector<std::optional<fs::path>> expected; // COM1, COM2, ...
    };
    const Case cases[] = {
        {"no links", true, {}, {a, b, c, std::nullopt}},
        {"missing links folder", false, {}, {a, b, c, std::nullopt}},
        {"second device pinned to its own number", true, {{"COM2", b}}, {a, b, c, std::nullopt}},
        {"first device pinned high", true, {{"COM4", a}}, {b, c, std::nullopt, a}},
        {"pinned through an alias", true, {{"COM1", alias}}, {alias, a, c, std::nullopt}},
        {"link to another device takes COM1", true, {{"COM1", "/dev/null"}}, {"/dev/null", a, b, c}},
    };
    for (const auto& cs : cases) {
        SCOPED_TRACE(cs.name);
        TempDir links("portnames");
        for (const auto& [name, target] : cs.links)
            fs::create_symlink(target, links.path() / name);
        const fs::path dir = cs.folderExists ? links.path() : links.path() / "absent";
        PortNames names(dir, scanner);
        for (std::size_t i = 0; i < cs.expected.size(); ++i) {
            SCOPED_TRACE("COM" + std::to_string(i + 1));
            EXPECT_EQ(names.resolve("COM" + std::to_string(i + 1)), cs.expected[i]);
        }
    }
}

std::string contentOf(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Three USB adapters (one without a serial number) and a built-in port,
// as plain files with identities from a table.
TEST(PortNames, UsbAdaptersKeepTheNameTheyWereFirstGiven)
{
    const TempDir root("portnames");
    const struct {
        fs::path cp, ch, ftdi, s0;
    } b{root / "ttyUSB0", root / "ttyUSB1", root / "ttyUSB2", root / "ttyS0"};
    for (const auto& p : {b.cp, b.ch, b.ftdi, b.s0})
        writeFile(p, "x");
    const std::map<fs::path, DeviceIdentity> ids{
        {b.cp, {"10c4", "ea60", "0001", "CP2102N", "1-1.1"}},
        {b.ch, {"1a86", "7523", "", "CH340", "1-1.2"}},
        {b.ftdi, {"0403", "6001", "A10K", "FT232R", "1-1.3"}},
    };
    const IdentityLookup lookup = [&](const fs::path& p) -> std::optional<DeviceIdentity> {
        const auto it = ids.find(p);
        return it == ids.end() ? std::nullopt : std::optional(it->second);
    };
    struct Case {
        const char* name;
        std::string file; // the adapters file before; "" none
        std::vector<std::pair<std::string, fs::path>> links;
        std::vector<fs::path> present; // in scan order
        std::map<int, fs::path> expected;
        std::string appended;
    };
    const Case cases[] = {
        {"first seen: lowest numbers in scan order, other ports after",
         "",
         {},
         {b.cp, b.ch, b.s0},
         {{1, b.cp}, {2, b.ch}, {3, b.s0}},
         "COM1 10c4:ea60 serial=0001  # CP2102N\nCOM2 1a86:7523 port=1-1.2  # CH340\n"},
        {"kept name whatever comes first in the scan",
         "COM2 10c4:ea60 serial=0001\n",
         {},
         {b.ch, b.s0, b.cp},
         {{1, b.ch}, {2, b.cp}, {3, b.s0}},
         "COM1 1a86:7523 port=1-1.2  # CH340\n"},
        {"an absent adapter's name stays held",
         "COM1 10c4:ea60 serial=0001\n",
         {},
         {b.s0, b.ch},
         {{2, b.ch}, {3, b.s0}},
         "COM2 1a86:7523 port=1-1.2  # CH340\n"},
        {"a link wins over the file",
         "COM1 10c4:ea60 serial=0001\n",
         {{"COM1", "/dev/null"}},
         {b.cp, b.s0},
         {{1, "/dev/null"}, {2, b.cp}, {3, b.s0}},
         ""},
        {"an adapter pinned by a link is not recorded", "", {{"COM5", b.cp}}, {b.cp, b.s0}, {{1, b.s0}, {5, b.cp}}, ""},
        {"hand-edited file; malformed lines keep nothing",
         "# mine\n\n  com4   10C4:EA60   serial=0001   # moved\nCOM2 1a86:7523\nCOM1 zzzz:7523 port=1-1.2\n"
         "COM3 0403:6001 serial=A10K extra\nCOM9 0403:6001 serial=\nCOM0 0403:6001 serial=A10K",
         {},
         {b.cp, b.ch, b.ftdi},
         {{1, b.ch}, {2, b.ftdi}, {4, b.cp}},
         "\nCOM1 1a86:7523 port=1-1.2  # CH340\nCOM2 0403:6001 serial=A10K  # FT232R\n"},
        {"a repeated name or adapter: the first line has it",
         "COM3 10c4:ea60 serial=0001\nCOM3 0403:6001 serial=A10K\nCOM5 10c4:ea60 serial=0001\n",
         {},
         {b.cp, b.ftdi},
         {{1, b.ftdi}, {3, b.cp}},
         "COM1 0403:6001 serial=A10K  # FT232R\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir links("portnames");
        for (const auto& [name, target] : c.links)
            fs::create_symlink(target, links / name);
        if (!c.file.empty())
            writeFile(links / "adapters", c.file);
        const auto scanner = [&] { return c.present; };
        PortNames names(links.path(), scanner, lookup);
        EXPECT_EQ(names.devices(), c.expected);
        const std::string after = contentOf(links / "adapters");
        if (c.appended.empty()) {
            EXPECT_EQ(after, c.file);
        } else {
            EXPECT_EQ(after.rfind(c.file, 0), 0U) << after; // what was there stays
            ASSERT_GE(after.size(), c.appended.size());
            EXPECT_EQ(after.substr(after.size() - c.appended.size()), c.appended) << after;
        }
        // The next look finds the same and writes nothing.
        EXPECT_EQ(names.devices(), c.expected);
        EXPECT_EQ(contentOf(links / "adapters"), after);
    }
}

// Two programs that see new adapters at once each add what they saw; the
// second adds nothing the first has written by then.
TEST(PortNames, AnAdditionKeepsWhatAnotherWroteMeanwhile)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::string expected;
    };
    const std::string before = "COM1 10c4:ea60 serial=0001  # another program's\n";
    const Case cases[] = {
        {"a new adapter on a free name is added",
         {"COM2 1a86:7523 port=1-1.2"},
         before + "COM2 1a86:7523 port=1-1.2\n"},
        {"the same adapter under another name is left out", {"COM2 10c4:ea60 serial=0001"}, before},
        {"another adapter on the name taken is left out, the rest added",
         {"COM1 1a86:7523 port=1-1.2", "COM3 0403:6001 serial=A10K"},
         before + "COM3 0403:6001 serial=A10K\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir links("portnames");
        writeFile(links / "adapters", before);
        EXPECT_TRUE(appendAdapterLines(links / "adapters", c.lines));
        EXPECT_EQ(contentOf(links / "adapters"), c.expected);
    }
}

TEST(RemoteAddress, OneLineNamesAServerPort)
{
    using K = RemoteAddress::Kind;
    struct Case {
        const char* name;
        std::string line;
        std::optional<RemoteAddress> expected;
    };
    const Case cases[] = {
        {"rfc2217 by name", "rfc2217://lab-7:2001", RemoteAddress{K::Rfc2217, "lab-7", 2001, "rfc2217://lab-7:2001"}},
        {"tcp by IPv4", "tcp://192.168.1.20:4001\r\n",
         RemoteAddress{K::Tcp, "192.168.1.20", 4001, "tcp://192.168.1.20:4001"}},
        {"IPv6 in brackets", "rfc2217://[fe80::1]:65535 \n",
         RemoteAddress{K::Rfc2217, "fe80::1", 65535, "rfc2217://[fe80::1]:65535"}},
        {"scheme in capitals", "TCP://h:1", RemoteAddress{K::Tcp, "h", 1, "TCP://h:1"}},
        {"port 0", "tcp://h:0", std::nullopt},
        {"port above 65535", "tcp://h:65536", std::nullopt},
        {"port with a sign", "tcp://h:+80", std::nullopt},
        {"no port", "tcp://h", std::nullopt},
        {"empty host", "tcp://:80", std::nullopt},
        {"IPv6 without brackets", "tcp://fe80::1:80", std::nullopt},
        {"bracketed non-address", "tcp://[lab-7]:80", std::nullopt},
        {"path after the port", "tcp://h:80/x", std::nullopt},
        {"leading space", " tcp://h:80", std::nullopt},
        {"other scheme", "telnet://h:23", std::nullopt},
        {"a device path", "/dev/ttyUSB0", std::nullopt},
        {"empty label", "tcp://a..b:80", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseRemoteAddress(c.line), c.expected);
    }
}

TEST(PortNames, AFileNamesARemotePortThatNoDeviceGets)
{
    struct Case {
        const char* name;
        std::string content;
        std::optional<std::string> address; // the address text, or nothing: refused
        std::string errorHas;               // in the refusal's words
    };
    const Case cases[] = {
        {"rfc2217 line", "rfc2217://lab-7:2001\n", "rfc2217://lab-7:2001", ""},
        {"tcp line, blank lines after", "tcp://[::1]:4001\r\n\r\n", "tcp://[::1]:4001", ""},
        {"other content", "foo\n", std::nullopt, "第 1 行无法识别：“foo”"},
        {"a second line", "tcp://h:1\nrfc2217://h:2\n", std::nullopt, "第 2 行多余：“rfc2217://h:2”"},
        {"empty file", "", std::nullopt, "是空的"},
        {"bytes that are not UTF-8", "\xFF\xFE\xB6x", std::nullopt, "“???x”"},
    };
    const fs::path device = "/dev/ttyUSB0";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir links("portnames");
        writeFile(links / "COM2", c.content);
        fs::create_symlink("/dev/null", links / "COM3"); // a link beside the file
        PortNames names(links.path(), [&] { return std::vector<fs::path>{device}; });

        const auto remote = names.remote("com2");
        ASSERT_TRUE(remote.has_value());
        EXPECT_EQ(remote->address ? std::optional(remote->address->text) : std::nullopt, c.address);
        if (!c.address) {
            EXPECT_NE(remote->error.find((links / "COM2").string()), std::string::npos) << remote->error;
            EXPECT_NE(remote->error.find(c.errorHas), std::string::npos) << remote->error;
        }
        EXPECT_EQ(names.describe("COM2"), c.address ? *c.address : remote->error);
        EXPECT_EQ(names.remotes().size(), c.address ? 1U : 0U);
        EXPECT_EQ(names.remotePorts().size(), 1U);
        // Neither resolved nor numbered for a device: COM1 goes to it, then past both names.
        EXPECT_EQ(names.resolve("COM2"), std::nullopt);
        EXPECT_EQ(names.devices(), (std::map<int, fs::path>{{1, device}, {3, "/dev/null"}}));
        EXPECT_FALSE(names.remote("COM3").has_value()) << "a link is no remote port";
        EXPECT_FALSE(names.remote("COM1").has_value());
    }
}

TEST(PortNames, ScanOrdersUsbFirstAndSkipsPortsWithoutHardware)
{
    TempDir sys("portnames"), dev("portnames");
    struct Entry {
        const char* name;
        bool device;      // sysfs has a device behind it
        const char* type; // uart type file, or none
        bool node;        // /dev node present
    };
    const Entry entries[] = {
        {"ttyUSB10", true, nullptr, true}, {"ttyUSB2", true, nullptr, true},  {"ttyACM0", true, nullptr, true},
        {"ttyS0", true, "4", true},        {"ttyS1", true, "0", true},        {"ttyS10", true, "4", true},
        {"ttyS2", true, "4", true},        {"ttyAMA0", true, nullptr, true},  {"tty0", false, nullptr, true},
        {"ptmx", false, nullptr, true},    {"ttyUSB3", true, nullptr, false},
    };
    for (const auto& e : entries) {
        fs::create_directories(sys.path() / e.name);
        if (e.device)
            fs::create_directories(sys.path() / e.name / "device");
        if (e.type)
            writeFile(sys / e.name / "type", std::string(e.type) + "\n");
        if (e.node)
            writeFile(dev / e.name, "x");
    }
    std::vector<fs::path> expected;
    for (const char* n : {"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyAMA0", "ttyS0", "ttyS2", "ttyS10"})
        expected.push_back(dev.path() / n);
    EXPECT_EQ(scanSerialDevicesIn(sys.path(), dev.path()), expected);
    EXPECT_TRUE(scanSerialDevicesIn(sys.path() / "absent", dev.path()).empty());
}

TEST(PortNames, DefaultLinksFolder)
{
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/tester", 1);

    struct Case {
        const char* name;
        const char* xdg; // nullptr: unset
        fs::path expected;
    };
    const Case cases[] = {
        {"xdg set", "/cfg", "/cfg/comports"},
        {"xdg unset", nullptr, "/home/tester/.config/comports"},
        {"xdg empty", "", "/home/tester/.config/comports"},
        {"xdg relative", "cfg", "/home/tester/.config/comports"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.xdg)
            setenv("XDG_CONFIG_HOME", c.xdg, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(defaultLinksDir(), c.expected);
    }

    if (savedXdg)
        setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", home.c_str(), 1);
}

} // namespace
} // namespace serial
