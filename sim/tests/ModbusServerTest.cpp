#include "sim/ModbusServer.h"

#include "serial/HexFormat.h"
#include "sim/tests/HexBytes.h"

#include <gtest/gtest.h>

using namespace sim;
using sim::test::bytes;

namespace {

std::string hex(const Bytes& b) { return serial::formatHex(b); }

struct Step {
    Micros at;
    const char* bytes;
};

// Plays the serving loop on a fake clock: a deadline that passes before
// the next bytes come means the line was quiet until then.
std::string serveSteps(ModbusResponder& server, const std::vector<Step>& steps)
{
    std::string out;
    for (const Step& s : steps) {
        if (const auto due = server.deadline(); due && *due <= s.at)
            out += hex(server.atDeadline(*due));
        const Bytes b = bytes(s.bytes);
        out += hex(server.received(b.data(), b.size(), s.at));
    }
    if (const auto due = server.deadline())
        out += hex(server.atDeadline(*due));
    return out;
}

// Worked out apart from the server, CRCs included.
const char* const kRead10 = "01 03 00 00 00 0A C5 CD";
const std::string kTenRegisters = "01 03 14 00 00 00 01 00 02 00 03 00 04 00 05 00 06 00 07 00 08 00 09 CD 51 ";

TEST(ModbusServer, RequestsEndAtTheSilence)
{
    std::string longNoise;
    for (int i = 0; i < 300; ++i)
        longNoise += "55 ";
    const struct Case {
        const char* name;
        int baud; // 3.5 characters: 9600 4011 us, 19200 2006 us, above 1750 us
        std::vector<Step> steps;
        std::string answers;
    } cases[] = {
        {"a request in one piece", 9600, {{0, kRead10}}, kTenRegisters},
        {"pieces closer than the silence", 9600, {{0, "01 03 00"}, {3900, "00 00 0A C5 CD"}}, kTenRegisters},
        {"a pause of the silence splits", 9600, {{0, "01 03 00"}, {4100, "00 00 0A C5 CD"}}, ""},
        {"19200 baud, just inside", 19200, {{0, "01 03 00 00"}, {2000, "00 0A C5 CD"}}, kTenRegisters},
        {"19200 baud, just past", 19200, {{0, "01 03 00 00"}, {2010, "00 0A C5 CD"}}, ""},
        {"115200 baud waits 1.75 ms", 115200, {{0, "01 03 00 00"}, {1700, "00 0A C5 CD"}}, kTenRegisters},
        {"115200 baud, past 1.75 ms", 115200, {{0, "01 03 00 00"}, {1800, "00 0A C5 CD"}}, ""},
        {"a fragment, silence, then the request", 9600, {{0, "01 03 00 00"}, {50'000, kRead10}}, kTenRegisters},
        {"noise, silence, then a request", 9600, {{0, "FF"}, {100'000, kRead10}}, kTenRegisters},
        {"noise just before a request joins it", 9600, {{0, "FF"}, {2000, kRead10}}, ""},
        {"two requests apart",
         9600,
         {{0, kRead10}, {10'000, "01 04 00 05 00 02 61 CA"}},
         kTenRegisters + "01 04 04 00 05 00 06 6B 87 "},
        {"two requests in one piece", 9600, {{0, "01 03 00 00 00 0A C5 CD 01 03 00 00 00 0A C5 CD"}}, ""},
        {"noise past the longest frame, then a request",
         115200,
         {{0, longNoise.c_str()}, {5000, kRead10}},
         kTenRegisters},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModbusSettings s;
        s.baud = c.baud;
        ModbusResponder server(s);
        EXPECT_EQ(serveSteps(server, c.steps), c.answers);
    }
}

TEST(ModbusServer, AnswersByFunctionSlaveAndCrc)
{
    const struct Case {
        const char* name;
        std::vector<const char*> requests; // each after a silence
        std::string answers;
    } cases[] = {
        {"07 read exception status", {"01 07 41 E2"}, "01 87 01 82 30 "},
        {"08 diagnostics", {"01 08 00 00 A5 37 DA 8D"}, "01 88 01 87 C0 "},
        {"0B comm event counter", {"01 0B 41 E7"}, "01 8B 01 87 30 "},
        {"0C comm event log", {"01 0C 00 25"}, "01 8C 01 85 00 "},
        {"14 read file record", {"01 14 07 06 00 01 00 00 00 02 45 25"}, "01 94 01 8F 00 "},
        {"18 read FIFO queue", {"01 18 00 00 81 DF"}, "01 98 01 8A 00 "},
        {"2B device identification", {"01 2B 0E 01 00 70 77"}, "01 AB 01 9E F0 "},
        {"41, no standard's", {"01 41 12 34 5C BB"}, "01 C1 01 B0 50 "},
        {"7F, the last function code", {"01 7F 41 C0"}, "01 FF 01 A0 30 "},
        {"function 00 is no request", {"01 00 00 00 01 D8"}, ""},
        {"an unserved function as broadcast", {"00 07 40 72"}, ""},
        {"write a register, read it back",
         {"01 06 00 03 12 34 74 BD", "01 03 00 03 00 01 74 0A"},
         "01 06 00 03 12 34 74 BD 01 03 02 12 34 B5 33 "},
        {"a broadcast write is done, not answered",
         {"00 06 00 03 12 34 75 6C", "01 03 00 03 00 01 74 0A"},
         "01 03 02 12 34 B5 33 "},
        {"no coils", {"01 01 00 00 00 01 FD CA"}, "01 81 02 C1 91 "},
        {"past the registers", {"01 03 00 62 00 04 E5 D7"}, "01 83 02 C0 F1 "},
        {"a served function cut short", {"01 03 00 00 00 19 84"}, "01 83 03 01 31 "},
        {"fewer data bytes than counted", {"01 10 00 00 00 02 04 00 01 87 D5"}, "01 90 03 0C 01 "},
        {"another slave", {"02 03 00 00 00 01 84 39"}, ""},
        {"a bad CRC", {"01 03 00 00 00 01 84 0B"}, ""},
        {"too short for a CRC", {"01 03 00"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModbusResponder server{ModbusSettings{}};
        std::vector<Step> steps;
        for (std::size_t i = 0; i < c.requests.size(); ++i)
            steps.push_back({static_cast<Micros>(i) * 100'000, c.requests[i]});
        EXPECT_EQ(serveSteps(server, steps), c.answers);
    }
}

} // namespace
