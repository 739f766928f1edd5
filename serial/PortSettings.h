#pragma once
// Line settings of one serial port, in the codes both programs use.

#include <cstdint>
#include <string>

namespace serial {

// Codes as the programs pass them. Values outside the named ones are kept
// as they are (a list position of -1 arrives as 255) and refused by the
// device when the settings are applied.
namespace parity {
inline constexpr std::uint8_t None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4;
}
namespace stopbits {
inline constexpr std::uint8_t One = 0, OneAndHalf = 1, Two = 2;
}

enum class LineControl : std::uint8_t {
    Disable,   // line low while open
    Enable,    // line high while open
    Handshake, // hardware flow control on this line
};

/// The line settings record of an open port: read from the device, changed
/// by the caller, written back. Fields a caller leaves alone keep what the
/// device reported.
struct LineSettings {
    std::uint32_t baudRate = 9600;
    std::uint8_t dataBits = 8;
    std::uint8_t parity = parity::None;
    std::uint8_t stopBits = stopbits::One;
    bool parityCheck = false; // input parity checking (INPCK)
    bool ctsOutFlow = false;  // output held while CTS is low (CRTSCTS)
    bool dsrOutFlow = false;  // output held while DSR is low (not on Linux: refused)
    LineControl dtr = LineControl::Enable;
    LineControl rts = LineControl::Enable;
    bool xonXoffOut = false; // IXON
    bool xonXoffIn = false;  // IXOFF
    std::uint8_t xonChar = 0x11;
    std::uint8_t xoffChar = 0x13;

    bool operator==(const LineSettings&) const = default;
};

/// Time-outs in milliseconds. Only the write total (multiplier x bytes +
/// constant) bounds an operation on Linux; reads never wait.
struct WriteTimeout {
    std::uint32_t perByteMs = 0;
    std::uint32_t constantMs = 0;
};

/// A port as a program names it ("COM3") with the settings it was opened with.
struct PortSettings {
    std::string portName;
    LineSettings line;
};

} // namespace serial
