#pragma once
// GBK bytes to UTF-16 for what the receive views show. The views convert
// only what they draw or measure, piece by piece, so one character at a
// time must convert as the whole text would (fromSurface).

#include <QString>

#include <cstddef>
#include <vector>

namespace dialog::qt {

struct GbkChar {
    char16_t unit;
    int bytes; // 1 or 2
};

/// The character at p; a byte that starts no GBK character becomes U+FFFD.
GbkChar decodeGbkAt(const char* p, std::size_t left);

/// n bytes as shown; byteAt, when asked for, gets the offset of each
/// UTF-16 unit and of the end.
QString decodeGbk(const char* bytes, std::size_t n, std::vector<int>* byteAt = nullptr);

} // namespace dialog::qt
