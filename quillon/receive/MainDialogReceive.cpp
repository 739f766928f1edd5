// The receive side of Quillon's main dialog: frames by line silence, the
// keyword filter, the view and the log.

#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "quillon/app/QuillonIds.h"
#include "quillon/app/QuillonMainDialog.h"
#include "quillon/receive/FrameText.h"
#include "quillon/receive/ReceiveLog.h"
#include "quillon/send/HexTextCodec.h"

#include <algorithm>
#include <cstring>

namespace quillon {

using dialog::gbk;

namespace {
constexpr dialog::Rgb kReceivedColour{255, 0, 0};
constexpr int kQuietPollsPerFrame = 4;
} // namespace

std::size_t QuillonMainDialog::pollPort()
{
    if (!portDevice.isOpen())
        return 0;
    const std::size_t waiting = portDevice.bytesWaiting();
    if (waiting == 0)
        return 0;
    return portDevice.read(readBuffer.data(), std::min(waiting, readBuffer.size()));
}

void QuillonMainDialog::receive()
{
    const std::size_t count = pollPort();
    if (count > 0) {
        // A chunk that would fill the frame buffer ends the pending frame
        // and starts the next one, so no received byte is lost.
        if (static_cast<std::size_t>(frameLength) + count >= frameBuffer.size())
            endFrame();
        std::memcpy(frameBuffer.data() + frameLength, readBuffer.data(), count);
        frameLength += static_cast<int>(count);
        rxBytes += static_cast<std::int64_t>(count);
        frameIdle = 0;
        rxLamp = 1;
        surface().setText(RxBytes, dialog::formatInteger(rxBytes));
        return;
    }
    if (++idlePolls >= kQuietPollsPerFrame) {
        if (!frameIdle)
            endFrame();
        idlePolls = 0;
    }
}

void QuillonMainDialog::endFrame()
{
    ++rxFrames;
    surface().setText(RxFrames, dialog::formatInteger(rxFrames));
    const std::size_t n = static_cast<std::size_t>(frameLength);
    if (displayOn) {
        const bool filtering = keywordFilter && !keyword.empty();
        if (!filtering || passesKeyword(frameBuffer.data(), n))
            showReceivedFrame(frameBuffer.data(), n);
    }
    frameLength = 0;
    answerWait_.frameEnded();
    frameIdle = 1;
}

bool QuillonMainDialog::passesKeyword(const std::uint8_t* bytes, std::size_t count)
{
    if (rxHex) {
        keyword = upperCased(keyword);
        std::vector<std::uint8_t> key;
        if (parseHex(keyword, true, key) != HexResult::Ok)
            return false;
        return keywordMatches(bytes, count, key.data(), key.size());
    }
    return keywordMatches(bytes, count, reinterpret_cast<const std::uint8_t*>(keyword.data()), keyword.size());
}

void QuillonMainDialog::insertIntoView(const std::string& rendered, const std::string& decorated,
                                       dialog::Rgb colour)
{
    bool cleared = false;
    const int perLine = std::max(1, viewCharsPerLine);
    if (autoClear &&
        surface().lineCount(ReceiveView) + static_cast<long long>(rendered.size()) / perLine > viewMaxLines) {
        surface().setText(ReceiveView, "");
        cleared = true;
    }
    if (frameNewline && !cleared && surface().textLength(ReceiveView) > 1)
        surface().appendRich(ReceiveView, "\r" + decorated, colour);
    else
        surface().appendRich(ReceiveView, decorated, colour);
    surface().scrollToEnd(ReceiveView);
}

void QuillonMainDialog::showReceivedFrame(const std::uint8_t* bytes, std::size_t count)
{
    const std::string text = rxHex ? formatHex(bytes, count) : bytesAsText(bytes, count);
    std::string decorated = text;
    if (showSent)
        decorated = gbk("[接收]") + decorated;
    if (showTimestamp)
        decorated = timestampText(clock_.localNow()) + decorated;
    insertIntoView(text, decorated, kReceivedColour);
    if (saving)
        appendLog(decorated, showTimestamp || frameNewline);
}

void QuillonMainDialog::appendLog(const std::string& record, bool lineEnd)
{
    if (const std::error_code ec = appendToLog(dialog::pathFromGbk(logPath), record, lineEnd)) {
        if (!logFailureReported_) {
            logFailureReported_ = true;
            report(dialog::fileErrorMessage(ec, logPath), dialog::MessageIcon::Stop);
        }
        return;
    }
    logFailureReported_ = false;
}

void QuillonMainDialog::showCounters()
{
    surface().setText(TxFrames, dialog::formatInteger(txFrames));
    surface().setText(TxBytes, dialog::formatInteger(txBytes));
    surface().setText(RxFrames, dialog::formatInteger(rxFrames));
    surface().setText(RxBytes, dialog::formatInteger(rxBytes));
}

void QuillonMainDialog::onClearView() { surface().setText(ReceiveView, ""); }

void QuillonMainDialog::onDisplayToggle()
{
    displayOn = displayOn ? 0 : 1;
    surface().setText(DisplayToggle, gbk(displayOn ? "停止显示" : "继续显示"));
}

void QuillonMainDialog::onClearCounters()
{
    rxBytes = rxFrames = txBytes = txFrames = 0;
    showCounters();
}

void QuillonMainDialog::onSaveToggle()
{
    if (saving) {
        surface().setText(SaveToggle, gbk("保存数据"));
        saving = 0;
        return;
    }
    if (logPath.empty()) {
        logPath = "data.txt";
        updateControls();
    }
    surface().setText(SaveToggle, gbk("停止保存"));
    saving = 1;
}

void QuillonMainDialog::onChangeFile()
{
    dialog::FileDialogOptions options;
    options.filter = gbk("文本文件(*.txt)|*.txt||");
    options.defaultExt = ".txt";
    if (auto path = surface().openFileDialog(options)) {
        logPath = *path;
        updateControls();
    }
}

} // namespace quillon
