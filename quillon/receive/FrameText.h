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

/// ASCII letters upper-cased; GBK double-byte characters left whole, since
/// their second byte may look like a lower-case letter.
std::string upperCased(std::string text);

} // namespace quillon
