#include "veltra/app/HexText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using veltra::parseHexText;

TEST(HexText, ParsesPairsUntilThePairThatIsNotTwoDigits)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::uint8_t> bytes;
    };
    const std::string longText = [] {
        std::string t;
        for (int i = 0; i < 150; ++i)
            t += "A5 ";
        return t;
    }();
    const Case cases[] = {
        {"spaced pairs", "01 02 0A", {0x01, 0x02, 0x0A}},
        {"pairs without separator", "0102", {0x01, 0x02}},
        {"lone final digit ignored", "01 2", {0x01}},
        {"a space inside the first pair", "1 02", {}},
        {"letters beyond F end it", "01 zz 02", {0x01}},
        {"a line break ends it", "01 02\r\n03", {0x01, 0x02}},
        {"appended CR LF adds nothing", "01 02\r\n", {0x01, 0x02}},
        {"a tab ends it", "01\t02", {0x01}},
        {"lower case", "ab Cd ef", {0xAB, 0xCD, 0xEF}},
        {"leading and repeated spaces", "  7f   80 ", {0x7F, 0x80}},
        {"empty", "", {}},
        {"only spaces", "   ", {}},
        {"pair split by the end of a word", "012 3", {0x01}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseHexText(c.text), c.bytes);
    }
    // More than 100 pairs: every one of them.
    EXPECT_EQ(parseHexText(longText), std::vector<std::uint8_t>(150, 0xA5));
}
