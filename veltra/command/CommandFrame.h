#pragma once
// One frame of the module protocol, composed as the hex text the preview
// shows and the send button converts: type code, length, address, the
// type's fields, the parameter and an optional CRC-16, low byte first.

#include "veltra/command/CommandCatalogue.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltra::command {

/// Most bytes a frame may have, CRC included; a longer one is not sent.
inline constexpr std::size_t kMaxFrameBytes = 100;

/// The choices a frame is built from.
struct FrameRequest {
    CommandKind kind = CommandKind::None;
    int functionPos = -1;  // selection of the function list, -1 none
    bool temporary = false; // "临时修改": change mode 00 instead of 01
    bool crc = false;       // "CRC16校验"
    std::string_view address;   // inserted as it stands
    std::string_view parameter; // hex text, inserted as it stands
};

struct ComposedFrame {
    /// The frame as hex text; empty for CommandKind::None.
    std::string text;
    /// Its length byte counts more than kMaxFrameBytes: the text is shown
    /// as composed, but not sent.
    bool tooLong = false;
};

/// The frame text: "TT LL " then the address and the type's fields, and
/// with crc " lo hi". The length counts the bytes the body converts to (a
/// typed address or parameter that is not clean hex counts up to where
/// conversion stops); the CRC covers the bytes the whole text converts to.
ComposedFrame composeFrame(const FrameRequest& request);

/// CRC-16 with the MODBUS parameters (reflected 8005, initial FFFF, no
/// final XOR) over the first count bytes, bit by bit. Only the low 8 bits
/// of count are used; a count of 0 gives FFFF.
std::uint16_t commandCrc16(const std::uint8_t* bytes, std::size_t count);

} // namespace veltra::command
