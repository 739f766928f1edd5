#pragma once
// The port-setting lists of the main window (2000 to 2003). Settings are
// kept as list positions; these tables give the window its items and the
// port its line settings.

#include "dialog/ValueList.h"
#include "serial/PortSettings.h"

#include <cstdint>

namespace quillon {

// The rates after 115200 are today's adapters'; they come last, as a
// stored set.log keeps positions.
inline constexpr dialog::ListEntry<std::uint32_t> kBaudList[] = {
    {"110", 110},       {"300", 300},         {"600", 600},         {"1200", 1200},       {"2400", 2400},
    {"4800", 4800},     {"9600", 9600},       {"14400", 14400},     {"19200", 19200},     {"38400", 38400},
    {"56000", 56000},   {"57600", 57600},     {"115200", 115200},   {"230400", 230400},   {"460800", 460800},
    {"921600", 921600}, {"1000000", 1000000}, {"1500000", 1500000}, {"2000000", 2000000}, {"3000000", 3000000},
};

inline constexpr dialog::ListEntry<std::uint8_t> kDataBitsList[] = {{"6", 6}, {"7", 7}, {"8", 8}};

inline constexpr dialog::ListEntry<std::uint8_t> kParityList[] = {
    {"无", serial::parity::None},   {"奇校验", serial::parity::Odd},     {"偶校验", serial::parity::Even},
    {"Mark", serial::parity::Mark}, {"空格校验", serial::parity::Space},
};

inline constexpr dialog::ListEntry<std::uint8_t> kStopBitsList[] = {
    {"1", serial::stopbits::One}, {"1.5", serial::stopbits::OneAndHalf}, {"2", serial::stopbits::Two}};

} // namespace quillon
