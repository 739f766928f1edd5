#include "dialog/qt/GbkDecode.h"

#include "dialog/Gbk.h"

#include <array>
#include <string_view>

namespace dialog::qt {
namespace {

constexpr char16_t kUnknown = 0;
constexpr char16_t kNoCharacter = 0xFFFF;
constexpr char16_t kReplacement = 0xFFFD;

// What one GBK byte or byte pair converts to, asked of the converter once.
char16_t convertOnce(const char* p, std::size_t n)
{
    const QString s = QString::fromStdString(dialog::fromGbk(std::string_view(p, n)));
    return s.size() == 1 && s[0].unicode() != kReplacement ? s[0].unicode() : kNoCharacter;
}

} // namespace

GbkChar decodeGbkAt(const char* p, std::size_t left)
{
    static std::array<char16_t, std::size_t{126} * 256> pairs{};
    static std::array<char16_t, 128> singles{};
    const auto b = static_cast<unsigned char>(p[0]);
    if (b < 0x80)
        return {b, 1};
    const bool lead = dialog::isGbkLeadByte(p[0]);
    if (lead && left >= 2) {
        char16_t& u = pairs[(b - 0x81) * 256 + static_cast<unsigned char>(p[1])];
        if (u == kUnknown)
            u = convertOnce(p, 2);
        if (u != kNoCharacter)
            return {u, 2};
        return {kReplacement, 1};
    }
    if (lead)
        return {kReplacement, 1}; // its second byte has not come
    char16_t& u = singles[b - 0x80];
    if (u == kUnknown)
        u = convertOnce(p, 1);
    return {u == kNoCharacter ? kReplacement : u, 1};
}

QString decodeGbk(const char* bytes, std::size_t n, std::vector<int>* byteAt)
{
    QString out(static_cast<qsizetype>(n), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    if (byteAt)
        byteAt->clear();
    for (std::size_t p = 0; p < n;) {
        if (byteAt)
            byteAt->push_back(static_cast<int>(p));
        const GbkChar c = decodeGbkAt(bytes + p, n - p);
        *o++ = c.unit;
        p += static_cast<std::size_t>(c.bytes);
    }
    if (byteAt)
        byteAt->push_back(static_cast<int>(n));
    out.truncate(o - reinterpret_cast<const char16_t*>(out.constData()));
    return out;
}

} // namespace dialog::qt
