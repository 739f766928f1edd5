#include "serial/HexDigit.h"
#include "serial/HexFormat.h"

#include <gtest/gtest.h>

#include <vector>

using serial::formatHex;
using serial::HexSpacing;

TEST(HexFormat, SpacingPlacesOneSpacePerByte)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        HexSpacing spacing;
        const char* text;
    };
    const Case cases[] = {
        {"after, none", {}, HexSpacing::AfterEach, ""},
        {"after, extremes", {0x00, 0xFF, 0x7F, 0x80}, HexSpacing::AfterEach, "00 FF 7F 80 "},
        {"between, none", {}, HexSpacing::Between, ""},
        {"between, one", {0x0A}, HexSpacing::Between, "0A"},
        {"between, three", {0x01, 0xAB, 0xC5}, HexSpacing::Between, "01 AB C5"},
        {"before, none", {}, HexSpacing::BeforeEach, ""},
        {"before, two", {0xC5, 0xCD}, HexSpacing::BeforeEach, " C5 CD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatHex(c.bytes, c.spacing), c.text) << c.name;
}

TEST(HexFormat, EveryByteReadsBackThroughTheDigitReader)
{
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    const std::string text = formatHex(all);
    ASSERT_EQ(text.size(), all.size() * 3);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(serial::hexDigitValue(text[i * 3]) * 16 + serial::hexDigitValue(text[i * 3 + 1]), all[i]) << i;
}
