#pragma once
// Which line setting a port cannot give, and why, in words for the user.
// Settings no Linux driver has are refused before anything is applied; the
// rest are checked against what the port kept once they were applied (a
// pseudo-terminal keeps 8 data bits and no parity whatever it is asked,
// many USB adapters drop mark and space parity).

#include "serial/PortSettings.h"

#include <cstdint>
#include <optional>
#include <string>

namespace serial {

enum class LineSetting : std::uint8_t { Baud, DataBits, Parity, StopBits, FlowControl };

struct LineRefusal {
    LineSetting setting;
    bool byLinux; // no Linux serial driver gives it; else this port did not keep it
    LineSettings wanted;
    LineSettings kept; // as read back from the port (when !byLinux)
};

/// What Linux cannot do at all: 1.5 stop bits, data bits outside 5..8,
/// unknown parity or stop codes, DSR output flow, a DTR handshake, baud 0.
std::optional<LineRefusal> refusedByLinux(const LineSettings& wanted);

/// The first of baud, data bits, parity, stop bits and flow control (RTS/CTS,
/// XON/XOFF out, XON/XOFF in) that the port did not keep. A rate within 1%
/// of the one asked counts as kept: drivers report the rate their divisor
/// gives, and a UART frames bytes well within that.
std::optional<LineRefusal> notKept(const LineSettings& wanted, const LineSettings& kept);

/// The refusal in Chinese (UTF-8), naming the setting.
std::string refusalReason(const LineRefusal& refusal);

} // namespace serial
