#pragma once
// Line settings to and from a termios value, without a device, so every
// case can be checked in a test (a pseudo-terminal forces 8 data bits and
// drops parity, so it cannot show most of them).
//
// The speed is not part of these: exact rates go through termios2
// (Termios2.h) once the flags are set.

#include "serial/PortSettings.h"

#include <termios.h>

#include <cstdint>
#include <optional>

namespace serial {

/// Raw transfer: no echo, no canonical input, no signals, no input or
/// output translation; receiver on, modem control lines ignored for
/// opening (CREAD|CLOCAL); reads return what is there (VMIN 1, VTIME 0, on
/// the non-blocking descriptor).
/// Data bits, parity, stop bits and flow control are left alone.
termios withRawMode(termios t);

/// @return t with 5 to 8 data bits, or nothing for any other count.
std::optional<termios> withDataBits(termios t, int bits);

/// @param code parity code (parity::None ... parity::Space); mark and
///        space use CMSPAR.
/// @param check input parity checking (INPCK).
/// @return nothing for an unknown code.
std::optional<termios> withParity(termios t, std::uint8_t code, bool check);

/// @return t with one or two stop bits; nothing for one and a half (no
///         Linux equivalent) or an unknown code.
std::optional<termios> withStopBits(termios t, std::uint8_t code);

/// XON/XOFF (IXON, IXOFF, VSTART, VSTOP) and RTS/CTS (CRTSCTS, turned on
/// by ctsOutFlow or an RTS handshake). Modem lines are not touched here.
/// @return nothing for what Linux cannot do: DSR output flow, a DTR
///         handshake.
std::optional<termios> withFlowControl(termios t, const LineSettings& line);

/// All of the above in turn.
/// @return nothing if any part is refused.
std::optional<termios> withLineSettings(termios t, const LineSettings& line);

/// Reads a termios back into line settings.
/// @param baud the output speed from termios2 (glibc reports a BOTHER
///        speed only as a code).
/// @param modemLines TIOCMGET bits, or nothing when the device has no
///        modem lines (DTR and RTS then read as Enable).
LineSettings lineSettingsFrom(const termios& t, std::uint32_t baud, std::optional<int> modemLines);

} // namespace serial
