#pragma once
// The checksums a send area's frame can carry, and the small dialog that
// picks one.

#include "dialog/ControlSurface.h"
#include "dialog/ValueList.h"
#include "serial/Crc16.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace quillon {

enum class ChecksumKind : int {
    Crc16LowFirst = 0,
    Crc16HighFirst = 1,
    Crc8 = 2,
    Sum = 3,
    Xor = 4,
    Crc32LowFirst = 5,
    Crc32HighFirst = 6,
};

/// The checksum dialog's radio buttons, in order, and what each appends.
inline constexpr dialog::ListEntry<ChecksumKind> kChecksumList[] = {
    {"16 CRC，低字节在前", ChecksumKind::Crc16LowFirst},
    {"16 CRC，高字节在前", ChecksumKind::Crc16HighFirst},
    {"8 CRC", ChecksumKind::Crc8},
    {"总加和", ChecksumKind::Sum},
    {"加总异或", ChecksumKind::Xor},
    {"CRC32，低字节在前", ChecksumKind::Crc32LowFirst},
    {"CRC32，高字节在前", ChecksumKind::Crc32HighFirst},
};
inline constexpr int kChecksumKinds = static_cast<int>(std::size(kChecksumList));

/// CRC-16/MODBUS, the one both programs and the simulator use.
using serial::crc16Modbus;
/// CRC-8/SMBUS: polynomial 0x07, register 0, no reflection, no final XOR.
std::uint8_t crc8(const std::uint8_t* data, std::size_t n);
/// Sum of all bytes modulo 256.
std::uint8_t sum8(const std::uint8_t* data, std::size_t n);
/// XOR of all bytes.
std::uint8_t xor8(const std::uint8_t* data, std::size_t n);
/// The standard reflected CRC-32 (0xEDB88320, complemented).
std::uint32_t crc32(const std::uint8_t* data, std::size_t n);

/// The checksum's bytes in the order they are appended.
std::vector<std::uint8_t> checksumBytes(ChecksumKind kind, const std::vector<std::uint8_t>& data);

/// The text appended to a frame: a space and two digits per byte.
std::string checksumSuffix(ChecksumKind kind, const std::vector<std::uint8_t>& data);

/// The checksum dialog: seven radio buttons, the first chosen each time it
/// opens; OK reports the chosen one.
class ChecksumDialog final : public dialog::DialogLogic {
public:
    void bind(dialog::ControlSurface& s) override { surface_ = &s; }
    void onInit() override;
    void dispatch(int id, dialog::Notification n) override;
    void onTimer(int) override {}
    bool onCloseRequest() override;

    /// The chosen radio button, a position in kChecksumList.
    int kind = 0;

private:
    dialog::ControlSurface* surface_ = nullptr;
};

} // namespace quillon
