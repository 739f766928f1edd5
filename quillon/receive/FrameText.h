#pragma once
// How a frame is written into the receive view and the log.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace quillon {

/// "[%Y:%m:%d:%H:%M:%S]".
std::string timestampText(const std::tm& local);

/// The bytes as GBK characters, up to the first zero byte.
std::string bytesAsText(const std::uint8_t* bytes, std::size_t count);

/// Whether key occurs anywhere in frame, at its very end and as the whole
/// frame included. An empty key matches any frame that is not empty.
bool keywordMatches(const std::uint8_t* frame, std::size_t n, const std::uint8_t* key, std::size_t k);

/// One frame as the view and the log take it.
struct RenderedFrame {
    std::string text;      // the bytes alone: what the auto clear measures
    std::string decorated; // time stamp, marker, text: what is shown and logged
};

/// @param hex two digits and a space per byte; otherwise the bytes as
///        characters up to the first zero byte.
/// @param marker put before the text ("[接收]", "[发送]"); empty for none.
/// @param stamp local time put before the marker; null for none.
RenderedFrame renderFrame(const std::uint8_t* bytes, std::size_t count, bool hex, const std::string& marker,
                          const std::tm* stamp);
/// A frame already written as text, with the same stamp and marker.
RenderedFrame decorateText(std::string text, const std::string& marker, const std::tm* stamp);

} // namespace quillon
