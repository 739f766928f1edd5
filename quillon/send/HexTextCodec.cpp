#include "quillon/send/HexTextCodec.h"

#include "dialog/Gbk.h"
#include "serial/HexDigit.h"

#include <algorithm>

namespace quillon {

std::string upperCased(std::string text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (dialog::isGbkLeadByte(text[i]))
            ++i; // skip the trail byte
        else if (text[i] >= 'a' && text[i] <= 'z')
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
    return text;
}

HexResult parseHex(std::string text, bool stripLineBreaks, std::vector<std::uint8_t>& out)
{
    out.clear();
    if (stripLineBreaks)
        std::erase_if(text, [](char c) { return c == '\t' || c == '\r' || c == '\n'; });
    int run = 0;
    char previous = 0;
    for (char c : text) {
        if (c == ' ') {
            run = 0;
            continue;
        }
        const bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (!digit) {
            out.clear();
            return HexResult::InvalidHexCharacter;
        }
        ++run;
        if (run % 2 == 1)
            out.push_back(static_cast<std::uint8_t>(serial::hexDigitValue(c)));
        else
            out.back() = static_cast<std::uint8_t>(16 * serial::hexDigitValue(previous) + serial::hexDigitValue(c));
        previous = c;
    }
    return HexResult::Ok;
}

std::optional<std::size_t> firstNonHexCharacter(std::string_view text, bool stripLineBreaks)
{
    // A double-byte character's first byte is no digit, so the pair is
    // found before its second byte could be taken for one.
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool lineBreak = c == '\t' || c == '\r' || c == '\n';
        if (c != ' ' && !(stripLineBreaks && lineBreak) && !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return i;
    }
    return std::nullopt;
}

} // namespace quillon
