#include "serial/Telnet.h"

namespace serial::telnet {

void escape(const std::uint8_t* p, std::size_t n, std::vector<std::uint8_t>& out)
{
    out.reserve(out.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(p[i]);
        if (p[i] == IAC)
            out.push_back(IAC);
    }
}

std::vector<std::uint8_t> subnegotiation(std::uint8_t option, const std::vector<std::uint8_t>& value)
{
    std::vector<std::uint8_t> out{IAC, SB, option};
    escape(value.data(), value.size(), out);
    out.push_back(IAC);
    out.push_back(SE);
    return out;
}

std::vector<std::uint8_t> Stream::start(bool comPort) { return begin(comPort, false); }
std::vector<std::uint8_t> Stream::serve(bool comPort) { return begin(comPort, true); }

std::vector<std::uint8_t> Stream::begin(bool comPort, bool server)
{
    comPort_ = comPort;
    server_ = server;
    std::vector<std::uint8_t> out;
    auto offer = [&](std::uint8_t verb, std::uint8_t option) {
        Option& o = options_[option];
        Side& side = verb == WILL ? o.us : o.him;
        if (side != Side::No)
            return; // already agreed: the server asked first
        side = Side::WantYes;
        out.insert(out.end(), {IAC, verb, option});
    };
    offer(WILL, OptBinary);
    offer(DO, OptBinary);
    offer(WILL, OptSuppressGoAhead);
    offer(DO, OptSuppressGoAhead);
    // The client performs COM-PORT-OPTION: it sends the requests.
    if (comPort)
        offer(server ? DO : WILL, OptComPort);
    return out;
}

bool Stream::accepts(std::uint8_t option, bool ours) const
{
    return option == OptBinary || option == OptSuppressGoAhead || (option == OptComPort && comPort_ && ours != server_);
}

void Stream::negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& reply)
{
    Option& o = options_[option];
    const bool ours = verb == DO || verb == DONT;
    Side& side = ours ? o.us : o.him;
    bool& refused = ours ? o.refusedUs : o.refusedHim;
    const std::uint8_t yes = ours ? WILL : DO, no = ours ? WONT : DONT;
    auto send = [&](std::uint8_t v) { reply.insert(reply.end(), {IAC, v, option}); };

    if (verb == WILL || verb == DO) {
        if (side == Side::WantYes) {
            side = Side::Yes; // the answer to our offer
        } else if (side == Side::No) {
            if (accepts(option, ours)) {
                side = Side::Yes;
                send(yes);
            } else if (!refused) {
                // Once: a server that repeats the request gets no answer that
                // it could answer in turn.
                refused = true;
                send(no);
            }
        }
        return;
    }
    if (option == OptComPort && ours != server_ && side != Side::No)
        comPortRefused_ = true;
    if (side == Side::Yes)
        send(no); // the server turned it off: confirm
    side = Side::No;
}

void Stream::command(std::uint8_t byte, std::vector<std::uint8_t>& data)
{
    parse_ = Parse::Data;
    switch (byte) {
    case IAC: data.push_back(IAC); break;
    case WILL:
    case WONT:
    case DO:
    case DONT:
        verb_ = byte;
        parse_ = Parse::Verb;
        break;
    case SB: parse_ = Parse::SbOption; break;
    default: break; // NOP, GA, AYT, a stray SE and the like mean nothing here
    }
}

void Stream::feed(const std::uint8_t* p, std::size_t n, std::vector<std::uint8_t>& data,
                  std::vector<std::uint8_t>& reply, std::vector<Subnegotiation>& subs)
{
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = p[i];
        switch (parse_) {
        case Parse::Data:
            if (b == IAC)
                parse_ = Parse::Iac;
            else
                data.push_back(b);
            break;
        case Parse::Iac: command(b, data); break;
        case Parse::Verb:
            negotiate(verb_, b, reply);
            parse_ = Parse::Data;
            break;
        case Parse::SbOption:
            sub_.option = b;
            sub_.value.clear();
            subTooLong_ = false;
            parse_ = Parse::SbData;
            break;
        case Parse::SbData:
            if (b == IAC) {
                parse_ = Parse::SbIac;
            } else if (sub_.value.size() < kMaxSubnegotiation) {
                sub_.value.push_back(b);
            } else {
                subTooLong_ = true;
            }
            break;
        case Parse::SbIac:
            if (b == IAC) {
                parse_ = Parse::SbData;
                if (sub_.value.size() < kMaxSubnegotiation)
                    sub_.value.push_back(IAC);
                else
                    subTooLong_ = true;
            } else if (b == SE) {
                if (!subTooLong_)
                    subs.push_back(sub_);
                parse_ = Parse::Data;
            } else {
                // A command inside: the server never ended the subnegotiation.
                // Drop it and take the command, so what follows is not lost.
                command(b, data);
            }
            break;
        }
    }
}

bool Stream::binaryIn() const { return options_[OptBinary].him == Side::Yes; }
bool Stream::binaryOut() const { return options_[OptBinary].us == Side::Yes; }
bool Stream::comPortAccepted() const
{
    const Option& o = options_[OptComPort];
    return (server_ ? o.him : o.us) == Side::Yes;
}
bool Stream::comPortRefused() const { return comPortRefused_; }

} // namespace serial::telnet
