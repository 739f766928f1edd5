// The send side of Quillon's main dialog: the three areas, their echo into
// the view and the log, auto-send boxes and checksums.

#include "dialog/Gbk.h"
#include "quillon/app/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/receive/FrameText.h"
#include "quillon/send/Checksum.h"
#include "quillon/send/HexTextCodec.h"

#include <optional>

namespace quillon {

using dialog::gbk;

namespace {

constexpr dialog::Rgb kSentColour{0, 0, 255};

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

void QuillonMainDialog::refuseText(int n, const std::string& typed, const std::string& why)
{
    // Auto-send and the rotation would repeat the message every period, so
    // once per text.
    std::string& refused = refusedText_[static_cast<std::size_t>(n - 1)];
    if (refused != typed) {
        refused = typed;
        report(why, dialog::MessageIcon::Warning);
    }
}

bool QuillonMainDialog::sendArea(int n) { return sendArea(n, false); }

bool QuillonMainDialog::sendArea(int n, bool emptyFrameCounts)
{
    updateFields();
    SendArea& a = areas[static_cast<std::size_t>(n - 1)];
    // The read gives the text as typed, also after a tick upper-cased it.
    const std::string typed = a.text;
    if (a.hex)
        a.text = upperCased(a.text);
    if (!portOpen)
        return true;
    if (a.text.empty()) {
        refusedText_[static_cast<std::size_t>(n - 1)].clear();
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
    refusedText_[static_cast<std::size_t>(n - 1)].clear();
    // Spaces alone are a frame of no bytes; a rotation waiting for its
    // answer would wait for nothing.
    if (frame.empty() && !emptyFrameCounts)
        return false;

    const std::optional<std::size_t> taken = writeFrame(frame);
    if (taken) {
        echoSentFrame(frame.data(), *taken);
        countSentFrame(*taken);
    }
    return true;
}

std::optional<std::size_t> QuillonMainDialog::writeFrame(const std::vector<std::uint8_t>& frame)
{
    txLamp = 1;
    // The device returns when the bytes were taken or its write time-out
    // passed; what it did not take within that time is dropped, and a
    // write it took nothing of is no frame.
    std::error_code ec;
    const std::size_t taken = frame.empty() ? 0 : portDevice.write(frame.data(), frame.size(), ec);
    if (serial::deviceLost(ec))
        portLost(ec);
    if (taken == 0 && !frame.empty())
        return std::nullopt;
    return taken;
}

void QuillonMainDialog::countSentFrame(std::size_t bytes)
{
    ++txFrames;
    txBytes += static_cast<std::int64_t>(bytes);
    surface().setText(TxFrames, dialog::formatInteger(txFrames));
    surface().setText(TxBytes, dialog::formatInteger(txBytes));
}

void QuillonMainDialog::echoSentFrame(const std::uint8_t* bytes, std::size_t count)
{
    std::string text = rxHex ? formatHex(bytes, count) : bytesAsText(bytes, count);
    if (rxHex && surface().textLength(ReceiveView) == 0)
        text += ' ';
    echoSentText(text);
}

void QuillonMainDialog::echoSentText(const std::string& text)
{
    const bool shown = displayOn && showSent;
    std::optional<std::tm> stamp;
    if (shown && showTimestamp)
        stamp = clock_.localNow();
    const RenderedFrame frame = decorateText(text, shown ? gbk("[发送]") : std::string(), stamp ? &*stamp : nullptr);
    if (shown)
        insertIntoView(frame.text, frame.decorated, kSentColour);
    if (saving)
        appendLog(frame.decorated, showTimestamp || frameNewline);
}

void QuillonMainDialog::clearArea(int n)
{
    updateControls([&] { areas[static_cast<std::size_t>(n - 1)].text.clear(); });
}

template <int N> void QuillonMainDialog::onAutoSendBox()
{
    const AreaIds& ids = kAreaIds[N - 1];
    if (surface().check(ids.autoSend) == 1) {
        surface().enable(ids.period, true);
        surface().setCheck(ids.takesPart, 0);
    } else {
        surface().enable(ids.period, false);
    }
}

template <int N> void QuillonMainDialog::onTakesPartBox()
{
    const AreaIds& ids = kAreaIds[N - 1];
    surface().setCheck(ids.autoSend, 0);
    surface().enable(ids.period, false);
}

template void QuillonMainDialog::onAutoSendBox<1>();
template void QuillonMainDialog::onAutoSendBox<2>();
template void QuillonMainDialog::onAutoSendBox<3>();
template void QuillonMainDialog::onTakesPartBox<1>();
template void QuillonMainDialog::onTakesPartBox<2>();
template void QuillonMainDialog::onTakesPartBox<3>();

void QuillonMainDialog::appendChecksum(int n)
{
    updateFields();
    SendArea& a = areas[static_cast<std::size_t>(n - 1)];
    if (a.text.empty())
        return;
    // Kept before the dialog: ticks run behind it and upper-case a hex
    // area's field, and the digits go after the text as the user typed it.
    const std::string kept = a.text;
    ChecksumDialog chooser;
    if (surface().runModal(quillonChecksumDialogTemplate(), chooser) != IdOk)
        return;
    // The checksum covers the bytes the text denotes as hex, whatever the
    // area's box says.
    std::vector<std::uint8_t> bytes;
    parseHex(a.hex ? upperCased(kept) : kept, a.hex != 0, bytes);
    a.text = kept;
    if (bytes.empty())
        return;
    if (bytes.size() > kMaxChecksumBytes) {
        report(gbk("发送区") + std::to_string(n) + gbk("的数据有") + std::to_string(bytes.size()) +
                   gbk("字节，超过") + std::to_string(kMaxChecksumBytes) + gbk("字节，没有计算校验码。"),
               dialog::MessageIcon::Warning);
        return;
    }
    const std::string suffix = checksumSuffix(kChecksumList[chooser.kind].value, bytes);
    updateControls([&] { a.text = kept + suffix; });
}

} // namespace quillon
