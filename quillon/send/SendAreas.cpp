#include "quillon/send/SendAreas.h"

#include "dialog/Gbk.h"
#include "quillon/QuillonIds.h"
#include "quillon/send/HexTextCodec.h"

namespace quillon {

using dialog::gbk;

namespace {

struct AreaIds {
    int autoSend;
    int period;
    int takesPart;
};
constexpr AreaIds kAreaIds[] = {
    {Area1Auto, Area1Period, Area1TakesPart},
    {Area2Auto, Area2Period, Area2TakesPart},
    {Area3Auto, Area3Period, Area3TakesPart},
};

/// Why hex text is refused, with the place of its first bad character as
/// the user counts: characters, not bytes, and by line in a text of lines.
std::string notHexMessage(int n, const std::string& typed, std::size_t badAt)
{
    int line = 1, column = 1;
    for (std::size_t i = 0; i < badAt; ++i) {
        if (typed[i] == '\n') {
            ++line;
            column = 1;
        } else if (typed[i] != '\r') {
            i += dialog::isGbkLeadByte(typed[i]) ? 1 : 0;
            ++column;
        }
    }
    const auto lead = static_cast<unsigned char>(typed[badAt]);
    const std::string bad = typed.substr(badAt, dialog::isGbkLeadByte(typed[badAt]) ? 2 : 1);
    std::string where = gbk("发送区") + std::to_string(n) + gbk("的");
    if (typed.find('\n') != std::string::npos)
        where += gbk("第") + std::to_string(line) + gbk("行");
    where += gbk("第") + std::to_string(column) + gbk("个字符");
    // A control character would show as nothing between the quotes.
    if (lead > 0x20 && lead != 0x7F)
        where += gbk("“") + bad + gbk("”");
    return where + gbk("不是16进制数字，没有发送。");
}

} // namespace

void SendAreas::refuseText(int n, const std::string& typed, const std::string& why)
{
    // Auto-send and the rotation would repeat the message every period, so
    // once per text.
    std::string& refused = refusedText_[static_cast<std::size_t>(n - 1)];
    if (refused != typed) {
        refused = typed;
        messages_.report(why, dialog::MessageIcon::Warning);
    }
}

bool SendAreas::send(int n, bool emptyFrameCounts)
{
    SendArea& a = area(n);
    // The read gives the text as typed, also after a tick upper-cased it.
    const std::string typed = a.text;
    if (a.hex)
        a.text = upperCased(a.text);
    if (!host_.portOpen())
        return true;
    std::string& refused = refusedText_[static_cast<std::size_t>(n - 1)];
    if (a.text.empty()) {
        refused.clear();
        return false;
    }

    std::vector<std::uint8_t> frame;
    if (a.hex) {
        if (parseHex(a.text, true, frame) != HexResult::Ok) {
            refuseText(n, typed, notHexMessage(n, typed, firstNonHexCharacter(a.text, true).value_or(0)));
            return false;
        }
    } else {
        frame.assign(a.text.begin(), a.text.end());
    }
    if (frame.size() > kMaxSendBytes) {
        // Cutting the frame would send something the user did not write.
        refuseText(n, typed,
                   gbk("发送区") + std::to_string(n) + gbk("的数据有") + std::to_string(frame.size()) +
                       gbk("字节，超过") + std::to_string(kMaxSendBytes) + gbk("字节，没有发送。"));
        return false;
    }
    refused.clear();
    // Spaces alone are a frame of no bytes; a rotation waiting for its
    // answer would wait for nothing.
    if (frame.empty() && !emptyFrameCounts)
        return false;

    if (const std::optional<std::size_t> taken = host_.writeFrame(frame)) {
        view_.echoSentFrame(frame.data(), *taken);
        view_.countSent(*taken);
    }
    return true;
}

std::optional<std::string> SendAreas::withChecksum(int n, const std::string& kept, ChecksumKind kind)
{
    SendArea& a = area(n);
    // The checksum covers the bytes the text denotes as hex, whatever the
    // area's box says.
    std::vector<std::uint8_t> bytes;
    parseHex(a.hex ? upperCased(kept) : kept, a.hex != 0, bytes);
    a.text = kept;
    if (bytes.empty())
        return std::nullopt;
    if (bytes.size() > kMaxChecksumBytes) {
        messages_.report(gbk("发送区") + std::to_string(n) + gbk("的数据有") + std::to_string(bytes.size()) +
                             gbk("字节，超过") + std::to_string(kMaxChecksumBytes) + gbk("字节，没有计算校验码。"),
                         dialog::MessageIcon::Warning);
        return std::nullopt;
    }
    return kept + checksumSuffix(kind, bytes);
}

void SendAreas::onAutoSendBox(int n)
{
    const AreaIds& ids = kAreaIds[n - 1];
    if (surface_->check(ids.autoSend) == 1) {
        surface_->enable(ids.period, true);
        surface_->setCheck(ids.takesPart, 0);
    } else {
        surface_->enable(ids.period, false);
    }
}

void SendAreas::onTakesPartBox(int n)
{
    const AreaIds& ids = kAreaIds[n - 1];
    surface_->setCheck(ids.autoSend, 0);
    surface_->enable(ids.period, false);
}

} // namespace quillon
