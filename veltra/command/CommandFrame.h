#pragma once
// One frame of the module protocol: type code, length, address, the type's
// fields, the parameter and an optional CRC-16, low byte first. The bytes
// and the hex text the preview shows are made together, so the send writes
// what is shown.

#include "veltra/app/HexText.h"
#include "veltra/command/CommandCatalogue.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltra::command {

/// Most bytes a frame may have, CRC included; a longer one is not sent.
inline constexpr std::size_t kMaxFrameBytes = 100;
/// Bytes of a device address, for every command type.
inline constexpr std::size_t kAddressBytes = 4;

/// The choices a frame is built from.
struct FrameRequest {
    CommandKind kind = CommandKind::None;
    int functionPos = -1;       // selection of the function list, -1 none
    bool temporary = false;     // "临时修改": change mode 00 instead of 01
    bool crc = false;           // "CRC16校验"
    std::string_view address;   // hex text, as listed or typed
    std::string_view parameter; // hex text, as listed or typed; may be empty
};

/// Why a request makes no frame.
enum class FrameProblem {
    None,
    NoAddress,     // the address is empty
    AddressText,   // the address is not whole hex bytes (see fault)
    AddressLength, // whole bytes, but not kAddressBytes of them
    ParameterText, // the parameter is not whole hex bytes (see fault)
};

struct ComposedFrame {
    /// The frame, empty for CommandKind::None or a problem.
    std::vector<std::uint8_t> bytes;
    /// The bytes as "XX" each, one space between, upper case.
    std::string text;
    FrameProblem problem = FrameProblem::None;
    HexFault fault;              // for AddressText and ParameterText
    std::size_t addressSize = 0; // for AddressLength
    /// More than kMaxFrameBytes: shown, but not sent.
    bool tooLong = false;
};

ComposedFrame composeFrame(const FrameRequest& request);

/// CRC-16 with the MODBUS parameters (reflected 8005, initial FFFF, no
/// final XOR) over the first count bytes, bit by bit. Only the low 8 bits
/// of count are used; a count of 0 gives FFFF.
std::uint16_t commandCrc16(const std::uint8_t* bytes, std::size_t count);

} // namespace veltra::command
