#include "quillon/receive/ReceivePath.h"

#include "quillon/receive/FrameText.h"
#include "quillon/send/HexTextCodec.h"
#include "serial/ReadWhatWaits.h"

#include <array>
#include <vector>

namespace quillon {

ReceivePath::Polled ReceivePath::receive(serial::PortSession& port)
{
    std::array<std::uint8_t, FrameSplitter::kMaxChunk> readBuffer;
    // Each read is a chunk of its own, as a poll of its own would have read
    // it: frames end and are cut as they would on a poll fast enough.
    const serial::TickRead read =
        serial::readWhatWaits(port, readBuffer.data(), readBuffer.size(), [&](std::size_t count) {
            view_.countReceivedBytes(count);
            for (const Frame& frame : frames_.addChunk(readBuffer.data(), count))
                endFrame(frame);
        });
    if (read.lost)
        return {read.count, read.lost};
    // Only a tick that finds nothing is quiet: the empty read that ends a
    // run of full ones found the line busy.
    if (read.count == 0) {
        if (const auto frame = frames_.quietPoll())
            endFrame(*frame);
    }
    return {read.count, {}};
}

void ReceivePath::endFrame(const Frame& frame)
{
    view_.countReceivedFrame();
    const ReceiveOptions& o = view_.options;
    if (o.displayOn) {
        const bool filtering = o.keywordFilter && !o.keyword.empty();
        if (!filtering || passesKeyword(frame.data(), frame.size()))
            view_.showReceivedFrame(frame.data(), frame.size());
    }
    wait_.frameEnded();
}

bool ReceivePath::passesKeyword(const std::uint8_t* bytes, std::size_t count)
{
    std::string& keyword = view_.options.keyword;
    if (view_.options.rxHex) {
        keyword = upperCased(keyword);
        std::vector<std::uint8_t> key;
        if (parseHex(keyword, true, key) != HexResult::Ok)
            return false;
        return keywordMatches(bytes, count, key.data(), key.size());
    }
    return keywordMatches(bytes, count, reinterpret_cast<const std::uint8_t*>(keyword.data()), keyword.size());
}

} // namespace quillon
