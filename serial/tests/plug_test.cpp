// Runs under umockdev-wrapper: a fake sysfs and udev, with adapters
// plugged and unplugged by the test.
#include "serial/AdapterNames.h"
#include "serial/DeviceWatch.h"
#include "serial/PortNames.h"
#include "testing/TempDir.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <fstream>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace serial {
namespace {

struct Adapter {
    const char* usbPort; // "1-1.2"
    const char* vendor;
    const char* product;
    const char* serial;     // "" none
    const char* properties; // the model's udev properties, "E: ...\n" lines
};

const Adapter kCp2102{"1-1.1", "10c4", "ea60", "0001",
                      "E: ID_MODEL_ENC=CP2102N\\x20USB\\x20to\\x20UART\\x20Bridge\\x20Controller\n"};
const Adapter kFt232{"1-1.3", "0403", "6001", "A10K", "E: ID_MODEL_FROM_DATABASE=FT232 Serial (UART) IC\n"};
const Adapter kCh340{"1-1.2", "1a86", "7523", "", "E: ID_MODEL=USB_Serial\n"};

std::string usbPath(const Adapter& a) { return std::string("/sys/devices/pci0000:00/usb1/1-1/") + a.usbPort; }

// As the kernel and udev describe an adapter: the USB device, its
// interface, the usb-serial port and the tty under it. The node is a file
// with contents: umockdev's realpath() breaks on the pty it makes otherwise.
std::string record(const Adapter& a, const std::string& tty)
{
    const std::string usb = usbPath(a).substr(4), intf = usb + "/" + a.usbPort + ":1.0";
    const std::string serial = *a.serial ? std::string("A: serial=") + a.serial + "\n" : "";
    const std::string serialShort = *a.serial ? std::string("E: ID_SERIAL_SHORT=") + a.serial + "\n" : "";
    return "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + a.vendor +
           "\nA: idProduct=" + a.product + "\n" + serial + "\nP: " + intf +
           "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\nP: " + intf + "/" + tty +
           "\nE: SUBSYSTEM=usb-serial\n\nP: " + intf + "/" + tty + "/tty/" + tty + "\nN: " + tty +
           "=00\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + tty + "\nE: ID_VENDOR_ID=" + a.vendor +
           "\nE: ID_MODEL_ID=" + a.product + "\n" + serialShort + a.properties + "L: device=../../../" + tty + "\n";
}

class Plug : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(umockdev_in_mock_environment()) << "run under umockdev-wrapper"; }
    void TearDown() override { g_object_unref(bed); }

    void plug(const Adapter& a, const std::string& tty)
    {
        ASSERT_TRUE(umockdev_testbed_add_from_string(bed, record(a, tty).c_str(), nullptr));
        ttys[a.usbPort] = tty;
    }
    void unplug(const Adapter& a)
    {
        const std::string tty = ttys[a.usbPort];
        const std::string ttyPath = usbPath(a) + "/" + a.usbPort + ":1.0/" + tty + "/tty/" + tty;
        umockdev_testbed_uevent(bed, ttyPath.c_str(), "remove");
        umockdev_testbed_remove_device(bed, usbPath(a).c_str());
        // umockdev leaves the children's /sys/bus and /sys/class links
        // behind, and the next plug trips over them.
        gchar* sys = umockdev_testbed_get_sys_dir(bed);
        std::error_code ec;
        for (const auto& folder : fs::recursive_directory_iterator(sys, ec))
            if (folder.is_symlink(ec) && !fs::exists(folder.path(), ec))
                fs::remove(folder.path(), ec);
        g_free(sys);
    }

    UMockdevTestbed* bed = umockdev_testbed_new();
    std::map<std::string, std::string> ttys;
    test_support::TempDir links{"plug"};
};

TEST_F(Plug, AdaptersKeepTheirNamesAcrossReplugs)
{
    DeviceWatch watch(links.path());
    const PortNames names(links.path());
    struct Step {
        const char* name;
        std::function<void()> act;
        std::map<int, fs::path> expected;
        std::map<int, std::string> described;
    };
    const std::string cpText = " · CP2102N USB to UART Bridge Controller · 10c4:ea60 · 序列号 0001";
    const Step steps[] = {
        {"first adapter", [&] { plug(kCp2102, "ttyUSB0"); }, {{1, "/dev/ttyUSB0"}}, {{1, "/dev/ttyUSB0" + cpText}}},
        {"unplugged", [&] { unplug(kCp2102); }, {}, {{1, ""}}},
        {"another adapter takes the next free name",
         [&] { plug(kFt232, "ttyUSB0"); },
         {{2, "/dev/ttyUSB0"}},
         {{2, "/dev/ttyUSB0 · FT232 Serial (UART) IC · 0403:6001 · 序列号 A10K"}}},
        {"the first back under another tty",
         [&] { plug(kCp2102, "ttyUSB1"); },
         {{1, "/dev/ttyUSB1"}, {2, "/dev/ttyUSB0"}},
         {{1, "/dev/ttyUSB1" + cpText}}},
        {"no serial number: known by its USB port",
         [&] { plug(kCh340, "ttyUSB2"); },
         {{1, "/dev/ttyUSB1"}, {2, "/dev/ttyUSB0"}, {3, "/dev/ttyUSB2"}},
         {{3, "/dev/ttyUSB2 · USB Serial · 1a86:7523"}}},
        {"all out, the port-known one back first",
         [&] {
             unplug(kCp2102);
             unplug(kFt232);
             unplug(kCh340);
             plug(kCh340, "ttyUSB0");
         },
         {{3, "/dev/ttyUSB0"}},
         {{1, ""}, {3, "/dev/ttyUSB0 · USB Serial · 1a86:7523"}}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        s.act();
        EXPECT_TRUE(watch.drain());
        EXPECT_EQ(names.devices(), s.expected);
        for (const auto& [n, text] : s.described)
            EXPECT_EQ(names.describe("COM" + std::to_string(n)), text);
        watch.drain(); // the adapters file just written: not the next step's news
    }
    const std::vector<std::string> expectedFile = {
        "COM1 10c4:ea60 serial=0001  # CP2102N USB to UART Bridge Controller",
        "COM2 0403:6001 serial=A10K  # FT232 Serial (UART) IC",
        "COM3 1a86:7523 port=1-1.2  # USB Serial",
    };
    std::vector<std::string> lines;
    std::ifstream in(names.adaptersFile());
    for (std::string line; std::getline(in, line);)
        if (parseAdapterLine(line))
            lines.push_back(line);
    EXPECT_EQ(lines, expectedFile);
}

} // namespace
} // namespace serial
