#include "sim/StreamGenerator.h"

#include <cstdio>
#include <string>

namespace sim {
namespace {

// Bytes handed out in one call at most: with no rate and no pause the
// stream is a flood, and a late caller should not get it all at once.
constexpr std::size_t kMaxBurst = 4096;

} // namespace

Bytes streamFrame(const StreamSettings& s, std::uint64_t index)
{
    Bytes out;
    if (s.text) {
        char number[32];
        std::snprintf(number, sizeof number, "#%06llu ", static_cast<unsigned long long>(index));
        std::string line = number;
        const std::size_t body = s.frameBytes - 2;
        for (char c = 'A'; line.size() < body; c = c == 'Z' ? 'A' : char(c + 1))
            line += c;
        line.resize(body);
        line += "\r\n";
        out.assign(line.begin(), line.end());
    } else {
        out = {0xAA, 0x55, static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)};
        for (std::size_t i = 0; out.size() < s.frameBytes; ++i)
            out.push_back(static_cast<std::uint8_t>(i));
        out.resize(s.frameBytes);
    }
    return out;
}

StreamGenerator::StreamGenerator(StreamSettings settings, Micros start)
    : settings_(settings), frameStart_(start), frame_(streamFrame(settings_, 1))
{
}

Micros StreamGenerator::dueAt(std::size_t byte) const
{
    if (settings_.rate <= 0)
        return frameStart_;
    return frameStart_ + static_cast<Micros>(byte) * 1000000 / settings_.rate;
}

std::optional<Micros> StreamGenerator::nextDue() const
{
    if (settings_.count > 0 && index_ > static_cast<std::uint64_t>(settings_.count))
        return std::nullopt;
    return dueAt(sent_);
}

Bytes StreamGenerator::due(Micros now)
{
    Bytes out;
    for (auto next = nextDue(); next && *next <= now && out.size() < kMaxBurst; next = nextDue()) {
        out.push_back(frame_[sent_++]);
        if (sent_ < frame_.size())
            continue;
        // The frame ends when its last byte has had its time on the line.
        frameStart_ = dueAt(frame_.size()) + settings_.pause;
        sent_ = 0;
        frame_ = streamFrame(settings_, ++index_);
    }
    return out;
}

} // namespace sim
