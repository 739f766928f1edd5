#pragma once
// Veltra's hex text readers: pairs of digits, either case, spaces between
// pairs. parseHexText stops at the first pair that is not two digits;
// readHexBytes takes a text only when it is whole bytes, and otherwise says
// where it stops being so.

#include <cstddef>
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

/// Where a text stops being whole hex bytes.
struct HexFault {
    enum Kind { None, NotHexDigit, LoneDigit };
    Kind kind = None;
    std::size_t at = 0; // byte offset of the character at fault
};

struct HexBytes {
    std::vector<std::uint8_t> bytes; // empty when there is a fault
    HexFault fault;
    bool whole() const { return fault.kind == HexFault::None; }
};

/// The bytes of hex text read whole: pairs of digits, either case, with or
/// without blanks (space, tab, CR, LF) between them; a blank may not split
/// a pair. The first character that is neither a digit nor a blank, or a
/// digit without its partner, is the fault, and no bytes are given.
HexBytes readHexBytes(std::string_view text);

} // namespace veltra
