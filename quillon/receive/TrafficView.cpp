#include "quillon/receive/TrafficView.h"

#include "dialog/DataExchange.h"
#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "quillon/QuillonIds.h"
#include "quillon/receive/FrameText.h"
#include "quillon/receive/ReceiveLog.h"
#include "quillon/send/HexTextCodec.h"

#include <algorithm>
#include <optional>

namespace quillon {

using dialog::gbk;

namespace {
constexpr dialog::Rgb kSentColour{0, 0, 255};
constexpr dialog::Rgb kReceivedColour{255, 0, 0};
} // namespace

void TrafficView::echoSentFrame(const std::uint8_t* bytes, std::size_t count)
{
    std::string text = options.rxHex ? formatHex(bytes, count) : bytesAsText(bytes, count);
    if (options.rxHex && surface().textLength(ReceiveView) == 0)
        text += ' ';
    echoSentText(text);
}

void TrafficView::echoSentText(const std::string& text)
{
    const bool shown = options.displayOn && options.showSent;
    std::optional<std::tm> stamp;
    if (shown && options.showTimestamp)
        stamp = clock_.localNow();
    const RenderedFrame frame = decorateText(text, shown ? gbk("[发送]") : std::string(), stamp ? &*stamp : nullptr);
    if (shown)
        insertIntoView(frame.text, frame.decorated, kSentColour);
    if (options.saving)
        appendLog(frame.decorated, options.showTimestamp || options.frameNewline);
}

void TrafficView::showReceivedFrame(const std::uint8_t* bytes, std::size_t count)
{
    std::optional<std::tm> stamp;
    if (options.showTimestamp)
        stamp = clock_.localNow();
    static const std::string kMarker = gbk("[接收]");
    const RenderedFrame frame = renderFrame(bytes, count, options.rxHex != 0,
                                            options.showSent ? kMarker : std::string(), stamp ? &*stamp : nullptr);
    insertIntoView(frame.text, frame.decorated, kReceivedColour);
    if (options.saving)
        appendLog(frame.decorated, options.showTimestamp || options.frameNewline);
}

void TrafficView::insertIntoView(const std::string& rendered, const std::string& decorated, dialog::Rgb colour)
{
    const bool afterNote = noteLast_;
    noteLast_ = false;
    bool cleared = false;
    const int perLine = std::max(1, viewSize.charsPerLine);
    if (options.autoClear &&
        surface().lineCount(ReceiveView) + static_cast<long long>(rendered.size()) / perLine > viewSize.maxLines) {
        surface().setText(ReceiveView, "");
        cleared = true;
    }
    if (options.frameNewline && !cleared && !afterNote && surface().textLength(ReceiveView) > 1)
        surface().appendRich(ReceiveView, "\r" + decorated, colour);
    else
        surface().appendRich(ReceiveView, decorated, colour);
    surface().scrollToEnd(ReceiveView);
}

void TrafficView::showNote(const std::string& gbkText)
{
    static constexpr dialog::Rgb kNoteColour{128, 128, 128};
    // A note ends its line, so the one after it needs no break of its own.
    const bool atLineStart = noteLast_ || surface().textLength(ReceiveView) == 0;
    surface().appendRich(ReceiveView, (atLineStart ? "" : "\r") + gbkText + "\r", kNoteColour);
    noteLast_ = true;
    surface().scrollToEnd(ReceiveView);
}

void TrafficView::appendLog(const std::string& record, bool lineEnd)
{
    if (const std::error_code ec = appendToLog(dialog::pathFromGbk(options.logPath), record, lineEnd)) {
        if (!logFailureReported_) {
            logFailureReported_ = true;
            messages_.report(dialog::fileErrorMessage(ec, options.logPath), dialog::MessageIcon::Stop);
        }
        return;
    }
    logFailureReported_ = false;
}

void TrafficView::countSent(std::size_t bytes)
{
    ++counters.txFrames;
    counters.txBytes += static_cast<std::int64_t>(bytes);
    surface().setText(TxFrames, dialog::formatInteger(counters.txFrames));
    surface().setText(TxBytes, dialog::formatInteger(counters.txBytes));
}

void TrafficView::countReceivedBytes(std::size_t bytes)
{
    counters.rxBytes += static_cast<std::int64_t>(bytes);
    surface().setText(RxBytes, dialog::formatInteger(counters.rxBytes));
}

void TrafficView::countReceivedFrame()
{
    ++counters.rxFrames;
    surface().setText(RxFrames, dialog::formatInteger(counters.rxFrames));
}

void TrafficView::clearCounters()
{
    counters = {};
    showCounters();
}

void TrafficView::showCounters()
{
    surface().setText(TxFrames, dialog::formatInteger(counters.txFrames));
    surface().setText(TxBytes, dialog::formatInteger(counters.txBytes));
    surface().setText(RxFrames, dialog::formatInteger(counters.rxFrames));
    surface().setText(RxBytes, dialog::formatInteger(counters.rxBytes));
}

void TrafficView::clearView() { surface().setText(ReceiveView, ""); }

void TrafficView::toggleDisplay()
{
    options.displayOn = options.displayOn ? 0 : 1;
    surface().setText(DisplayToggle, gbk(options.displayOn ? "停止显示" : "继续显示"));
}

void TrafficView::startSaving()
{
    surface().setText(SaveToggle, gbk("停止保存"));
    options.saving = 1;
    logFailureReported_ = false;
}

void TrafficView::stopSaving()
{
    surface().setText(SaveToggle, gbk("保存数据"));
    options.saving = 0;
}

} // namespace quillon
