#include "quillon/send/Checksum.h"

#include "quillon/QuillonIds.h"
#include "serial/HexFormat.h"

#include <array>

namespace quillon {

std::uint8_t crc8(const std::uint8_t* data, std::size_t n)
{
    std::uint8_t reg = 0;
    for (std::size_t i = 0; i < n; ++i) {
        reg ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 0x80) ? static_cast<std::uint8_t>((reg << 1) ^ 0x07) : static_cast<std::uint8_t>(reg << 1);
    }
    return reg;
}

std::uint8_t sum8(const std::uint8_t* data, std::size_t n)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += data[i];
    return static_cast<std::uint8_t>(sum);
}

std::uint8_t xor8(const std::uint8_t* data, std::size_t n)
{
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < n; ++i)
        x ^= data[i];
    return x;
}

namespace {

constexpr std::array<std::uint32_t, 256> makeCrc32Table()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr auto kCrc32Table = makeCrc32Table();

} // namespace

std::uint32_t crc32(const std::uint8_t* data, std::size_t n)
{
    std::uint32_t reg = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i)
        reg = kCrc32Table[(reg ^ data[i]) & 0xFF] ^ (reg >> 8);
    return ~reg;
}

std::vector<std::uint8_t> checksumBytes(ChecksumKind kind, const std::vector<std::uint8_t>& data)
{
    const std::uint8_t* p = data.data();
    const std::size_t n = data.size();
    auto byte = [](std::uint32_t v, int shift) { return static_cast<std::uint8_t>((v >> shift) & 0xFF); };
    switch (kind) {
    case ChecksumKind::Crc16LowFirst: {
        const std::uint16_t c = crc16Modbus(p, n);
        return {byte(c, 0), byte(c, 8)};
    }
    case ChecksumKind::Crc16HighFirst: {
        const std::uint16_t c = crc16Modbus(p, n);
        return {byte(c, 8), byte(c, 0)};
    }
    case ChecksumKind::Crc8: return {crc8(p, n)};
    case ChecksumKind::Sum: return {sum8(p, n)};
    case ChecksumKind::Xor: return {xor8(p, n)};
    case ChecksumKind::Crc32LowFirst: {
        const std::uint32_t c = crc32(p, n);
        return {byte(c, 0), byte(c, 8), byte(c, 16), byte(c, 24)};
    }
    case ChecksumKind::Crc32HighFirst: {
        const std::uint32_t c = crc32(p, n);
        return {byte(c, 24), byte(c, 16), byte(c, 8), byte(c, 0)};
    }
    }
    return {};
}

std::string checksumSuffix(ChecksumKind kind, const std::vector<std::uint8_t>& data)
{
    return serial::formatHex(checksumBytes(kind, data), serial::HexSpacing::BeforeEach);
}

void ChecksumDialog::onInit()
{
    for (int i = 0; i < kChecksumKinds; ++i)
        surface_->setCheck(kChecksumFirstRadio + i, i == kind ? 1 : 0);
}

void ChecksumDialog::dispatch(int id, dialog::Notification n)
{
    if (n != dialog::Notification::Clicked)
        return;
    if (id == IdOk) {
        for (int i = 0; i < kChecksumKinds; ++i)
            if (surface_->check(kChecksumFirstRadio + i) == 1)
                kind = i;
        surface_->endDialog(IdOk);
    } else if (id == IdCancel) {
        surface_->endDialog(IdCancel);
    }
}

bool ChecksumDialog::onCloseRequest()
{
    surface_->endDialog(IdCancel);
    return true;
}

} // namespace quillon
