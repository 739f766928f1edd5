#pragma once
// Frames sent on their own, with pauses between them, at a chosen byte
// rate: what a device that reports periodically puts on the line.

#include "sim/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace sim {

struct StreamSettings {
    bool text = true;            // text lines, or binary frames
    std::size_t frameBytes = 16; // at least 4
    Micros pause = 1000000;      // after each frame's last byte
    long rate = 0;               // bytes per second; 0: each frame in one piece
    long count = 0;              // frames to send; 0: no end
};

/// Frame number index (from 1). Text: "#000001 ABC...", cut or filled with
/// letters to frameBytes - 2, then CR LF. Binary: AA 55, the number's low
/// 16 bits high byte first, then 00 01 02 ... up to frameBytes.
Bytes streamFrame(const StreamSettings& settings, std::uint64_t index);

/// The schedule: frame 1 begins at start; at a rate, byte i of a frame is
/// due i/rate seconds after its frame began and the frame takes
/// frameBytes/rate seconds; the pause follows, then the next frame.
class StreamGenerator {
public:
    StreamGenerator(StreamSettings settings, Micros start);

    /// The bytes due by now that were not given yet, across frames if the
    /// caller was late, at most 4096 at a time.
    Bytes due(Micros now);
    /// When the next byte is due; nothing once count frames were sent.
    std::optional<Micros> nextDue() const;

private:
    Micros dueAt(std::size_t byte) const;

    StreamSettings settings_;
    std::uint64_t index_ = 1; // the frame under way
    Micros frameStart_;
    std::size_t sent_ = 0; // bytes of it given
    Bytes frame_;
};

} // namespace sim
