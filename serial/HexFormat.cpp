#include "serial/HexFormat.h"

namespace serial {

std::string formatHex(const std::uint8_t* bytes, std::size_t count, HexSpacing spacing)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (count == 0)
        return {};
    // Sized once and filled with the spaces: this runs on every received
    // chunk, so no appends and no second pass.
    std::string text(count * 3 - (spacing == HexSpacing::Between ? 1 : 0), ' ');
    char* out = text.data() + (spacing == HexSpacing::BeforeEach ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i, out += 3) {
        out[0] = kDigits[bytes[i] >> 4];
        out[1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace serial
