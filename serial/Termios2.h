#pragma once
// Exact line speeds through the kernel's termios2 interface.
//
// The kernel's termios2 structure and the speed flag BOTHER come from
// <asm/termbits.h>, which redefines glibc's struct termios. The two headers
// cannot meet in one translation unit, so everything termios2 lives in
// Termios2.cpp behind these plain functions over integers.

#include <cstdint>

namespace serial::termios2 {

/// Reads the input and output speeds in bits per second (TCGETS2).
/// @return 0, or the errno of the failed ioctl.
int readSpeeds(int fd, std::uint32_t& inBaud, std::uint32_t& outBaud);

/// Sets both speeds to baud (TCGETS2, then TCSETS2), keeping every other
/// setting. A rate with a classic Bnnn code is set by that code so tools
/// reading glibc's speed still see it; any other rate is set as BOTHER.
/// @return 0, or the errno of the failed ioctl (EINVAL for baud 0).
int setSpeed(int fd, std::uint32_t baud);

/// As setSpeed, with distinct input and output speeds (used to put back a
/// port's original speeds).
int setSpeeds(int fd, std::uint32_t inBaud, std::uint32_t outBaud);

} // namespace serial::termios2
