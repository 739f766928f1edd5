#include "veltra/app/HexText.h"

namespace veltra {

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

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
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            break;
        out.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return out;
}

} // namespace veltra
