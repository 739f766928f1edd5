#pragma once
// Veltra's hex text parser: pairs of digits, either case, spaces between
// pairs; the first pair that is not two digits ends the conversion.

#include <cstdint>
#include <string_view>
#include <vector>

namespace veltra {

/// The bytes of hex text. Spaces (0x20 only) between pairs are skipped; a
/// lone last character is ignored; a pair holding anything but two hex
/// digits (a space, a tab, a line break, a letter beyond F) ends the
/// conversion, and the bytes before it are the result. Never truncated:
/// the result holds every pair the text has.
std::vector<std::uint8_t> parseHexText(std::string_view text);

} // namespace veltra
