#pragma once
// The server end of one RFC 2217 connection, for a simulator with no real
// line behind it: it keeps every line setting asked for that a serial port
// can have and answers each request with the code + 100 and the value it
// now has, as a serial server in front of hardware does. Pure: bytes in,
// bytes out.

#include "sim/Bytes.h"

#include "serial/Telnet.h"

#include <cstddef>
#include <cstdint>

namespace sim {

/// The line as the client set it (the codes of the protocol).
struct ComPortLine {
    std::uint32_t baud = 9600;
    std::uint8_t dataSize = 8;
    std::uint8_t parity = 1;   // none
    std::uint8_t stopSize = 1; // one
    std::uint8_t flow = 1;     // outbound: none
    std::uint8_t inboundFlow = 14;
    std::uint8_t breakState = 6; // off
    std::uint8_t dtr = 8;        // on
    std::uint8_t rts = 11;       // on
    std::uint8_t lineStateMask = 0;
    std::uint8_t modemStateMask = 255;

    bool operator==(const ComPortLine&) const = default;
};

class ComPortServer {
public:
    /// What the server says on connect: BINARY both ways,
    /// SUPPRESS-GO-AHEAD, DO COM-PORT-OPTION.
    Bytes start();
    /// Bytes from the client: data bytes for the mode appended to data,
    /// answers (options, requests) appended to reply. Requests before the
    /// client took COM-PORT-OPTION, and ones the protocol does not answer,
    /// get none.
    void feed(const std::uint8_t* p, std::size_t n, Bytes& data, Bytes& reply);
    /// The mode's bytes for the wire, escaped, appended to out.
    static void wrap(const Bytes& data, Bytes& out) { serial::telnet::escape(data.data(), data.size(), out); }

    const ComPortLine& line() const { return line_; }

private:
    void request(const std::vector<std::uint8_t>& sub, Bytes& reply);
    std::uint8_t control(std::uint8_t value);

    serial::telnet::Stream stream_;
    ComPortLine line_;
};

} // namespace sim
