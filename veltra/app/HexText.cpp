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

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
} // namespace

HexBytes readHexBytes(std::string_view text)
{
    HexBytes out;
    const auto fail = [&out](HexFault::Kind kind, std::size_t at) {
        out.bytes.clear();
        out.fault = {kind, at};
        return out;
    };
    out.bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size();) {
        if (isBlank(text[i])) {
            ++i;
            continue;
        }
        const int high = serial::hexDigitValue(text[i]);
        if (high < 0)
            return fail(HexFault::NotHexDigit, i);
        if (i + 1 == text.size() || isBlank(text[i + 1]))
            return fail(HexFault::LoneDigit, i);
        const int low = serial::hexDigitValue(text[i + 1]);
        if (low < 0)
            return fail(HexFault::NotHexDigit, i + 1);
        out.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        i += 2;
    }
    return out;
}

} // namespace veltra
