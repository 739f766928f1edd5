#pragma once
// Received bytes grouped into frames by line silence, as the tick polls.
//
// The tick is asked for every 10 ms. The periods users type for auto-send
// and the file rotation count a tick as 14 ms; the area rotation and the
// frame silence here count the nominal 10 ms. Devices and test set-ups are
// tuned to both counts, so both stay.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillon {

using Frame = std::vector<std::uint8_t>;

class FrameSplitter {
public:
    /// Most bytes one read of a poll takes, so the most a chunk holds; a
    /// poll reads again while its reads come back full.
    static constexpr std::size_t kMaxChunk = 1024;
    /// The frame buffer; a frame holds at most one byte less.
    static constexpr std::size_t kFrameBuffer = 4096;
    static constexpr std::size_t kMaxFrame = kFrameBuffer - 1;
    /// Empty polls after which a pending frame ends (one to four after its
    /// last byte: the count runs on a cycle that data does not reset).
    static constexpr int kQuietPolls = 4;

    FrameSplitter() { pending_.reserve(kFrameBuffer + kMaxChunk); }

    /// Takes the bytes of one read.
    /// @return the frames that had to end for size, usually none. Each holds
    ///         at most kMaxFrame bytes and never ends between the two bytes
    ///         of a GBK character; what does not fit starts the next frame,
    ///         so no byte is dropped.
    std::vector<Frame> addChunk(const std::uint8_t* bytes, std::size_t count);

    /// A poll whose first read found nothing.
    /// @return the pending frame when this poll completes a cycle of
    ///         kQuietPolls and a frame is pending; nothing otherwise.
    std::optional<Frame> quietPoll();

    /// Whether bytes have arrived since the last frame ended.
    bool pending() const { return !pending_.empty(); }

private:
    Frame pending_;
    int idlePolls_ = 0;
};

/// Where a frame of data cut at most limit bytes in ends: limit, or one
/// less where that would part a GBK lead byte from the byte after it.
std::size_t gbkSafeCut(const std::uint8_t* data, std::size_t size, std::size_t limit);

} // namespace quillon
