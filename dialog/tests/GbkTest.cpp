#include "dialog/Gbk.h"

#include <gtest/gtest.h>

using dialog::fromGbk;
using dialog::toGbk;

TEST(Gbk, ConvertsBothWays)
{
    struct Case {
        const char* name;
        std::string utf8;
        std::string gbk;
    };
    const Case cases[] = {
        {"ascii unchanged", "COM1 9600\r\n", "COM1 9600\r\n"},
        {"chinese", "打开串口", "\xB4\xF2\xBF\xAA\xB4\xAE\xBF\xDA"},
        {"mixed", "A中B",
         "A\xD6\xD0"
         "B"},
        {"full-width comma", "，", "\xA3\xAC"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toGbk(c.utf8), c.gbk);
        EXPECT_EQ(fromGbk(c.gbk), c.utf8);
    }
}

TEST(Gbk, WhatCannotBeConvertedIsReplacedNotDropped)
{
    // clang-format off
    EXPECT_EQ(toGbk("a\xF0\x9F\x98\x80" "b"), "a?b");            // emoji: not in GBK
    EXPECT_EQ(toGbk("a\xFF" "b"), "a?b");                          // malformed UTF-8
    EXPECT_EQ(fromGbk("a\xB4"), "a\xEF\xBF\xBD");                 // lead byte cut off
    EXPECT_EQ(fromGbk("\xB4\xF2" "x\xFF" "y"), "打x\xEF\xBF\xBDy"); // 0xFF is no GBK byte
    // clang-format on
}

TEST(Gbk, WholeLengthLeavesOutOnlyAHalfCharacterAtTheEnd)
{
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 0},
        {"abc", 3},
        {"a\xD6\xD0", 3},
        {"a\xD6", 1},
        {"\xB0\xB0\xB0", 2}, // the middle byte is a trail byte, not a lead
        {"\xB0\xA1"
         "b",
         3},
    };
    for (const auto& [text, whole] : cases)
        EXPECT_EQ(dialog::wholeGbkLength(text), whole) << text;
}
