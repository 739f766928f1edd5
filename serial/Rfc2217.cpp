#include "serial/Rfc2217.h"

#include <algorithm>

namespace serial::rfc2217 {
namespace {

constexpr std::uint8_t kUnknownCode = 255; // an answer outside the codes: never what was asked

bool rtsCts(const LineSettings& s) { return s.ctsOutFlow || s.rts == LineControl::Handshake; }

// The protocol sets one flow control for both directions, XON/XOFF as a
// pair; one-way XON/XOFF or both kinds at once come out as refused.
std::uint8_t flowCode(const LineSettings& s)
{
    if (rtsCts(s))
        return control::Hardware;
    return s.xonXoffOut || s.xonXoffIn ? control::XonXoff : control::NoFlow;
}

void keepFlow(std::uint8_t code, LineSettings& s)
{
    s.ctsOutFlow = code == control::Hardware;
    s.xonXoffOut = s.xonXoffIn = code == control::XonXoff;
}

std::uint8_t parityCode(std::uint8_t p) { return static_cast<std::uint8_t>(p + 1); }
std::uint8_t parityOf(std::uint8_t code) { return code >= 1 && code <= 5 ? code - 1 : kUnknownCode; }

std::uint8_t stopCode(std::uint8_t s) { return s == stopbits::Two ? 2 : s == stopbits::OneAndHalf ? 3 : 1; }
std::uint8_t stopOf(std::uint8_t code)
{
    switch (code) {
    case 1: return stopbits::One;
    case 2: return stopbits::Two;
    case 3: return stopbits::OneAndHalf;
    }
    return kUnknownCode;
}

// SET-CONTROL answers tell which request they answer by their value's range.
enum class Control : std::uint8_t { Flow, Dtr, Rts, Other };
Control controlKind(std::uint8_t v)
{
    if (v >= control::NoFlow && v <= control::Hardware)
        return Control::Flow;
    if (v == control::DtrOn || v == control::DtrOff)
        return Control::Dtr;
    if (v == control::RtsOn || v == control::RtsOff)
        return Control::Rts;
    return Control::Other;
}

bool answers(const Request& request, std::uint8_t command, const std::vector<std::uint8_t>& value)
{
    if (command != request.command || value.size() != request.value.size())
        return false;
    return command != SetControl || controlKind(value[0]) == controlKind(request.value[0]);
}

std::string nameOf(const Request& r)
{
    switch (r.command) {
    case SetBaudRate: return "波特率";
    case SetDataSize: return "数据位";
    case SetParity: return "校验位";
    case SetStopSize: return "停止位";
    case PurgeData: return "清空缓冲";
    default: break;
    }
    switch (controlKind(r.value[0])) {
    case Control::Dtr: return "DTR";
    case Control::Rts: return "RTS";
    default: return "流控";
    }
}

std::vector<std::uint8_t> controlRequest(std::uint8_t code) { return bytes({SetControl, {code}}); }

} // namespace

std::vector<Request> requestsFor(const LineSettings& line, bool purge)
{
    const std::uint32_t baud = line.baudRate;
    std::vector<Request> out{
        {SetBaudRate,
         {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
          static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)}},
        {SetDataSize, {line.dataBits}},
        {SetParity, {parityCode(line.parity)}},
        {SetStopSize, {stopCode(line.stopBits)}},
        {SetControl, {flowCode(line)}},
        {SetControl, {line.dtr == LineControl::Disable ? control::DtrOff : control::DtrOn}},
    };
    // An RTS handshake is the flow control's line: the server drives it.
    if (line.rts != LineControl::Handshake)
        out.push_back({SetControl, {line.rts == LineControl::Disable ? control::RtsOff : control::RtsOn}});
    if (purge)
        out.push_back({PurgeData, {static_cast<std::uint8_t>(purge::Both)}});
    return out;
}

std::vector<std::uint8_t> bytes(const Request& request)
{
    std::vector<std::uint8_t> value{request.command};
    value.insert(value.end(), request.value.begin(), request.value.end());
    return telnet::subnegotiation(telnet::OptComPort, value);
}

std::vector<std::uint8_t> purgeRequest(unsigned flags)
{
    return bytes({PurgeData, {static_cast<std::uint8_t>(flags)}});
}
std::vector<std::uint8_t> dtrRequest(bool on) { return controlRequest(on ? control::DtrOn : control::DtrOff); }
std::vector<std::uint8_t> rtsRequest(bool on) { return controlRequest(on ? control::RtsOn : control::RtsOff); }

Negotiation::Negotiation(const LineSettings& wanted, bool purge, std::chrono::milliseconds answerWait)
    : wanted_(wanted), kept_(wanted), answerWait_(answerWait)
{
    // What a local port refuses, a remote one refuses alike, before the
    // server's line is touched; so is a flow control the protocol cannot say.
    if (const auto refused = refusedByLinux(wanted)) {
        refuse(*refused);
        return;
    }
    LineSettings sayable = wanted;
    keepFlow(flowCode(wanted), sayable);
    if (const auto refused = notKept(wanted, sayable)) {
        refuse(*refused);
        return;
    }
    for (Request& r : requestsFor(wanted, purge)) {
        const bool line =
            r.command != PurgeData && (r.command != SetControl || controlKind(r.value[0]) == Control::Flow);
        pending_.push_back({std::move(r), line});
    }
}

std::vector<std::uint8_t> Negotiation::start(Clock::time_point now)
{
    if (state_ != State::Negotiating)
        return {};
    deadline_ = now + answerWait_;
    return stream_.start(true);
}

std::vector<std::uint8_t> Negotiation::feed(const std::uint8_t* p, std::size_t n, Clock::time_point now,
                                            std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out;
    std::vector<telnet::Subnegotiation> subs;
    stream_.feed(p, n, data, out, subs);
    if (state_ != State::Negotiating)
        return out;
    // Said at the start, or later: a server that takes the option back
    // answers nothing more.
    if (stream_.comPortRefused()) {
        failure_ = "服务器不支持 RFC 2217 串口选项";
        finish(State::Failed);
        return out;
    }
    if (!sent_) {
        if (stream_.comPortAccepted()) {
            // Only now: a subnegotiation of an option the server has not
            // taken is a protocol error, and it may still say DONT.
            // All requests go at once; the server answers them in turn.
            sent_ = true;
            for (const Pending& pending : pending_) {
                const auto b = bytes(pending.request);
                out.insert(out.end(), b.begin(), b.end());
            }
            deadline_ = now + answerWait_;
        }
        return out;
    }
    for (const telnet::Subnegotiation& sub : subs) {
        if (state_ != State::Negotiating)
            break;
        if (sub.option == telnet::OptComPort)
            answer(sub, now);
    }
    return out;
}

void Negotiation::answer(const telnet::Subnegotiation& sub, Clock::time_point now)
{
    if (sub.value.empty() || sub.value[0] <= kServerOffset)
        return; // a request of the server's own, or a signature
    const std::uint8_t command = sub.value[0] - kServerOffset;
    const std::vector<std::uint8_t> value(sub.value.begin() + 1, sub.value.end());
    // Line and modem state notifications share the option; they answer nothing.
    const auto it = std::find_if(pending_.begin(), pending_.end(),
                                 [&](const Pending& p) { return answers(p.request, command, value); });
    if (it == pending_.end())
        return;
    const bool line = it->line;
    pending_.erase(it);
    switch (command) {
    case SetBaudRate:
        kept_.baudRate =
            std::uint32_t{value[0]} << 24 | std::uint32_t{value[1]} << 16 | std::uint32_t{value[2]} << 8 | value[3];
        break;
    case SetDataSize: kept_.dataBits = value[0]; break;
    case SetParity: kept_.parity = parityOf(value[0]); break;
    case SetStopSize: kept_.stopBits = stopOf(value[0]); break;
    case SetControl:
        switch (controlKind(value[0])) {
        case Control::Flow: keepFlow(value[0], kept_); break;
        case Control::Dtr: kept_.dtr = value[0] == control::DtrOn ? LineControl::Enable : LineControl::Disable; break;
        case Control::Rts: kept_.rts = value[0] == control::RtsOn ? LineControl::Enable : LineControl::Disable; break;
        case Control::Other: break;
        }
        break;
    default: break;
    }
    // A value that differs is what the server's port has: refused as a local
    // port that did not keep it. The modem lines are not part of the line.
    if (line) {
        if (const auto refused = notKept(wanted_, kept_)) {
            refuse(*refused);
            return;
        }
    }
    if (pending_.empty())
        finish(State::Done);
    else
        deadline_ = now + answerWait_; // the server is answering: give the next its time
}

std::vector<std::uint8_t> Negotiation::tick(Clock::time_point now)
{
    if (state_ != State::Negotiating || !deadline_ || now < *deadline_)
        return {};
    if (!sent_) {
        failure_ = "服务器没有回应 RFC 2217 串口选项";
        finish(State::Failed);
        return {};
    }
    // A server in front of a pseudo-terminal never answers DTR or RTS; the
    // port is used with what it has, and the user is told what went unanswered.
    for (const Pending& pending : pending_)
        unanswered_.push_back(nameOf(pending.request));
    pending_.clear();
    finish(State::Done);
    return {};
}

void Negotiation::refuse(const LineRefusal& refusal)
{
    refusal_ = refusal;
    finish(State::Refused);
}

void Negotiation::finish(State state)
{
    state_ = state;
    deadline_.reset();
}

} // namespace serial::rfc2217
