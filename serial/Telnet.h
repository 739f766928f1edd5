#pragma once
// A telnet connection between a serial server and its client: data bytes
// separated from commands, option requests answered, subnegotiations
// collected. Pure: bytes in, bytes out, no socket and no clock.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace serial::telnet {

inline constexpr std::uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
inline constexpr std::uint8_t OptBinary = 0, OptSuppressGoAhead = 3, OptComPort = 44;

/// Longer subnegotiations than this are dropped whole: no server option
/// this client takes carries more, and a runaway one must not grow memory.
inline constexpr std::size_t kMaxSubnegotiation = 1024;

struct Subnegotiation {
    std::uint8_t option;
    std::vector<std::uint8_t> value; // unescaped

    bool operator==(const Subnegotiation&) const = default;
};

/// Doubles every 0xFF of data for the wire, appending to out.
void escape(const std::uint8_t* p, std::size_t n, std::vector<std::uint8_t>& out);

/// IAC SB option value(escaped) IAC SE.
std::vector<std::uint8_t> subnegotiation(std::uint8_t option, const std::vector<std::uint8_t>& value);

/// One end of a telnet connection, the client's unless serve() began it;
/// its state survives any split of the input.
///
/// Data bytes are taken raw, before and after BINARY is agreed: no CR NUL
/// or CR LF is rewritten either way, as the programs never alter a byte of
/// the line and a serial server in binary mode sends the line's bytes as
/// they are.
class Stream {
public:
    /// What the client offers on connect: WILL and DO BINARY, WILL and DO
    /// SUPPRESS-GO-AHEAD, and WILL COM-PORT-OPTION when comPort.
    std::vector<std::uint8_t> start(bool comPort);
    /// What a server offers instead: the same, but DO COM-PORT-OPTION when
    /// comPort, whose requests the client then sends.
    std::vector<std::uint8_t> serve(bool comPort);

    /// Bytes from the other end: data bytes appended to data (IAC IAC gives one
    /// 0xFF), answers to the server's option requests appended to reply (to
    /// be sent), complete subnegotiations appended to subs. Other commands
    /// (NOP, GA, AYT, ...) are dropped. An option request is answered only
    /// when it changes that option's state, so two ends never loop; BINARY
    /// and SUPPRESS-GO-AHEAD are accepted both ways, COM-PORT-OPTION only
    /// when offered and on the client's side, anything else refused once.
    void feed(const std::uint8_t* p, std::size_t n, std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& reply,
              std::vector<Subnegotiation>& subs);

    bool binaryIn() const;        // the server sends in binary
    bool binaryOut() const;       // we send in binary
    bool comPortAccepted() const; // the server said DO COM-PORT-OPTION (to a server: the client WILL)
    bool comPortRefused() const;  // the server said DONT COM-PORT-OPTION (to a server: the client WONT)

private:
    // One side of an option, as RFC 1143 keeps it; a side is only ever asked
    // for once, at the start, so no queue is needed.
    enum class Side : std::uint8_t { No, Yes, WantYes };
    struct Option {
        Side us = Side::No;  // we perform it (WILL)
        Side him = Side::No; // the server performs it (DO)
        bool refusedUs = false, refusedHim = false;
    };
    enum class Parse : std::uint8_t { Data, Iac, Verb, SbOption, SbData, SbIac };

    void command(std::uint8_t byte, std::vector<std::uint8_t>& data);
    void negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& reply);
    std::vector<std::uint8_t> begin(bool comPort, bool server);
    bool accepts(std::uint8_t option, bool ours) const;

    std::array<Option, 256> options_{};
    bool comPort_ = false;
    bool server_ = false;
    bool comPortRefused_ = false;
    Parse parse_ = Parse::Data;
    std::uint8_t verb_ = 0;
    Subnegotiation sub_{};
    bool subTooLong_ = false;
};

} // namespace serial::telnet
