#pragma once
// Maps the programs' port names ("COM" and a number) to device paths.
// A folder of symbolic links (COM3 -> /dev/ttyUSB0) pins a name to any
// device; a name without a link stands for the n-th present serial device,
// USB adapters first.
//
// Numbering: the numbers 1 to 255 that have no link go, in ascending
// order, to the present devices that no link points at. With no links,
// COM1 is the first device found, COM2 the second, and so on; a pinned
// device never shows up under a second name.
//
// A link whose target is missing still pins its name: resolve() gives the
// target and opening it fails with ENOENT, as for an unplugged adapter.
//
// USB adapters keep their names: one seen for the first time gets the
// lowest number that no link and no adapter holds, recorded in the
// folder's adapters file (AdapterNames.h), and has it from then on; a name
// kept for an absent adapter goes to nobody else. Links still win over the
// file. The other devices (and an adapter whose kept name a link has
// taken) are numbered as above, with the numbers left after both.
//
// A regular file COMn (not a link) names a serial server's port: its one
// line is rfc2217://HOST:PORT or tcp://HOST:PORT (RemoteAddress.h). The name
// is then remote, for good or, with a line that is no address, refused; either
// way no local device gets it. Other entries that are not links (a device
// node placed there) stand for themselves.

#include "serial/DeviceIdentity.h"
#include "serial/RemoteAddress.h"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace serial {

/// Present serial devices in a stable order: /dev/ttyUSB*, /dev/ttyACM*
/// (numeric order), then ports with hardware behind them (/dev/ttyS* with
/// a driver other than an unknown UART, ...).
/// Reads only sysfs and /dev: no device is opened, nothing blocks.
std::vector<std::filesystem::path> scanSerialDevices();

/// The same over another sysfs tty folder and device folder (for tests).
/// A device counts when sysClassTty/NAME/device exists, its uart "type" is
/// not 0 (PORT_UNKNOWN, a port with no hardware behind it) and devDir/NAME
/// exists.
std::vector<std::filesystem::path> scanSerialDevicesIn(const std::filesystem::path& sysClassTty,
                                                       const std::filesystem::path& devDir);

/// The number of a port name: "COM" (any case) and 1 to 255 in decimal
/// without leading zeros; nothing for any other text.
std::optional<int> portNumber(const std::string& portName);

/// A ports-folder file that names a serial server's port.
struct RemotePort {
    std::optional<RemoteAddress> address;
    /// Why the file names no port (UTF-8), naming the file and the line;
    /// empty when address is set.
    std::string error;
};

class PortNames {
public:
    using Scanner = std::function<std::vector<std::filesystem::path>()>;

    /// @param linksDir folder of COMn links and the adapters file (may be missing).
    /// @param scanner lists present devices; tests pass one that returns none.
    /// @param identify tells USB adapters apart; noIdentity numbers every
    ///        device as the scan orders it.
    explicit PortNames(std::filesystem::path linksDir, Scanner scanner = scanSerialDevices,
                       IdentityLookup identify = udevIdentity);

    /// Device path for a name ("COM3", case ignored), or nothing if the
    /// name is malformed or stands for no device (a remote name included).
    std::optional<std::filesystem::path> resolve(const std::string& portName) const;

    /// Every port number that stands for a device now, with its device:
    /// one read of the links folder and one scan, for callers that look
    /// up many names at once. Records adapters seen for the first time in
    /// the adapters file.
    std::map<int, std::filesystem::path> devices() const;

    /// The numbers the adapters file keeps, for adapters present or not:
    /// names to leave alone when choosing a free one.
    std::set<int> keptNumbers() const;

    /// The serial server's port a name stands for; nothing when the name
    /// is no file of the folder (a link, a device, nothing).
    std::optional<RemotePort> remote(const std::string& portName) const;
    /// Every remote name whose file holds a valid address, for listing.
    std::map<int, RemoteAddress> remotes() const;
    /// Every remote name, refused ones too: names to leave alone.
    std::map<int, RemotePort> remotePorts() const;

    /// What the name stands for, for tooltips, in UTF-8:
    /// "/dev/ttyUSB0 · CP2102N USB to UART Bridge Controller · 10c4:ea60 ·
    /// 序列号 0001", the parts the device has; the path alone for a device
    /// without an identity; the address as written for a remote name (the
    /// error for a refused one); "" for a name that stands for nothing.
    std::string describe(const std::string& portName) const;
    /// The same for a device path, as devices() gives them.
    std::string describeDevice(const std::filesystem::path& device) const;

    const std::filesystem::path& linksDir() const { return linksDir_; }
    std::filesystem::path adaptersFile() const { return linksDir_ / "adapters"; }

private:
    std::filesystem::path linksDir_;
    Scanner scanner_;
    IdentityLookup identify_;
};

/// The default links folder: $XDG_CONFIG_HOME/comports or
/// ~/.config/comports.
std::filesystem::path defaultLinksDir();

} // namespace serial
