#include "sim/ModuleFrames.h"

#include "sim/tests/HexBytes.h"

#include <gtest/gtest.h>

using namespace sim;
using sim::test::bytes;

namespace {

TEST(ModuleFrames, WellFormedFramesAndTheRest)
{
    const struct {
        const char* name;
        const char* frame;
        bool requireCrc;
        int function; // -1: refused
        bool crc;
    } cases[] = {
        {"parameter query with CRC", "20 09 00 00 00 01 00 3B CB", false, 0x00, true},
        {"parameter change with CRC", "22 0B 00 00 00 01 01 10 04 97 DD", false, 0x10, true},
        {"four-byte parameter, CRC", "22 0C FF FF FF FF 00 05 50 70 E8 52", false, 0x05, true},
        {"device control, no CRC", "15 08 00 00 00 02 04 32", false, 0x04, false},
        {"data query, no CRC", "10 07 00 00 00 03 05", false, 0x05, false},
        {"change with no parameter yet", "22 08 00 00 00 01 01 01", false, 0x01, false},
        {"damaged CRC", "20 09 00 00 00 01 00 3B CC", false, -1, false},
        {"damaged CRC after a 1-byte parameter", "22 0B 00 00 00 01 01 10 04 97 DE", false, -1, false},
        {"CRC required and missing", "10 07 00 00 00 03 05", true, -1, false},
        {"length byte disagrees", "10 08 00 00 00 03 05", false, -1, false},
        {"query with a stray byte", "10 08 00 00 00 03 05 00", false, -1, false},
        {"change mode neither 00 nor 01", "22 08 00 00 00 01 02 01", false, -1, false},
        {"unknown type", "11 07 00 00 00 03 05", false, -1, false},
        {"too short", "10 06 00 00 00 03", false, -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes b = bytes(c.frame);
        const auto f = parseModuleFrame(b.data(), b.size(), c.requireCrc);
        ASSERT_EQ(f.has_value(), c.function >= 0);
        if (!f)
            continue;
        EXPECT_EQ(f->function, c.function);
        EXPECT_EQ(f->crc, c.crc);
        EXPECT_EQ(f->type, b[0]);
        EXPECT_TRUE(std::equal(f->address.begin(), f->address.end(), b.begin() + 2));
    }
}

TEST(ModuleFrames, AcknowledgementCarriesTypeAddressFunctionAndCrc)
{
    // CRC-16/MODBUS over the first eight bytes, worked out independently.
    const Bytes req = bytes("22 0B 00 00 00 01 01 10 04 97 DD");
    const auto f = parseModuleFrame(req.data(), req.size(), false);
    ASSERT_TRUE(f);
    EXPECT_EQ(acknowledgement(*f), bytes("22 0A 00 00 00 01 10 00 35 CA"));
}

TEST(ModuleFrames, ReaderCutsByLengthAndResynchronises)
{
    constexpr Micros gap = 20000;
    const struct {
        const char* name;
        std::vector<std::pair<Micros, const char*>> chunks; // arrival, bytes
        std::vector<int> functions;
    } cases[] = {
        {"two frames in one chunk", {{0, "10 07 00 00 00 03 05 15 08 00 00 00 02 04 32"}}, {0x05, 0x04}},
        {"split within the length byte", {{0, "10"}, {1000, "07 00 00 00 03 05"}}, {0x05}},
        {"garbage before", {{0, "FF 00 10 07 00 00 00 03 05"}}, {0x05}},
        {"a type code with an impossible length", {{0, "10 FF 10 07 00 00 00 03 05"}}, {0x05}},
        {"a frame inside a bad one", {{0, "20 09 10 07 00 00 00 03 05"}}, {0x05}},
        {"gap drops the unfinished frame", {{0, "10 07 00 00"}, {30000, "10 07 00 00 00 03 05"}}, {0x05}},
        {"no gap: the long length swallows", {{0, "22 0B 00"}, {1000, "10 07 00 00 00 03 05"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleFrameReader r(false, gap);
        std::vector<int> got;
        for (const auto& [at, hex] : c.chunks) {
            const Bytes b = bytes(hex);
            for (const ModuleFrame& f : r.feed(b.data(), b.size(), at))
                got.push_back(f.function);
        }
        EXPECT_EQ(got, c.functions);
    }
    ModuleFrameReader r(false, gap);
    const Bytes part = bytes("10 07 00");
    r.feed(part.data(), part.size(), 5000);
    EXPECT_EQ(r.deadline(), 5000 + gap);
    r.quiet();
    EXPECT_FALSE(r.deadline());
}

} // namespace
