// The telnet stream over any bytes from a server, in pieces the input
// picks: the data and subnegotiations are what a plain scan of all the
// bytes finds, the same as fed in one piece, and every reply is a whole
// option command, at most one per command received.

#include "FuzzCommon.h"

#include "serial/Telnet.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace serial::telnet;

namespace {

struct Scan {
    fuzz::Bytes data;
    std::vector<Subnegotiation> subs;
    std::size_t negotiations = 0; // WILL, WONT, DO and DONT received
};

bool isVerb(std::uint8_t b) { return b == WILL || b == WONT || b == DO || b == DONT; }

// A subnegotiation from its option byte at i: where the scan goes on, and
// the sub if it ended with IAC SE.
std::size_t scanSub(const fuzz::Bytes& in, std::size_t i, Scan& out)
{
    Subnegotiation sub{in[i], {}};
    bool tooLong = false;
    for (std::size_t k = i + 1; k < in.size(); ++k) {
        if (in[k] != IAC) {
            tooLong |= sub.value.size() == kMaxSubnegotiation;
            if (!tooLong)
                sub.value.push_back(in[k]);
            continue;
        }
        if (k + 1 == in.size())
            return in.size();
        if (in[k + 1] == IAC) {
            tooLong |= sub.value.size() == kMaxSubnegotiation;
            if (!tooLong)
                sub.value.push_back(IAC);
            ++k;
        } else if (in[k + 1] == SE) {
            if (!tooLong)
                out.subs.push_back(sub);
            return k + 2;
        } else {
            return k; // a command: the sub never ended
        }
    }
    return in.size();
}

Scan scan(const fuzz::Bytes& in)
{
    Scan out;
    std::size_t i = 0;
    while (i < in.size()) {
        if (in[i] != IAC) {
            out.data.push_back(in[i++]);
            continue;
        }
        if (i + 1 == in.size())
            break;
        const std::uint8_t c = in[i + 1];
        if (c == IAC) {
            out.data.push_back(IAC);
            i += 2;
        } else if (isVerb(c)) {
            out.negotiations += i + 2 < in.size();
            i += 3;
        } else if (c == SB) {
            i = i + 2 < in.size() ? scanSub(in, i + 2, out) : in.size();
        } else {
            i += 2;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    FuzzedDataProvider in(bytes, size);
    const bool comPort = in.ConsumeBool();
    Stream pieces, whole;
    FUZZ_CHECK(pieces.start(comPort) == whole.start(comPort), "the same offers");

    fuzz::Bytes all, data, reply;
    std::vector<Subnegotiation> subs;
    while (in.remaining_bytes() > 0) {
        const fuzz::Bytes chunk = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(1, 64));
        pieces.feed(chunk.data(), chunk.size(), data, reply, subs);
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    fuzz::Bytes wholeData, wholeReply;
    std::vector<Subnegotiation> wholeSubs;
    whole.feed(all.data(), all.size(), wholeData, wholeReply, wholeSubs);
    FUZZ_CHECK(data == wholeData && reply == wholeReply && subs == wholeSubs, "any split gives the same");

    const Scan expected = scan(all);
    FUZZ_CHECK(data == expected.data, "data bytes as a plain scan finds them");
    FUZZ_CHECK(subs == expected.subs, "subnegotiations as a plain scan finds them");
    FUZZ_CHECK(reply.size() % 3 == 0 && reply.size() / 3 <= expected.negotiations, "one reply at most per request");
    for (std::size_t i = 0; i < reply.size(); i += 3)
        FUZZ_CHECK(reply[i] == IAC && isVerb(reply[i + 1]), "replies are option commands");
    FUZZ_CHECK(!(pieces.comPortAccepted() && !comPort), "COM-PORT-OPTION only when offered");
    return 0;
}
