#pragma once
// The line settings of a serial server's port, carried over telnet's
// COM-PORT-OPTION: the requests a client sends, and the opening of a
// connection, where the server is asked for the line and its answers decide
// whether the port is the one wanted. Time comes in as an argument.

#include "serial/LineCheck.h"
#include "serial/PortSettings.h"
#include "serial/Telnet.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace serial::rfc2217 {

// Client command codes; the server answers with the code + kServerOffset.
inline constexpr std::uint8_t SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5,
                              PurgeData = 12;
inline constexpr std::uint8_t kServerOffset = 100;

namespace control {
inline constexpr std::uint8_t NoFlow = 1, XonXoff = 2, Hardware = 3, DtrOn = 8, DtrOff = 9, RtsOn = 11, RtsOff = 12;
}
namespace purge {
inline constexpr unsigned Receive = 1, Transmit = 2, Both = 3;
}

/// One request: command code and value, unescaped.
struct Request {
    std::uint8_t command;
    std::vector<std::uint8_t> value;

    bool operator==(const Request&) const = default;
};

/// The requests that give a server's port the line: baud, data size,
/// parity, stop size and flow control, then DTR and RTS (RTS only when it
/// is not the flow control's), then a purge of both directions if asked.
std::vector<Request> requestsFor(const LineSettings& line, bool purge);

/// The request on the wire, as a telnet subnegotiation.
std::vector<std::uint8_t> bytes(const Request& request);

std::vector<std::uint8_t> purgeRequest(unsigned flags);
std::vector<std::uint8_t> dtrRequest(bool on);
std::vector<std::uint8_t> rtsRequest(bool on);

/// The opening of a connection: telnet offers, then (once the server took
/// COM-PORT-OPTION) the line's requests, then the answers. Each answer is
/// waited for at most answerWait after the last one came, so the whole
/// opening takes at most (requests + 1) x answerWait.
class Negotiation {
public:
    using Clock = std::chrono::steady_clock; // time passed in, never read
    enum class State { Negotiating, Done, Refused, Failed };

    explicit Negotiation(const LineSettings& wanted, bool purge,
                         std::chrono::milliseconds answerWait = std::chrono::milliseconds(1000));

    /// The telnet offers; nothing when the line is refused before asking.
    std::vector<std::uint8_t> start(Clock::time_point now);
    /// Bytes from the server; returns bytes to send now. Data bytes that
    /// arrive meanwhile are appended to data.
    std::vector<std::uint8_t> feed(const std::uint8_t* p, std::size_t n, Clock::time_point now,
                                   std::vector<std::uint8_t>& data);
    /// Time passed: gives up the waits that expired.
    std::vector<std::uint8_t> tick(Clock::time_point now);

    State state() const { return state_; }
    /// When tick() must be called next; nothing once the opening is over.
    std::optional<Clock::time_point> deadline() const { return deadline_; }
    /// The line as the server confirmed it; fields never answered as wanted.
    LineSettings kept() const { return kept_; }
    /// Chinese (UTF-8) names of the requests that got no answer in time.
    std::vector<std::string> unanswered() const { return unanswered_; }
    std::optional<LineRefusal> refusal() const { return refusal_; }
    /// For Failed, in Chinese (UTF-8).
    std::string failure() const { return failure_; }
    /// After Done: the live connection goes on with the same telnet state.
    telnet::Stream takeStream() { return std::move(stream_); }

private:
    struct Pending {
        Request request;
        bool line; // a line setting: an answer that differs refuses the open
    };

    void answer(const telnet::Subnegotiation& sub, Clock::time_point now);
    void refuse(const LineRefusal& refusal);
    void finish(State state);

    LineSettings wanted_;
    LineSettings kept_;
    std::chrono::milliseconds answerWait_;
    std::vector<Pending> pending_; // sent, not answered yet
    bool sent_ = false;
    telnet::Stream stream_;
    State state_ = State::Negotiating;
    std::optional<Clock::time_point> deadline_;
    std::vector<std::string> unanswered_;
    std::optional<LineRefusal> refusal_;
    std::string failure_;
};

} // namespace serial::rfc2217
