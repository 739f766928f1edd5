#include "dialog/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace dialog {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr): iconv_open's failure value
            throw std::runtime_error(std::string("iconv_open failed: ") + from + " -> " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in, replacing what cannot be converted by `replacement`
    // and skipping `badInputStep` bytes of input that cannot be read.
    std::string run(std::string_view in, std::string_view replacement, std::size_t badInputStep)
    {
        std::string out;
        out.reserve(in.size() * 3 / 2 + 4);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[1024];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ (unmappable or malformed) or EINVAL (truncated at the end).
            out.append(replacement);
            std::size_t step = errno == EINVAL ? srcLeft : skipLength(src, srcLeft, badInputStep);
            src += step;
            srcLeft -= step;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, static_cast<std::size_t>(dst - buf));
        return out;
    }

private:
    // For UTF-8 input skip the whole character that could not be mapped, so
    // one character gives one '?'.
    static std::size_t skipLength(const char* p, std::size_t left, std::size_t step)
    {
        if (step != 0)
            return step < left ? step : left;
        auto lead = static_cast<unsigned char>(p[0]);
        std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        for (std::size_t i = 1; i < n && i < left; ++i)
            if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80)
                return i;
        return n < left ? n : left;
    }

    iconv_t cd_;
};

bool isAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

} // namespace

std::string toGbk(std::string_view utf8)
{
    if (isAscii(utf8))
        return std::string(utf8);
    thread_local Converter conv("GBK", "UTF-8");
    return conv.run(utf8, "?", 0);
}

std::size_t wholeGbkLength(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isGbkLeadByte(text[i]))
            ++i;
        else if (i + 1 == text.size())
            return i;
        else
            i += 2;
    }
    return text.size();
}

std::string fromGbk(std::string_view gbk)
{
    if (isAscii(gbk))
        return std::string(gbk);
    thread_local Converter conv("UTF-8", "GBK");
    return conv.run(gbk, "\xEF\xBF\xBD", 1);
}

} // namespace dialog
