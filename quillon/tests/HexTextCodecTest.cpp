#include "quillon/send/HexTextCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using quillon::formatHex;
using quillon::HexResult;
using quillon::parseHex;
using quillon::upperCased;

namespace {
using Bytes = std::vector<std::uint8_t>;
}

TEST(ParseHex, WorkedExamples)
{
    struct Case {
        const char* name;
        std::string text;
        bool strip;
        HexResult result;
        Bytes bytes;
    };
    const Case cases[] = {
        {"spaced pairs", "01 03 00 00 00 0A", false, HexResult::Ok, {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}},
        {"odd group ends in a lone digit", "ABC", false, HexResult::Ok, {0xAB, 0x0C}},
        {"single digit", "F", false, HexResult::Ok, {0x0F}},
        {"groups pair from the left", "0102 03", false, HexResult::Ok, {0x01, 0x02, 0x03}},
        {"single digits", "1 2 3", false, HexResult::Ok, {0x01, 0x02, 0x03}},
        {"five digits", "12345", false, HexResult::Ok, {0x12, 0x34, 0x05}},
        {"mixed groups", "1 23 456", false, HexResult::Ok, {0x01, 0x23, 0x45, 0x06}},
        {"empty", "", false, HexResult::Ok, {}},
        {"only spaces", "    ", true, HexResult::Ok, {}},
        {"spaces around", "  FF  ", false, HexResult::Ok, {0xFF}},
        {"lower case rejected", "a1", false, HexResult::InvalidHexCharacter, {}},
        {"upper-cased", "A1", false, HexResult::Ok, {0xA1}},
        {"prefix rejected", "0X01", true, HexResult::InvalidHexCharacter, {}},
        {"comma rejected", "01,02", false, HexResult::InvalidHexCharacter, {}},
        {"letter after F", "0G", false, HexResult::InvalidHexCharacter, {}},
        {"double-byte character", "01 \xD6\xD0", true, HexResult::InvalidHexCharacter, {}},
        {"complete pairs across a line break", "01\r\n02", true, HexResult::Ok, {0x01, 0x02}},
        {"digits join across a line break", "1\r\n2", true, HexResult::Ok, {0x12}},
        {"tab stripped", "1\t2", true, HexResult::Ok, {0x12}},
        {"line break fails without stripping", "01\r\n02", false, HexResult::InvalidHexCharacter, {}},
        {"tab fails without stripping", "01\t02", false, HexResult::InvalidHexCharacter, {}},
        {"zero byte", std::string("01\0", 3), false, HexResult::InvalidHexCharacter, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out{0xEE};
        EXPECT_EQ(parseHex(c.text, c.strip, out), c.result);
        EXPECT_EQ(out, c.bytes);
        // The place a refusal names is found in exactly the texts refused.
        EXPECT_EQ(quillon::firstNonHexCharacter(c.text, c.strip).has_value(), c.result != HexResult::Ok);
    }
}

TEST(ParseHex, LeavesTheCallersTextAlone)
{
    const std::string text = "1\r\n2";
    Bytes out;
    parseHex(text, true, out);
    EXPECT_EQ(text, "1\r\n2");
}

TEST(FormatHex, TwoUpperCaseDigitsAndASpacePerByte)
{
    struct Case {
        const char* name;
        Bytes bytes;
        const char* text;
    };
    const Case cases[] = {
        {"empty", {}, ""},
        {"one byte", {0x0A}, "0A "},
        {"two bytes", {0x01, 0xAB}, "01 AB "},
        {"extremes", {0x00, 0xFF, 0x7F, 0x80}, "00 FF 7F 80 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatHex(c.bytes), c.text);
    }
}

TEST(HexCodec, EveryByteSurvivesFormatThenParse)
{
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    Bytes back;
    ASSERT_EQ(parseHex(formatHex(all), false, back), HexResult::Ok);
    EXPECT_EQ(back, all);
}

TEST(UpperCased, LettersOnlyAndNoGbkTrailByte)
{
    EXPECT_EQ(upperCased("0a ff"), "0A FF");
    EXPECT_EQ(upperCased("\x81\x61x"), "\x81\x61X"); // a GBK trail byte is no letter
}
