#pragma once
// Hex text as the user types it ("01 03 00 0A") to bytes and back.
// Upper-case digits only, spaces the only separator, no prefixes.

#include "serial/HexFormat.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class HexResult : int {
    Ok = 0,
    InvalidHexCharacter = 2,
};

/// Parses hex text: digits pair up from the left within each group of
/// non-space characters; a group of odd length ends in a byte holding its
/// last digit alone ("ABC" gives AB 0C). With stripLineBreaks, tabs, CR and
/// LF are deleted first (so digits on both sides of a line break join).
/// @param out receives the bytes; cleared on failure.
/// @return InvalidHexCharacter for any character that is neither a digit
///         nor a space (lower case included): the whole text is rejected.
HexResult parseHex(std::string text, bool stripLineBreaks, std::vector<std::uint8_t>& out);

/// Where parseHex rejects text: the byte offset of its first character
/// that is neither a digit nor a space (nor, with stripLineBreaks, a tab, CR
/// or LF); nothing when parseHex takes it.
std::optional<std::size_t> firstNonHexCharacter(std::string_view text, bool stripLineBreaks);

/// ASCII letters upper-cased, as hex text is before it is parsed; GBK
/// double-byte characters left whole, since their second byte may look like
/// a lower-case letter.
std::string upperCased(std::string text);

/// Two upper-case digits and one space per byte ("01 AB ").
using serial::formatHex;

} // namespace quillon
