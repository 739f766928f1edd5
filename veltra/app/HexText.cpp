#include "veltra/app/HexText.h"

#include "serial/HexDigit.h"

namespace veltra {

std::vector<std::uint8_t> parseHexText(std::string_view text)
{
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 2);
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 == text.size())
            break;
        const int high = serial::hexDigitValue(text[i]);
        const int low = serial::hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            break;
        out.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return out;
}

} // namespace veltra
