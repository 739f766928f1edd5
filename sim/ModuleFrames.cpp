#include "sim/ModuleFrames.h"

#include "veltra/command/CommandFrame.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kDataQuery = 0x10;
constexpr std::uint8_t kParameterQuery = 0x20;
constexpr std::uint8_t kDeviceControl = 0x15;
constexpr std::uint8_t kParameterChange = 0x22;

bool isTypeCode(std::uint8_t b)
{
    return b == kDataQuery || b == kParameterQuery || b == kDeviceControl || b == kParameterChange;
}

// Whether a frame of the type may have body bytes (all before the CRC).
bool bodyFits(std::uint8_t type, std::size_t body, bool withCrc)
{
    switch (type) {
    case kDataQuery:
    case kParameterQuery: return body == 7;
    case kDeviceControl: // port, then a level byte from the list or a typed parameter
        return withCrc ? body >= 7 : body == 7 || body == 8;
    case kParameterChange: // mode, function, then a parameter of 1, 2 or 4 listed bytes or typed
        return withCrc ? body >= 8 : body == 8 || body == 9 || body == 10 || body == 12;
    default: return false;
    }
}

bool crcHolds(const std::uint8_t* bytes, std::size_t size)
{
    const std::uint16_t crc = veltra::command::commandCrc16(bytes, size - 2);
    return bytes[size - 2] == (crc & 0xFFu) && bytes[size - 1] == (crc >> 8);
}

} // namespace

std::optional<ModuleFrame> parseModuleFrame(const std::uint8_t* bytes, std::size_t size, bool requireCrc)
{
    if (size < kMinModuleFrame || size > kMaxModuleFrame || !isTypeCode(bytes[0]) || bytes[1] != size)
        return std::nullopt;
    const bool crc = size >= kMinModuleFrame + 2 && crcHolds(bytes, size);
    if ((requireCrc && !crc) || !bodyFits(bytes[0], crc ? size - 2 : size, crc))
        return std::nullopt;
    ModuleFrame f;
    f.type = bytes[0];
    std::copy(bytes + 2, bytes + 6, f.address.begin());
    if (f.type == kParameterChange) {
        if (bytes[6] > 1)
            return std::nullopt;
        f.function = bytes[7];
    } else {
        f.function = bytes[6];
    }
    f.crc = crc;
    return f;
}

Bytes acknowledgement(const ModuleFrame& f)
{
    Bytes out{f.type, 0x0A};
    out.insert(out.end(), f.address.begin(), f.address.end());
    out.push_back(f.function);
    out.push_back(0x00);
    const std::uint16_t crc = veltra::command::commandCrc16(out.data(), out.size());
    out.push_back(static_cast<std::uint8_t>(crc & 0xFFu));
    out.push_back(static_cast<std::uint8_t>(crc >> 8));
    return out;
}

ModuleFrameReader::ModuleFrameReader(bool requireCrc, Micros gap) : requireCrc_(requireCrc), gap_(gap) {}

std::vector<ModuleFrame> ModuleFrameReader::feed(const std::uint8_t* data, std::size_t size, Micros now)
{
    if (!pending_.empty() && now - last_ >= gap_)
        pending_.clear();
    pending_.insert(pending_.end(), data, data + size);
    last_ = now;
    std::vector<ModuleFrame> frames;
    std::size_t at = 0;
    while (at < pending_.size()) {
        const std::size_t left = pending_.size() - at;
        if (!isTypeCode(pending_[at]) ||
            (left >= 2 && (pending_[at + 1] < kMinModuleFrame || pending_[at + 1] > kMaxModuleFrame))) {
            ++at;
            continue;
        }
        if (left < 2 || left < pending_[at + 1])
            break; // the rest of the frame is still to come
        const std::size_t length = pending_[at + 1];
        if (auto f = parseModuleFrame(pending_.data() + at, length, requireCrc_)) {
            frames.push_back(*f);
            at += length;
        } else {
            ++at; // the length byte lied: look for a frame inside
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    return frames;
}

std::optional<Micros> ModuleFrameReader::deadline() const
{
    if (pending_.empty())
        return std::nullopt;
    return last_ + gap_;
}

} // namespace sim
