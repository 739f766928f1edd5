#pragma once
// The port-setting lists of the main window (1001 to 1005): what each entry
// shows and the line setting it stands for, and the entry each list starts
// on, by value.

#include "dialog/ValueList.h"
#include "serial/PortSettings.h"

#include <cstdint>

namespace veltra {

/// What the flow-control list chooses.
enum class FlowMode { XonXoff, Hardware, None };

inline constexpr dialog::ListEntry<std::uint32_t> kBaudList[] = {
    {"110", 110},         {"300", 300},       {"600", 600},         {"1200", 1200},       {"2400", 2400},
    {"4800", 4800},       {"9600", 9600},     {"19200", 19200},     {"38400-CFG", 38400}, {"56000", 56000},
    {"57600", 57600},     {"115200", 115200}, {"128000", 128000},   {"230400", 230400},   {"256000", 256000},
    {"460800", 460800},   {"921600", 921600}, {"1000000", 1000000}, {"1500000", 1500000}, {"2000000", 2000000},
    {"3000000", 3000000},
};
inline constexpr std::uint32_t kInitialBaud = 9600;

inline constexpr dialog::ListEntry<std::uint8_t> kDataBitsList[] = {{"4", 4}, {"5", 5}, {"6", 6}, {"7", 7}, {"8", 8}};
inline constexpr std::uint8_t kInitialDataBits = 8;

inline constexpr dialog::ListEntry<std::uint8_t> kParityList[] = {
    {"偶", serial::parity::Even},   {"奇", serial::parity::Odd},     {"无", serial::parity::None},
    {"标志", serial::parity::Mark}, {"空格", serial::parity::Space},
};
inline constexpr std::uint8_t kInitialParity = serial::parity::None;

inline constexpr dialog::ListEntry<std::uint8_t> kStopBitsList[] = {
    {"1", serial::stopbits::One}, {"1.5", serial::stopbits::OneAndHalf}, {"2", serial::stopbits::Two}};
inline constexpr std::uint8_t kInitialStopBits = serial::stopbits::One;

inline constexpr dialog::ListEntry<FlowMode> kFlowList[] = {
    {"Xon/Xoff", FlowMode::XonXoff}, {"硬件", FlowMode::Hardware}, {"无", FlowMode::None}};
inline constexpr FlowMode kInitialFlow = FlowMode::None;

static_assert(dialog::positionOf(kBaudList, kInitialBaud) >= 0 &&
                  dialog::positionOf(kDataBitsList, kInitialDataBits) >= 0 &&
                  dialog::positionOf(kParityList, kInitialParity) >= 0 &&
                  dialog::positionOf(kStopBitsList, kInitialStopBits) >= 0 &&
                  dialog::positionOf(kFlowList, kInitialFlow) >= 0,
              "every list starts on one of its entries");

} // namespace veltra
