// Quillon's hex text codec on any typed text: exactly digits and spaces are
// accepted, each group gives one byte per two digits, and rendered bytes
// read back as themselves.

#include "FuzzCommon.h"

#include "quillon/send/HexTextCodec.h"
#include "serial/HexFormat.h"

#include <algorithm>

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool strip = data[0] & 1;
    const std::string typed = fuzz::text(data + 1, size - 1);

    std::vector<std::uint8_t> out;
    const HexResult result = parseHex(typed, strip, out);
    std::size_t expected = 0, group = 0;
    bool clean = true;
    for (char c : typed + ' ') {
        if (strip && (c == '\t' || c == '\r' || c == '\n'))
            continue;
        if (c == ' ') {
            expected += (group + 1) / 2;
            group = 0;
        } else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) {
            ++group;
        } else {
            clean = false;
        }
    }
    FUZZ_CHECK((result == HexResult::Ok) == clean, "accepted exactly when digits and spaces only");
    FUZZ_CHECK(out.size() == (clean ? expected : 0), "one byte per digit pair, none on failure");

    std::vector<std::uint8_t> back;
    if (clean)
        FUZZ_CHECK(parseHex(serial::formatHex(out), false, back) == HexResult::Ok && back == out,
                   "parsed bytes round trip");
    const std::vector<std::uint8_t> raw(data, data + size);
    std::string rendered = serial::formatHex(raw);
    FUZZ_CHECK(parseHex(rendered, strip, back) == HexResult::Ok && back == raw, "any bytes round trip");
    std::erase(rendered, ' ');
    FUZZ_CHECK(parseHex(rendered, strip, back) == HexResult::Ok && back == raw, "one group pairs all its digits");

    const std::string upper = upperCased(typed);
    FUZZ_CHECK(upper.size() == typed.size(), "upper-casing keeps the length");
    FUZZ_CHECK(upperCased(upper) == upper, "upper-casing is idempotent");
    return 0;
}
