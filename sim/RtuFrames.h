#pragma once
// Modbus RTU framing as a server sees it: a request is what comes between
// two silences of 3.5 characters, whatever its bytes say about its length.

#include "sim/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace sim {

/// Longest RTU frame: slave id, 253 bytes of PDU, CRC.
inline constexpr std::size_t kMaxRtuFrame = 256;

/// The silence that ends a frame at baud: 3.5 characters of 11 bits (start,
/// 8 data, parity or a second stop, stop), rounded up; 1.75 ms above 19200
/// baud, where that time gets too short for a host to keep.
Micros rtuSilence(int baud);

/// Cuts the incoming bytes into frames at silences.
///
/// Only quiet() ends a frame, and the serving loop calls it only when it
/// has seen the line quiet until the deadline. Bytes read late (the loop
/// was not scheduled) join the frame under way instead, since when they
/// came cannot be told: a request written in one piece is never split, at
/// worst a noise byte joins a request and its CRC fails.
class RtuFramer {
public:
    explicit RtuFramer(Micros silence);

    void feed(const std::uint8_t* data, std::size_t size, Micros now);
    /// The end of the silence after the last byte; nothing while no frame
    /// is under way.
    std::optional<Micros> deadline() const;
    /// The line was quiet until deadline(): the frame so far, or nothing
    /// when it grew past kMaxRtuFrame (a stream of noise, not a request).
    std::optional<Bytes> quiet();

private:
    Micros silence_;
    Bytes pending_;
    bool tooLong_ = false;
    Micros last_ = 0;
};

/// True when the last two bytes are the CRC-16 of the rest, low byte first.
bool rtuCrcHolds(const Bytes& frame);
/// The frame with its CRC-16 appended, low byte first.
Bytes withRtuCrc(Bytes frame);

/// An exception answer: slave, function | 80, code, CRC.
Bytes modbusException(std::uint8_t slave, std::uint8_t function, std::uint8_t code);

inline constexpr std::uint8_t kIllegalFunction = 0x01;
inline constexpr std::uint8_t kIllegalDataValue = 0x03;

/// The functions the server serves: read coils and discrete inputs (01,
/// 02; it has none, so their addresses are refused), read holding and
/// input registers (03, 04), write single coil and register (05, 06),
/// write multiple coils and registers (0F, 10), report slave id (11), mask
/// write register (16), read/write multiple registers (17).
bool servedFunction(std::uint8_t function);
/// Whether a whole frame (slave id to CRC) of a served function is as long
/// as its fields say.
bool servedFrameFits(const Bytes& frame);

} // namespace sim
