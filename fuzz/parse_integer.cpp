// The integer reading of the data exchange against the standard library's
// reading of the same text: blanks around, an optional sign, decimal
// digits, 32 bits, and no signed zero.

#include "FuzzCommon.h"

#include "dialog/DataExchange.h"

#include <charconv>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string typed = fuzz::text(data, size);
    const std::optional<int> got = dialog::parseInteger(typed);

    std::string_view t = std::string_view(typed).substr(0, 31);
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    const bool signedText = !t.empty() && (t.front() == '+' || t.front() == '-');
    if (!t.empty() && t.front() == '+' && t.size() > 1 && t[1] != '-')
        t.remove_prefix(1); // from_chars takes no plus sign
    int value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    std::optional<int> expected;
    if (!t.empty() && ec == std::errc() && end == t.data() + t.size() && !(value == 0 && signedText))
        expected = value;
    FUZZ_CHECK(got == expected, "reads as the standard reading does");
    if (got)
        FUZZ_CHECK(dialog::parseInteger(dialog::formatInteger(*got)) == got, "a shown integer reads back");
    return 0;
}
