#pragma once
// The receive side of the tick: what the port holds, split into frames by
// line silence, counted, filtered by the keyword and shown.

#include "quillon/receive/FrameSplitter.h"
#include "quillon/receive/TrafficView.h"
#include "quillon/send/AnswerWait.h"
#include "serial/PortSession.h"

#include <cstddef>
#include <system_error>

namespace quillon {

class ReceivePath {
public:
    ReceivePath(TrafficView& view, AnswerWait& wait) : view_(view), wait_(wait) {}

    struct Polled {
        std::size_t bytes = 0;
        /// The device went away, and the session has let it go; bytes read
        /// before are counted and in frames.
        std::error_code lost;
    };
    /// One poll of the port: reads all that waits, a chunk at a time, or
    /// lets the quiet poll end a frame when nothing does.
    Polled receive(serial::PortSession& port);
    /// A frame has begun and not ended yet.
    bool pending() const { return frames_.pending(); }

private:
    /// Counts, filters, shows and logs a finished frame; it answers a
    /// waiting rotation whether or not it is shown.
    void endFrame(const Frame& frame);
    bool passesKeyword(const std::uint8_t* bytes, std::size_t count);

    TrafficView& view_;
    AnswerWait& wait_;
    FrameSplitter frames_;
};

} // namespace quillon
