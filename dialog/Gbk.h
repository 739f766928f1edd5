#pragma once
// GBK is the text encoding inside both programs (files, typed text for the
// line, control texts); widgets and the file system speak UTF-8. The two
// conversions happen at those boundaries only.

#include <cstddef>
#include <string>
#include <string_view>

namespace dialog {

/// UTF-8 to GBK. A character GBK cannot hold becomes '?'; malformed UTF-8
/// bytes become '?' too.
std::string toGbk(std::string_view utf8);

/// GBK to UTF-8. A byte sequence that is not GBK becomes U+FFFD.
std::string fromGbk(std::string_view gbk);

/// Whether a byte starts a GBK double-byte character. Its second byte may
/// look like an ASCII letter or a backslash, so byte-wise text handling
/// must step over the pair.
inline bool isGbkLeadByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x81 && u <= 0xFE;
}

/// The length of text without a last byte that is the first half of a
/// double-byte character (one whose second byte has not come yet); text
/// starts at a character.
std::size_t wholeGbkLength(std::string_view text);

/// Shorthand for the program's own texts, written in UTF-8 in the source.
inline std::string gbk(std::string_view utf8) { return toGbk(utf8); }

} // namespace dialog
