#include "quillon/receive/FrameSplitter.h"

#include "dialog/Gbk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using quillon::Frame;
using quillon::FrameSplitter;

namespace {

Frame bytesOf(const std::string& s) { return Frame(s.begin(), s.end()); }

Frame repeated(std::size_t n, const std::string& unit)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += unit;
    return bytesOf(s);
}

Frame operator+(Frame a, const Frame& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(FrameSplitter, FramesEndQuietOrCutForSizeAndKeepEveryByte)
{
    struct Case {
        const char* name;
        Frame stream; // arrives in chunks of at most 1024 bytes, one per poll
        std::vector<Frame> frames;
        std::size_t cuts; // of those, ended for size before the quiet end
    };
    const Frame zhongWen = bytesOf(dialog::gbk("中文"));
    const Frame zhong = bytesOf(dialog::gbk("中"));
    const Frame a4094 = repeated(4094, "A");
    const Frame pairs = repeated(2047, dialog::gbk("啊")); // both bytes in the lead-byte range
    // clang-format off
    const Case cases[] = {
        {"a short frame ends quiet", bytesOf("ABC"), {bytesOf("ABC")}, 0},
        {"a full buffer waits for its quiet end", repeated(4095, "A"), {repeated(4095, "A")}, 0},
        {"one byte past a full buffer", repeated(4096, "A"), {repeated(4095, "A"), bytesOf("A")}, 1},
        {"a character across the cut moves on whole",
         repeated(3071, "A") + zhongWen + repeated(1100, "B"),
         {repeated(3071, "A") + zhongWen + repeated(1020, "B"), repeated(80, "B")}, 1},
        {"a lead byte in the last place moves on", a4094 + zhong + bytesOf("B"), {a4094, zhong + bytesOf("B")}, 1},
        {"a trail byte in the last place stays", bytesOf("A") + pairs + bytesOf("B"),
         {bytesOf("A") + pairs, bytesOf("B")}, 1},
        {"a burst of several frames", repeated(9000, "C"),
         {repeated(4095, "C"), repeated(4095, "C"), repeated(810, "C")}, 2},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameSplitter splitter;
        std::vector<Frame> out;
        for (std::size_t at = 0; at < c.stream.size(); at += FrameSplitter::kMaxChunk) {
            const std::size_t n = std::min(FrameSplitter::kMaxChunk, c.stream.size() - at);
            for (Frame& f : splitter.addChunk(c.stream.data() + at, n))
                out.push_back(std::move(f));
        }
        EXPECT_EQ(out.size(), c.cuts);
        for (int i = 0; i < FrameSplitter::kQuietPolls; ++i)
            if (auto f = splitter.quietPoll())
                out.push_back(std::move(*f));
        EXPECT_EQ(out, c.frames);
        EXPECT_FALSE(splitter.pending());
    }
}
