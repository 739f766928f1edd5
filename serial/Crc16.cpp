#include "serial/Crc16.h"

namespace serial {

std::uint16_t crc16Modbus(const std::uint8_t* data, std::size_t n)
{
    std::uint16_t reg = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        reg ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1u) ? static_cast<std::uint16_t>((reg >> 1) ^ 0xA001u) : static_cast<std::uint16_t>(reg >> 1);
    }
    return reg;
}

} // namespace serial
