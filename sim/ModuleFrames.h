#pragma once
// The module protocol's command frames as the simulator sees them coming
// in, and the acknowledgement it answers with.
//
// A command frame: type code (10 data query, 20 parameter query, 15 device
// control, 22 parameter change), length (the whole frame's bytes), a 4-byte
// address, then by type the function or port code (device control: and a
// parameter; parameter change: a change mode 00 or 01 before the function
// code, a parameter after it), and optionally a CRC-16 (MODBUS parameters)
// over all bytes before it, low byte first.
//
// The CRC is optional, so a frame counts as carrying one when its last two
// bytes are the CRC of the rest. Without one, only the lengths the builder
// produces from its lists are taken (a typed parameter of another length
// must carry a CRC); so a frame whose CRC was damaged is refused unless it
// happens to have such a length.

#include "sim/Bytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace sim {

struct ModuleFrame {
    std::uint8_t type = 0;
    std::array<std::uint8_t, 4> address{};
    std::uint8_t function = 0; // function or port code
    bool crc = false;
};

/// Shortest and longest frames, CRC included.
inline constexpr std::size_t kMinModuleFrame = 7;
inline constexpr std::size_t kMaxModuleFrame = 100;

/// The frame in exactly size bytes, if they are one well-formed frame (its
/// length byte equal to size); requireCrc refuses a frame without a CRC.
std::optional<ModuleFrame> parseModuleFrame(const std::uint8_t* bytes, std::size_t size, bool requireCrc);

/// The simulated answer: type, length 0A, address, function, status 00,
/// CRC low byte first. A status byte, so that the answer to a query with
/// CRC does not read the same as the query.
Bytes acknowledgement(const ModuleFrame& frame);

/// Cuts the incoming bytes into frames by their length bytes. Bytes that
/// cannot begin a frame are skipped one at a time until one can; a frame
/// left unfinished for the gap is dropped, so the next bytes begin afresh.
class ModuleFrameReader {
public:
    ModuleFrameReader(bool requireCrc, Micros gap);

    /// Bytes arrived at now; the frames they complete, in order.
    std::vector<ModuleFrame> feed(const std::uint8_t* data, std::size_t size, Micros now);
    /// When quiet() must run, or nothing while no frame is under way.
    std::optional<Micros> deadline() const;
    /// The gap has passed: an unfinished frame is dropped.
    void quiet() { pending_.clear(); }

private:
    bool requireCrc_;
    Micros gap_;
    Bytes pending_;
    Micros last_ = 0;
};

} // namespace sim
