#include "quillon/receive/FrameSplitter.h"

#include "dialog/Gbk.h"

namespace quillon {

std::size_t gbkSafeCut(const std::uint8_t* data, std::size_t size, std::size_t limit)
{
    if (size <= limit)
        return size;
    // Characters are only known from the frame's start: a trail byte can
    // look like a lead byte.
    std::size_t i = 0;
    while (i < limit) {
        const std::size_t step = dialog::isGbkLeadByte(static_cast<char>(data[i])) && i + 1 < size ? 2 : 1;
        if (i + step > limit)
            break;
        i += step;
    }
    return i;
}

std::vector<Frame> FrameSplitter::addChunk(const std::uint8_t* bytes, std::size_t count)
{
    std::vector<Frame> full;
    pending_.insert(pending_.end(), bytes, bytes + count);
    // A frame of exactly kMaxFrame bytes still ends whole at its quiet end;
    // it is cut only once more arrives.
    while (pending_.size() > kMaxFrame) {
        const auto cut = static_cast<std::ptrdiff_t>(gbkSafeCut(pending_.data(), pending_.size(), kMaxFrame));
        full.emplace_back(pending_.begin(), pending_.begin() + cut);
        pending_.erase(pending_.begin(), pending_.begin() + cut);
    }
    return full;
}

std::optional<Frame> FrameSplitter::quietPoll()
{
    if (++idlePolls_ < kQuietPolls)
        return std::nullopt;
    idlePolls_ = 0;
    if (pending_.empty())
        return std::nullopt;
    Frame frame(pending_.begin(), pending_.end());
    pending_.clear();
    return frame;
}

} // namespace quillon
