#pragma once
// A tick's reads of the port: all that waits, in reads of a program's own
// size. An adapter does not wait for its reader; what is not read in time
// the driver drops, so a tick takes more than one read when a fast line has
// filled the queue since the last.

#include "serial/PortSession.h"

#include <cstddef>
#include <cstdint>
#include <system_error>

namespace serial {

/// Most bytes one tick reads, even while more keep coming: a line faster
/// than the program can handle must still leave the tick, and the window,
/// room to run. It is what a driver's input buffer holds, far above what
/// 3 Mbaud brings in a tick.
inline constexpr std::size_t kTickReadBound = std::size_t{64} * 1024;

struct TickRead {
    /// Bytes of all the reads together.
    std::size_t count = 0;
    /// The last read filled its buffer: the bound ended the reads, and more
    /// may wait.
    bool lastFull = false;
    /// As for PortSession::read; what came before it was handed on.
    std::error_code lost;
};

/// Reads into buf, chunk bytes at most a read, until a read comes back
/// short (the port is empty) or kTickReadBound bytes came, and hands each
/// read that got bytes to take(count) before the next, which reuses buf.
/// Port is a PortSession, or anything whose read answers as its does.
template <class Port, class Take> TickRead readWhatWaits(Port& port, std::uint8_t* buf, std::size_t chunk, Take&& take)
{
    TickRead got;
    while (got.count < kTickReadBound) {
        const PortSession::Transfer read = port.read(buf, chunk);
        got.lost = read.lost;
        got.lastFull = read.count == chunk;
        if (read.count > 0) {
            got.count += read.count;
            take(read.count);
        }
        if (read.lost || !got.lastFull)
            break;
    }
    return got;
}

} // namespace serial
