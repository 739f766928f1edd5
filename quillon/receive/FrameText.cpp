#include "quillon/receive/FrameText.h"

#include "quillon/send/HexTextCodec.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillon {

std::string timestampText(const std::tm& local)
{
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, "[%Y:%m:%d:%H:%M:%S]", &local);
    return std::string(buf, n);
}

std::string bytesAsText(const std::uint8_t* bytes, std::size_t count)
{
    const void* zero = std::memchr(bytes, 0, count);
    const std::size_t n = zero ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes) : count;
    return std::string(reinterpret_cast<const char*>(bytes), n);
}

bool keywordMatches(const std::uint8_t* frame, std::size_t n, const std::uint8_t* key, std::size_t k)
{
    if (n == 0 || k > n)
        return false;
    if (k == 0)
        return true;
    return std::search(frame, frame + n, key, key + k) != frame + n;
}

RenderedFrame renderFrame(const std::uint8_t* bytes, std::size_t count, bool hex, const std::string& marker,
                          const std::tm* stamp)
{
    return decorateText(hex ? formatHex(bytes, count) : bytesAsText(bytes, count), marker, stamp);
}

RenderedFrame decorateText(std::string text, const std::string& marker, const std::tm* stamp)
{
    RenderedFrame r;
    r.decorated = (stamp ? timestampText(*stamp) : std::string()) + marker + text;
    r.text = std::move(text);
    return r;
}

} // namespace quillon
