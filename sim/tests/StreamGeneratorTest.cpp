#include "sim/StreamGenerator.h"

#include <gtest/gtest.h>

#include <string>

using namespace sim;

namespace {

TEST(StreamGenerator, FrameContents)
{
    const struct {
        const char* name;
        bool text;
        std::size_t size;
        std::uint64_t index;
        Bytes frame;
        // clang-format off
    } cases[] = {
        {"text, filled with letters", true, 14, 1, {'#', '0', '0', '0', '0', '0', '1', ' ', 'A', 'B', 'C', 'D', '\r', '\n'}},
        {"text, cut short", true, 6, 42, {'#', '0', '0', '0', '\r', '\n'}},
        {"binary", false, 7, 1, {0xAA, 0x55, 0x00, 0x01, 0x00, 0x01, 0x02}},
        {"binary number high byte first, 16 bits", false, 4, 0x10203, {0xAA, 0x55, 0x02, 0x03}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StreamSettings s;
        s.text = c.text;
        s.frameBytes = c.size;
        EXPECT_EQ(streamFrame(s, c.index), c.frame);
    }
    StreamSettings s;
    s.frameBytes = 40;
    const Bytes longer = streamFrame(s, 7);
    EXPECT_EQ(std::string(longer.begin() + 30, longer.end()), "WXYZABCD\r\n"); // letters wrap
}

TEST(StreamGenerator, BytesComeAtTheRateAndFramesAfterThePause)
{
    StreamSettings s;
    s.frameBytes = 4;
    s.pause = 10000; // 10 ms
    s.count = 2;
    const struct {
        const char* name;
        long rate;
        std::vector<std::pair<Micros, std::size_t>> polls; // at, bytes given
    } cases[] = {
        // 1000 B/s: a byte a millisecond; the frame takes 4 ms, then 10 ms of pause.
        {"at a rate", 1000, {{0, 1}, {999, 0}, {1000, 1}, {3500, 2}, {13999, 0}, {14000, 1}, {100000, 3}}},
        {"in one piece", 0, {{0, 4}, {9999, 0}, {10000, 4}, {100000, 0}}},
        {"a late caller gets all that is due", 1000, {{20000, 8}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        s.rate = c.rate;
        StreamGenerator g(s, 0);
        std::size_t total = 0;
        for (const auto& [at, n] : c.polls) {
            SCOPED_TRACE(at);
            const Bytes b = g.due(at);
            EXPECT_EQ(b.size(), n);
            total += b.size();
        }
        EXPECT_EQ(total, 8u);
        EXPECT_FALSE(g.nextDue()); // two frames, then quiet
    }
    s.rate = 1000;
    StreamGenerator g(s, 0);
    g.due(1500);
    EXPECT_EQ(g.nextDue(), 2000);
}

} // namespace
