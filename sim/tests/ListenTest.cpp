// The simulator's serial-server side without a socket: its answers to a
// client's requests, and --listen.

#include "sim/ComPortServer.h"
#include "sim/Options.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

using namespace serial::telnet;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes sub(const Bytes& value) { return subnegotiation(OptComPort, value); }

TEST(ComPortServer, AnswersWithWhatItNowHas)
{
    const Bytes agreed{IAC, WILL, OptComPort}; // the client takes the option first
    struct Case {
        const char* name;
        Bytes in, reply, data = {};
    };
    const Case cases[] = {
        {"a baud rate kept (0xFF escaped both ways), then asked",
         agreed + sub({1, 0, 0, 0, 0xFF}) + sub({1, 0, 0, 0, 0}),
         sub({101, 0, 0, 0, 0xFF}) + sub({101, 0, 0, 0, 0xFF})},
        {"7 data bits kept, 9 not", agreed + sub({2, 7}) + sub({2, 9}), sub({102, 7}) + sub({102, 7})},
        {"stop size kept, then asked", agreed + sub({4, 2}) + sub({4, 0}), sub({104, 2}) + sub({104, 2})},
        {"DTR and RTS echoed, then asked", agreed + sub({5, 9}) + sub({5, 12}) + sub({5, 7}),
         sub({105, 9}) + sub({105, 12}) + sub({105, 9})},
        {"a flow control no port has: the one it has", agreed + sub({5, 3}) + sub({5, 19}),
         sub({105, 3}) + sub({105, 3})},
        {"purges answered, a bad one not", agreed + sub({12, 3}) + sub({12, 7}), sub({112, 3})},
        {"the signature asked for", agreed + sub({0}), sub({100, 's', 'e', 'r', 'i', 'a', 'l', '-', 's', 'i', 'm'})},
        {"the client's signature, a notification, a wrong length",
         agreed + sub({0, 'x'}) + sub({7, 0}) + sub({2, 7, 7}),
         {}},
        {"no answer before the client took the option", sub({2, 7}) + agreed + sub({2, 0}), sub({102, 8})},
        {"other options refused, data unescaped",
         agreed + Bytes{IAC, WILL, 24, 'a', IAC, IAC, 'b'},
         Bytes{IAC, DONT, 24},
         {'a', IAC, 'b'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPortServer server;
        server.start();
        Bytes data, reply;
        server.feed(c.in.data(), c.in.size(), data, reply);
        EXPECT_EQ(reply, c.reply);
        EXPECT_EQ(data, c.data);
    }
}

TEST(Options, ListenAddresss)
{
    const struct {
        std::vector<std::string> args;
        std::optional<ListenAddress> listen; // nothing: refused
    } cases[] = {
        {{"--listen", "rfc2217:4001", "echo"}, ListenAddress{true, "127.0.0.1", 4001}},
        {{"--listen=tcp:0.0.0.0:0", "modbus"}, ListenAddress{false, "0.0.0.0", 0}},
        {{"--listen", "tcp:65536", "echo"}, {}},
        {{"--listen", "udp:4001", "echo"}, {}},
        {{"--listen", "tcp:lab-7:4001", "echo"}, {}},
        {{"--listen", "tcp:1", "--device", "/dev/null", "echo"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const auto parsed = parseOptions(c.args);
        ASSERT_EQ(std::holds_alternative<Options>(parsed), c.listen.has_value());
        if (c.listen) {
            EXPECT_EQ(std::get<Options>(parsed).listen, c.listen);
        }
    }
}

} // namespace
} // namespace sim
