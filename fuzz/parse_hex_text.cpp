// Veltra's hex text parser on any typed text: either case reads the same,
// what was read renders back to text that reads the same, and text after
// the point where conversion stopped changes nothing.

#include "FuzzCommon.h"

#include "serial/HexFormat.h"
#include "veltra/app/HexText.h"

using namespace veltra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string typed = fuzz::text(data, size);
    const std::vector<std::uint8_t> out = parseHexText(typed);
    FUZZ_CHECK(out.size() <= typed.size() / 2, "at most one byte per two characters");

    std::string upper = typed;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    FUZZ_CHECK(parseHexText(upper) == out, "case does not matter");
    FUZZ_CHECK(parseHexText(typed + "zz") == out, "a pair that is not hex ends the conversion");
    FUZZ_CHECK(parseHexText(serial::formatHex(out)) == out, "parsed bytes round trip");
    const std::vector<std::uint8_t> raw(data, data + size);
    std::string rendered = serial::formatHex(data, size);
    FUZZ_CHECK(parseHexText(rendered) == raw, "any bytes round trip");
    std::erase(rendered, ' ');
    FUZZ_CHECK(parseHexText(rendered) == raw, "pairs need no spaces between them");
    return 0;
}
