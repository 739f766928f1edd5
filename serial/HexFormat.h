#pragma once
// Bytes as hex text, for everything that shows them (the receive views,
// the send areas, the command preview, a checksum suffix). The reader of
// such text is hexDigitValue in serial/HexDigit.h.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace serial {

/// Where the one space of each byte goes.
enum class HexSpacing {
    AfterEach,  // "01 AB ": text that more bytes may follow
    Between,    // "01 AB": a whole frame
    BeforeEach, // " 01 AB": bytes appended to a text
};

/// Two upper-case digits per byte, with one space each placed as spacing
/// says; "" for no bytes.
std::string formatHex(const std::uint8_t* bytes, std::size_t count, HexSpacing spacing = HexSpacing::AfterEach);
inline std::string formatHex(const std::vector<std::uint8_t>& bytes, HexSpacing spacing = HexSpacing::AfterEach)
{
    return formatHex(bytes.data(), bytes.size(), spacing);
}

} // namespace serial
