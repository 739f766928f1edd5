#include "sim/ComPortServer.h"

#include <string_view>

namespace sim {
namespace {

namespace telnet = serial::telnet;

constexpr std::uint8_t kServerOffset = 100;
constexpr std::string_view kSignature = "serial-sim";

enum Command : std::uint8_t {
    Signature = 0,
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    PurgeData = 12,
};

// A one-byte setting: 0 asks for it, a value in [min, max] sets it, any
// other is not kept. Either way the answer is what it is now.
std::uint8_t setting(std::uint8_t& field, std::uint8_t value, std::uint8_t min, std::uint8_t max)
{
    if (value >= min && value <= max)
        field = value;
    return field;
}

} // namespace

Bytes ComPortServer::start() { return stream_.serve(true); }

void ComPortServer::feed(const std::uint8_t* p, std::size_t n, Bytes& data, Bytes& reply)
{
    auto take = [&](const std::uint8_t* at, std::size_t count) {
        std::vector<telnet::Subnegotiation> subs;
        stream_.feed(at, count, data, reply, subs);
        for (const telnet::Subnegotiation& sub : subs)
            if (sub.option == telnet::OptComPort && stream_.comPortAccepted() && !sub.value.empty())
                request(sub.value, reply);
    };
    // Byte by byte until the client takes the option, so that a request
    // sent before is not taken for one: only the opening goes this way.
    std::size_t i = 0;
    for (; i < n && !stream_.comPortAccepted(); ++i)
        take(p + i, 1);
    take(p + i, n - i);
}

std::uint8_t ComPortServer::control(std::uint8_t v)
{
    // Requests come in groups of a query and its settings; DCD and DSR
    // flow (17, 19) and DTR flow (18) are what no port here has.
    if (v <= 3 || v == 17 || v == 19)
        return v == 0 ? line_.flow : setting(line_.flow, v, 1, 3);
    if (v <= 6)
        return setting(line_.breakState, v, 5, 6);
    if (v <= 9)
        return setting(line_.dtr, v, 8, 9);
    if (v <= 12)
        return setting(line_.rts, v, 11, 12);
    if (v <= 16 || v == 18)
        return setting(line_.inboundFlow, v, 14, 16);
    return 0;
}

void ComPortServer::request(const std::vector<std::uint8_t>& sub, Bytes& reply)
{
    const std::uint8_t command = sub[0];
    std::vector<std::uint8_t> answer;
    answer.reserve(1 + kSignature.size());
    answer.push_back(static_cast<std::uint8_t>(command + kServerOffset));
    const std::size_t size = sub.size() - 1;
    if (command != Signature && command != SetBaudRate && size != 1)
        return; // malformed: nothing is set
    const std::uint8_t v = size >= 1 ? sub[1] : 0;
    switch (command) {
    case Signature:
        if (size != 0)
            return; // the client's own: nothing to answer
        answer.insert(answer.end(), kSignature.begin(), kSignature.end());
        break;
    case SetBaudRate: {
        if (size != 4)
            return;
        const std::uint32_t baud =
            std::uint32_t{sub[1]} << 24 | std::uint32_t{sub[2]} << 16 | std::uint32_t{sub[3]} << 8 | sub[4];
        if (baud != 0)
            line_.baud = baud;
        for (int shift = 24; shift >= 0; shift -= 8)
            answer.push_back(static_cast<std::uint8_t>(line_.baud >> shift));
        break;
    }
    case SetDataSize: answer.push_back(setting(line_.dataSize, v, 5, 8)); break;
    case SetParity: answer.push_back(setting(line_.parity, v, 1, 5)); break;
    case SetStopSize: answer.push_back(setting(line_.stopSize, v, 1, 3)); break;
    case SetControl: {
        const std::uint8_t now = control(v);
        if (now == 0)
            return;
        answer.push_back(now);
        break;
    }
    case SetLineStateMask: answer.push_back(line_.lineStateMask = v); break;
    case SetModemStateMask: answer.push_back(line_.modemStateMask = v); break;
    case PurgeData:
        // Nothing waits in a queue here: what was asked is done.
        if (v < 1 || v > 3)
            return;
        answer.push_back(v);
        break;
    default: return; // notifications and flow suspension answer nothing
    }
    const Bytes b = telnet::subnegotiation(telnet::OptComPort, answer);
    reply.insert(reply.end(), b.begin(), b.end());
}

} // namespace sim
