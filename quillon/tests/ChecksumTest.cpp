#include "quillon/send/Checksum.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

using namespace quillon;

namespace {
std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }
} // namespace

TEST(Checksum, CatalogueCheckValues)
{
    const auto check = bytesOf("123456789");
    EXPECT_EQ(crc16Modbus(check.data(), check.size()), 0x4B37);
    EXPECT_EQ(crc8(check.data(), check.size()), 0xF4);
    EXPECT_EQ(crc32(check.data(), check.size()), 0xCBF43926u);
}

TEST(Checksum, SuffixesOfTheWorkedExamples)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> frame;
        ChecksumKind kind;
        const char* suffix;
    };
    const std::vector<std::uint8_t> modbus{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    const std::vector<std::uint8_t> small{0x01, 0x02, 0x03};
    const Case cases[] = {
        {"crc16 low first", modbus, ChecksumKind::Crc16LowFirst, " C5 CD"},
        {"crc16 high first", modbus, ChecksumKind::Crc16HighFirst, " CD C5"},
        {"crc8", modbus, ChecksumKind::Crc8, " B9"},
        {"sum", modbus, ChecksumKind::Sum, " 0E"},
        {"xor", modbus, ChecksumKind::Xor, " 08"},
        {"crc32 low first", modbus, ChecksumKind::Crc32LowFirst, " C8 E1 EB DD"},
        {"crc32 high first", modbus, ChecksumKind::Crc32HighFirst, " DD EB E1 C8"},
        {"small crc16", small, ChecksumKind::Crc16LowFirst, " 61 61"},
        {"small crc32 low first", small, ChecksumKind::Crc32LowFirst, " 1D 80 BC 55"},
        {"small crc32 high first", small, ChecksumKind::Crc32HighFirst, " 55 BC 80 1D"},
        {"sum wraps", {0xFF, 0x02}, ChecksumKind::Sum, " 01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checksumSuffix(c.kind, c.frame), c.suffix);
    }
}

TEST(Checksum, Crc32AgreesWithZlib)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> data(static_cast<std::size_t>(rng() % 1025));
        for (auto& b : data)
            b = static_cast<std::uint8_t>(rng());
        const auto expected = ::crc32(::crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(data.size()));
        ASSERT_EQ(quillon::crc32(data.data(), data.size()), expected) << "length " << data.size();
    }
}
