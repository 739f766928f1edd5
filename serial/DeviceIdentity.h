#pragma once
// What a serial device is, the way its owner knows it: the facts udev
// keeps about the adapter behind a tty, which stay the same across replugs
// while the kernel's ttyUSB number does not.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace serial {

struct DeviceIdentity {
    std::string vendorId;  ///< "10c4", lower-case hex; empty when not USB
    std::string productId; ///< "ea60"
    std::string serial;    ///< ID_SERIAL_SHORT; empty when the adapter has none
    std::string model;     ///< for people, UTF-8: "CP2102N USB to UART Bridge Controller"
    std::string usbPort;   ///< the USB device's place on the bus: "1-1.2"

    bool operator==(const DeviceIdentity&) const = default;
};

/// The identity of a device path, or nothing for a device that has none
/// to tell (no udev entry, a pseudo-terminal, a plain file in a test).
using IdentityLookup = std::function<std::optional<DeviceIdentity>(const std::filesystem::path& device)>;

/// Asks libudev about a tty under /dev, following links such as
/// /dev/serial/by-id/... to the node first. Only udev's own records and
/// sysfs are read; no device is opened.
std::optional<DeviceIdentity> udevIdentity(const std::filesystem::path& device);

/// A lookup that knows nothing, for callers that want no udev at all.
inline std::optional<DeviceIdentity> noIdentity(const std::filesystem::path& /*device*/) { return std::nullopt; }

/// ASCII letters in lower case; other bytes (UTF-8 too) kept: ids and
/// the adapters file compare "10C4" and "10c4" alike.
std::string asciiLower(std::string s);

/// udev's "\x20"-style escapes undone (ID_MODEL_ENC and the like), and
/// the padding around the text dropped.
std::string decodeUdevText(std::string_view encoded);

} // namespace serial
