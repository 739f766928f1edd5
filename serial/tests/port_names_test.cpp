#include "serial/PortNames.h"
#include "serial/SerialDevice.h"
#include "testing/Pty.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
