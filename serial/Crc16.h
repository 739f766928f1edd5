#pragma once
// The CRC-16 that serial-line protocols close their frames with.

#include <cstddef>
#include <cstdint>

namespace serial {

/// CRC-16/MODBUS over n bytes: register 0xFFFF, reflected polynomial
/// 0xA001, no final XOR; FFFF for no bytes. Frames carry it low byte first.
std::uint16_t crc16Modbus(const std::uint8_t* data, std::size_t n);

} // namespace serial
