#include "sim/ReplyTable.h"

#include "serial/HexFormat.h"

#include <gtest/gtest.h>

using namespace sim;

namespace {

std::string hex(const Bytes& b) { return serial::formatHex(b); }

TEST(ReplyTable, ErrorsNameTheirLines)
{
    const struct {
        const char* name;
        const char* text;
        int line;
        const char* message; // empty: no error, one rule
    } cases[] = {
        {"plain", "01 02 => 03", 0, ""},
        {"packed digits, comment, CR", "0102=>0304 # note\r", 0, ""},
        {"wildcards", "?? 01 * => 00", 0, ""},
        {"empty answer", "AA =>", 0, ""},
        {"after comments and blanks", "# head\n\n  \nzz => 01", 4, "not a hex byte: \"zz\""},
        {"no arrow", "01 02 03", 1, "no \"=>\" between request and answer"},
        {"two arrows", "01 => 02 => 03", 1, "more than one \"=>\""},
        {"odd digits", "012 => 03", 1, "odd number of hex digits in \"012\""},
        {"star not last", "* 01 => 02", 1, "\"*\" may only end a request"},
        {"empty request", " => 02", 1, "no request before \"=>\" (\"*\" stands for any request)"},
        {"wildcard in the answer", "01 => ??", 1, "wildcards stand only in requests"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ParsedTable t = parseReplyTable(c.text);
        if (c.line == 0) {
            EXPECT_TRUE(t.errors.empty());
            EXPECT_EQ(t.rules.size(), 1u);
            continue;
        }
        ASSERT_EQ(t.errors.size(), 1u);
        EXPECT_EQ(t.errors[0].line, c.line);
        EXPECT_EQ(t.errors[0].message, c.message);
        EXPECT_TRUE(t.rules.empty());
    }
}

TEST(ReplyTable, RequestsEndOnAnExactMatchOrAQuietGap)
{
    const ParsedTable t = parseReplyTable("01 03 => 0A\n"
                                          "01 ?? 05 => 0B\n"
                                          "02 * => 0C\n"
                                          "AA => \n"
                                          "* => 0D\n");
    ASSERT_TRUE(t.errors.empty());
    constexpr Micros gap = 20000;
    const struct {
        const char* name;
        std::vector<Bytes> chunks; // arriving 1 ms apart
        std::string atOnce;        // answered as the chunks came
        std::string afterGap;
    } cases[] = {
        {"exact match answers at once", {{0x01, 0x03}}, "0A ", ""},
        {"exact match over two chunks", {{0x01}, {0x03}}, "0A ", ""},
        {"any byte", {{0x01, 0x7F, 0x05}}, "0B ", ""},
        {"open tail waits for the gap", {{0x02, 0x01, 0x02}}, "", "0C "},
        {"open tail matches nothing more too", {{0x02}}, "", "0C "},
        {"swallowed", {{0xAA}}, "", ""},
        {"answered, then a new request", {{0x01, 0x03}, {0x00}}, "0A ", "0D "},
        {"unmatched prefix goes to any", {{0x01}}, "", "0D "},
        {"longer than a fixed rule", {{0x01, 0x03, 0x00}}, "", "0D "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyMatcher m(t.rules, gap);
        Micros now = 1000000;
        std::string atOnce;
        for (const Bytes& chunk : c.chunks)
            atOnce += hex(m.received(chunk.data(), chunk.size(), now += 1000));
        EXPECT_EQ(atOnce, c.atOnce);
        Bytes late;
        if (m.deadline()) {
            EXPECT_EQ(*m.deadline(), now + gap);
            late = m.quiet();
        }
        EXPECT_EQ(hex(late), c.afterGap);
        EXPECT_FALSE(m.deadline());
    }
}

TEST(ReplyTable, BytesAfterAnUnnoticedGapBeginANewRequest)
{
    ReplyMatcher m(parseReplyTable("02 * => 0C\n01 03 => 0A").rules, 20000);
    const Bytes a{0x02}, b{0x01, 0x03};
    EXPECT_TRUE(m.received(a.data(), a.size(), 0).empty());
    // The loop did not call quiet() in time: the earlier request is answered first.
    EXPECT_EQ(hex(m.received(b.data(), b.size(), 50000)), "0C 0A ");
}

} // namespace
