#include "serial/DeviceIdentity.h"

#include "serial/HexDigit.h"

#include <libudev.h>

#include <memory>

namespace fs = std::filesystem;

namespace serial {
namespace {

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// by-id and hand-made links name the node through other folders; udev
// knows the node by its name under /dev.
fs::path nodeOf(fs::path p)
{
    for (int hops = 0; hops < 8; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(p, ec))
            break;
        const fs::path target = fs::read_symlink(p, ec);
        if (ec)
            break;
        p = (target.is_relative() ? p.parent_path() / target : target).lexically_normal();
    }
    return p;
}

} // namespace

std::string asciiLower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string decodeUdevText(std::string_view encoded)
{
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            const int high = hexDigitValue(encoded[i + 2]), low = hexDigitValue(encoded[i + 3]);
            if (high >= 0 && low >= 0) {
                out += char(high * 16 + low);
                i += 3;
                continue;
            }
        }
        out += encoded[i];
    }
    return trimmed(out);
}

std::optional<DeviceIdentity> udevIdentity(const fs::path& device)
{
    const fs::path node = nodeOf(device.lexically_normal());
    if (node.parent_path() != "/dev")
        return std::nullopt;
    const std::unique_ptr<udev, UdevUnref> context(udev_new());
    if (!context)
        return std::nullopt;
    const std::unique_ptr<udev_device, UdevUnref> tty(
        udev_device_new_from_subsystem_sysname(context.get(), "tty", node.filename().c_str()));
    if (!tty)
        return std::nullopt;
    auto property = [&](const char* key) {
        const char* v = udev_device_get_property_value(tty.get(), key);
        return std::string(v ? v : "");
    };
    // Owned by tty.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty.get(), "usb", "usb_device");
    auto attribute = [&](const char* key) {
        const char* v = usb ? udev_device_get_sysattr_value(usb, key) : nullptr;
        return trimmed(v ? v : "");
    };

    DeviceIdentity id;
    id.vendorId = property("ID_VENDOR_ID");
    id.productId = property("ID_MODEL_ID");
    id.serial = property("ID_SERIAL_SHORT");
    id.model = property("ID_MODEL_FROM_DATABASE");
    if (id.model.empty())
        id.model = decodeUdevText(property("ID_MODEL_ENC"));
    if (id.model.empty()) {
        id.model = property("ID_MODEL");
        for (char& c : id.model)
            if (c == '_')
                c = ' ';
        id.model = trimmed(id.model);
    }
    if (usb) {
        id.usbPort = udev_device_get_sysname(usb);
        // Without a udev daemon (a container, a rescue system) there are no
        // properties, but sysfs holds the same facts.
        if (id.vendorId.empty() && id.productId.empty()) {
            id.vendorId = attribute("idVendor");
            id.productId = attribute("idProduct");
            id.serial = attribute("serial");
            if (id.model.empty())
                id.model = attribute("product");
        }
    }
    id.vendorId = asciiLower(id.vendorId);
    id.productId = asciiLower(id.productId);
    if (id.vendorId.empty() && id.productId.empty() && id.serial.empty() && id.model.empty())
        return std::nullopt;
    return id;
}

} // namespace serial
