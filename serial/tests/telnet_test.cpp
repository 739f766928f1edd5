#include "serial/Rfc2217.h"
#include "serial/Telnet.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace serial {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace telnet;
using rfc2217::Negotiation;
using rfc2217::Request;
using State = Negotiation::State;
using Clock = Negotiation::Clock;
using std::chrono::milliseconds;
constexpr std::uint8_t kNop = 241, kGa = 249, kEcho = 1;
constexpr milliseconds kWait{1000};

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(TelnetStream, DataCommandsAndAnswersAtEverySplit)
{
    struct Case {
        const char* name;
        Bytes in, data, reply = {};
        std::vector<Subnegotiation> subs = {};
    };
    const Bytes longSub = Bytes{IAC, SB, OptComPort} + Bytes(kMaxSubnegotiation + 1, 'a') + Bytes{IAC, SE};
    const Bytes greeting{IAC, WILL, 3, IAC, DO, 3, IAC, WILL, kEcho, IAC, DONT, kEcho, IAC, DO, 0, IAC, WILL, 0};
    const Case cases[] = {
        {"IAC IAC is one 0xFF", {1, IAC, IAC, 2, IAC, IAC}, {1, IAC, 2, IAC}},
        {"CR NUL and CR LF stay raw", {13, 0, 13, 10, 10}, {13, 0, 13, 10, 10}},
        {"NOP, GA and a stray SE dropped", {'a', IAC, kNop, 'b', IAC, kGa, IAC, SE, 'c'}, {'a', 'b', 'c'}},
        {"IAC IAC in a subnegotiation", {IAC, SB, 44, 1, IAC, IAC, IAC, SE, 'x'}, {'x'}, {}, {{44, {1, IAC}}}},
        {"others refused once",
         {IAC, WILL, 24, IAC, WILL, 24, IAC, DO, 24, IAC, DO, 24},
         {},
         {IAC, DONT, 24, IAC, WONT, 24}},
        {"answers to our offers not answered", {IAC, WILL, 0, IAC, WILL, 0, IAC, DO, 3, IAC, DO, 44}, {}},
        {"binary turned off confirmed once", {IAC, WILL, 0, IAC, WONT, 0, IAC, WONT, 0}, {}, {IAC, DONT, 0}},
        {"the server's greeting", greeting, {}, {IAC, DONT, kEcho}},
        {"over-long subnegotiation dropped, data after kept", longSub + Bytes{'z', IAC, IAC}, {'z', IAC}},
        {"a command ends an unended one", {IAC, SB, 44, 1, IAC, WILL, kEcho, 'z'}, {'z'}, {IAC, DONT, kEcho}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Cut in two at every position; past the end: byte by byte.
        for (std::size_t cut = 0; cut <= c.in.size() + 1 && !::testing::Test::HasFailure(); ++cut) {
            SCOPED_TRACE(cut);
            Stream s;
            s.start(true);
            Bytes data, reply;
            std::vector<Subnegotiation> subs;
            for (std::size_t at = 0; at < c.in.size();) {
                const std::size_t n = cut > c.in.size() ? 1 : at < cut ? cut - at : c.in.size() - at;
                s.feed(c.in.data() + at, n, data, reply, subs);
                at += n;
            }
            EXPECT_EQ(data, c.data);
            EXPECT_EQ(reply, c.reply);
            EXPECT_EQ(subs, c.subs);
        }
    }
}

TEST(Rfc2217, RequestsOnTheWire)
{
    struct Case {
        const char* name;
        LineSettings line;
        bool purge;
        std::vector<Request> requests;
    };
    constexpr auto Low = LineControl::Disable;
    const Bytes b9600{0, 0, 0x25, 0x80};
    const Case cases[] = {
        {"8N1, no flow, purged",
         {},
         true,
         {{1, b9600}, {2, {8}}, {3, {1}}, {4, {1}}, {5, {1}}, {5, {8}}, {5, {11}}, {12, {3}}}},
        {"7E2, lines low",
         {.baudRate = 115200, .dataBits = 7, .parity = parity::Even, .stopBits = stopbits::Two, .dtr = Low, .rts = Low},
         false,
         {{1, {0, 1, 0xC2, 0}}, {2, {7}}, {3, {3}}, {4, {2}}, {5, {1}}, {5, {9}}, {5, {12}}}},
        {"mark, hardware flow leaves RTS",
         {.parity = parity::Mark, .rts = LineControl::Handshake},
         false,
         {{1, b9600}, {2, {8}}, {3, {4}}, {4, {1}}, {5, {3}}, {5, {8}}}},
        {"space, XON/XOFF",
         {.parity = parity::Space, .xonXoffOut = true, .xonXoffIn = true},
         false,
         {{1, b9600}, {2, {8}}, {3, {5}}, {4, {1}}, {5, {2}}, {5, {8}}, {5, {11}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rfc2217::requestsFor(c.line, c.purge), c.requests);
    }
    // A value holding 0xFF is escaped.
    EXPECT_EQ(rfc2217::bytes({1, {0, 1, 0xFF, 0}}), (Bytes{IAC, SB, OptComPort, 1, 0, 1, IAC, IAC, 0, IAC, SE}));
}

// A serial server as the opening meets it: greets with data after, says
// what it does with COM-PORT-OPTION, then answers each request in turn
// after its delay, with the value asked unless the script says otherwise.
struct Script {
    enum class ComPort { Accept, Refuse, Silent } comPort = ComPort::Accept;
    bool answersLine = true, answersModem = true;
    bool takesBack = false; // says DONT COM-PORT-OPTION to the requests
    milliseconds delay{0};
    std::uint32_t baud = 0; // answered instead of the one asked
    std::uint8_t flow = 0;
    bool dtrLow = false;
};

struct Server {
    Script script;
    Stream parser; // of the client's bytes; its own replies are not sent
    std::vector<Request> got;
    std::vector<std::pair<Clock::time_point, Bytes>> queue;
    Clock::time_point busyUntil{};

    void connect(Clock::time_point t)
    {
        Bytes greeting{IAC, WILL, 3, IAC, DO, 3, IAC, WILL, kEcho, IAC, DO, 0, IAC, WILL, 0};
        if (script.comPort != Script::ComPort::Silent)
            greeting = greeting + Bytes{IAC, script.comPort == Script::ComPort::Accept ? DO : DONT, OptComPort};
        queue.emplace_back(t, greeting + Bytes{'o', 'k', IAC, IAC});
        busyUntil = t;
    }
    void receive(const Bytes& bytes, Clock::time_point t)
    {
        Bytes data, reply;
        std::vector<Subnegotiation> subs;
        parser.feed(bytes.data(), bytes.size(), data, reply, subs);
        if (script.takesBack && !subs.empty())
            queue.emplace_back(t, Bytes{IAC, DONT, OptComPort});
        for (const Subnegotiation& s : subs) {
            Request r{s.value[0], Bytes(s.value.begin() + 1, s.value.end())};
            got.push_back(r);
            const bool control = r.command == rfc2217::SetControl, modem = control && r.value[0] >= 8;
            if (!(modem ? script.answersModem : script.answersLine))
                continue;
            if (r.command == rfc2217::SetBaudRate && script.baud)
                r.value = {0, 0, static_cast<std::uint8_t>(script.baud >> 8), static_cast<std::uint8_t>(script.baud)};
            if (control && !modem && script.flow)
                r.value = {script.flow};
            if (control && r.value[0] == 8 && script.dtrLow)
                r.value = {9};
            busyUntil = std::max(busyUntil, t) + script.delay;
            queue.emplace_back(busyUntil, rfc2217::bytes({static_cast<std::uint8_t>(r.command + 100), r.value}));
        }
    }
};

// Runs the opening on fake time until it ends: the server's bytes when they
// are due, ticks when the opening's deadline comes first; what came by the
// end is still read. Gives the time it took.
milliseconds open(Negotiation& n, Server& server, Bytes& data)
{
    const Clock::time_point t0 = Clock::time_point{} + std::chrono::hours(1);
    Clock::time_point t = t0;
    server.connect(t);
    server.receive(n.start(t), t);
    for (int step = 0; step < 100; ++step) {
        const bool negotiating = n.state() == State::Negotiating;
        const auto next = server.queue.empty() ? std::nullopt : std::optional(server.queue.front().first);
        if (next && (negotiating ? !n.deadline() || *next < *n.deadline() : *next <= t)) {
            const Bytes bytes = server.queue.front().second;
            server.queue.erase(server.queue.begin());
            t = std::max(t, *next);
            server.receive(n.feed(bytes.data(), bytes.size(), t, data), t);
        } else if (negotiating && n.deadline()) {
            t = *n.deadline();
            server.receive(n.tick(t), t);
        } else {
            break;
        }
    }
    return std::chrono::duration_cast<milliseconds>(t - t0);
}

// How an opening ended, in one line: state, requests the server got, time
// taken, what went unanswered, and the refusal's or the failure's reason.
std::string outcome(const Negotiation& n, std::size_t asked, milliseconds took)
{
    const char* states[] = {"negotiating", "done", "refused", "failed"};
    std::string s = std::string(states[static_cast<int>(n.state())]) + ", " + std::to_string(asked) + " asked, " +
                    std::to_string(took.count()) + " ms";
    for (const std::string& name : n.unanswered())
        s += ", no " + name;
    const std::string reason = n.refusal() ? refusalReason(*n.refusal()) : n.failure();
    return reason.empty() ? s : s + ": " + reason;
}

TEST(Rfc2217, OpeningAgainstAServer)
{
    struct Case {
        const char* name;
        LineSettings wanted;
        Script script;
        std::string outcome;
        LineSettings kept = {}; // when done
    };
    const Case cases[] = {
        {"every request answered", {}, {}, "done, 8 asked, 0 ms"},
        {"DTR and RTS never answered", {}, {.answersModem = false}, "done, 8 asked, 1000 ms, no DTR, no RTS"},
        {"nothing answered",
         {},
         {.answersLine = false, .answersModem = false},
         "done, 8 asked, 1000 ms, no 波特率, no 数据位, no 校验位, no 停止位, no 流控, no DTR, no RTS, no 清空缓冲"},
        {"slow answers, each within the wait", {}, {.delay = milliseconds(900)}, "done, 8 asked, 7200 ms"},
        {"DTR answered low is no refusal", {}, {.dtrLow = true}, "done, 8 asked, 0 ms", {.dtr = LineControl::Disable}},
        {"a rate within 1%", {}, {.baud = 9650}, "done, 8 asked, 0 ms", {.baudRate = 9650}},
        {"another rate",
         {.baudRate = 115200},
         {.baud = 9600},
         "refused, 8 asked, 0 ms: 端口不支持波特率 115200（实际为 9600）"},
        {"hardware flow answered as none",
         {.ctsOutFlow = true},
         {.flow = 1},
         "refused, 8 asked, 0 ms: 端口不支持 RTS/CTS 硬件流控"},
        {"1.5 stop bits refused before asking",
         {.stopBits = stopbits::OneAndHalf},
         {},
         "refused, 0 asked, 0 ms: Linux 串口驱动不支持 1.5 位停止位"},
        {"one-way XON/XOFF cannot be asked",
         {.xonXoffOut = true},
         {},
         "refused, 0 asked, 0 ms: 端口无法关闭 XON/XOFF 输入流控"},
        {"COM-PORT-OPTION refused",
         {},
         {.comPort = Script::ComPort::Refuse},
         "failed, 0 asked, 0 ms: 服务器不支持 RFC 2217 串口选项"},
        {"COM-PORT-OPTION taken back",
         {},
         {.answersLine = false, .answersModem = false, .takesBack = true},
         "failed, 8 asked, 0 ms: 服务器不支持 RFC 2217 串口选项"},
        {"COM-PORT-OPTION never answered",
         {},
         {.comPort = Script::ComPort::Silent},
         "failed, 0 asked, 1000 ms: 服务器没有回应 RFC 2217 串口选项"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Server server;
        server.script = c.script;
        Negotiation n(c.wanted, true, kWait);
        Bytes data;
        const milliseconds took = open(n, server, data);
        EXPECT_EQ(outcome(n, server.got.size(), took), c.outcome);
        EXPECT_LE(took, (server.got.size() + 1) * kWait);
        EXPECT_EQ(data, (Bytes{'o', 'k', IAC}));
        if (n.state() == State::Done) {
            EXPECT_EQ(n.kept(), c.kept);
            const Stream live = n.takeStream();
            EXPECT_TRUE(live.binaryIn() && live.binaryOut() && live.comPortAccepted());
        }
    }
}

} // namespace
} // namespace serial
