#include "sim/RtuFrames.h"

#include "serial/Crc16.h"

#include <algorithm>

namespace sim {

Micros rtuSilence(int baud)
{
    if (baud > 19200 || baud <= 0)
        return 1750;
    // 3.5 characters of 11 bits: 38.5 bit times, in microseconds.
    return (38'500'000 + baud - 1) / baud;
}

RtuFramer::RtuFramer(Micros silence) : silence_(silence) {}

void RtuFramer::feed(const std::uint8_t* data, std::size_t size, Micros now)
{
    if (size == 0)
        return;
    const std::size_t room = kMaxRtuFrame - pending_.size();
    pending_.insert(pending_.end(), data, data + std::min(size, room));
    tooLong_ = tooLong_ || size > room;
    last_ = now;
}

std::optional<Micros> RtuFramer::deadline() const
{
    if (pending_.empty())
        return std::nullopt;
    return last_ + silence_;
}

std::optional<Bytes> RtuFramer::quiet()
{
    Bytes frame;
    frame.swap(pending_);
    const bool tooLong = tooLong_;
    tooLong_ = false;
    if (tooLong || frame.empty())
        return std::nullopt;
    return frame;
}

// The CRC counts at most 255 bytes, which every frame up to kMaxRtuFrame
// keeps to.
bool rtuCrcHolds(const Bytes& frame)
{
    if (frame.size() < 3)
        return false;
    const std::uint16_t crc = serial::crc16Modbus(frame.data(), frame.size() - 2);
    return frame[frame.size() - 2] == (crc & 0xFFu) && frame[frame.size() - 1] == (crc >> 8);
}

Bytes withRtuCrc(Bytes frame)
{
    const std::uint16_t crc = serial::crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFFu));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes modbusException(std::uint8_t slave, std::uint8_t function, std::uint8_t code)
{
    return withRtuCrc({slave, static_cast<std::uint8_t>(function | 0x80u), code});
}

bool servedFunction(std::uint8_t function)
{
    // clang-format off
    switch (function) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06:
    case 0x0F: case 0x10: case 0x11: case 0x16: case 0x17:
        return true;
    default:
        return false;
    }
    // clang-format on
}

bool servedFrameFits(const Bytes& f)
{
    // Slave id, function, the fields, CRC; a byte count, where there is
    // one, gives the data bytes after it.
    const std::size_t n = f.size();
    switch (n >= 2 ? f[1] : 0) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06: return n == 8;
    case 0x0F:
    case 0x10: return n >= 9 && n == 9u + f[6];
    case 0x11: return n == 4;
    case 0x16: return n == 10;
    case 0x17: return n >= 13 && n == 13u + f[10];
    default: return false;
    }
}

} // namespace sim
