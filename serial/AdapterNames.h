#pragma once
// The adapters file in the ports folder: which COM name each USB adapter
// was given when it was first seen, so that it keeps the name across
// replugs, reboots and whatever else is plugged in meanwhile.
//
// One line per adapter, for people to read and edit:
//
//     COM3 10c4:ea60 serial=0001   # CP2102N USB to UART Bridge Controller
//     COM4 1a86:7523 port=1-1.2    # no serial number: known by its USB port
//
// Text from '#' on is a comment; blank lines are allowed. A line that is
// not exactly a port name, VENDOR:PRODUCT (4 hex digits each) and one
// serial= or port= is ignored and keeps nothing, and so is a line whose
// name or adapter an earlier line already has.

#include "serial/DeviceIdentity.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace serial {

/// What an adapter is known by: vendor, product and serial number, or,
/// without a serial number, the USB port it is plugged into.
struct AdapterKey {
    std::string vendorProduct; ///< "10c4:ea60"
    bool byPort = false;       ///< value is a USB port path, not a serial number
    std::string value;

    bool operator==(const AdapterKey&) const = default;
    bool operator<(const AdapterKey& o) const
    {
        return std::tie(vendorProduct, byPort, value) < std::tie(o.vendorProduct, o.byPort, o.value);
    }
};

/// The key of a USB adapter, or nothing for a device that is not one (or
/// one with neither serial number nor port path).
std::optional<AdapterKey> adapterKey(const DeviceIdentity& id);

struct AdapterName {
    int number = 0; ///< 3 for COM3
    AdapterKey key;
};

/// One line of the file; nothing for a comment, a blank or a malformed line.
std::optional<AdapterName> parseAdapterLine(std::string_view line);

/// The line written for a newly seen adapter, model as its comment.
std::string adapterLine(const AdapterName& name, const std::string& model);

/// The file's assignments in file order (a missing file has none).
std::vector<AdapterName> readAdapterNames(const std::filesystem::path& file);

/// Adds lines to the file, keeping what is there byte for byte; the file
/// is replaced at once (temporary file and rename), so a reader never
/// sees half of it. Makes the folder if missing. Under a lock beside the
/// file, so two programs adding at once both keep their lines; a line for
/// an adapter or a name the file has by then (another's) is left out.
/// @return false if the file could not be written.
bool appendAdapterLines(const std::filesystem::path& file, const std::vector<std::string>& lines);

} // namespace serial
