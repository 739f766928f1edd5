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
#include <array>
#include <optional>

namespace quillon {

using dialog::gbk;

namespace {
constexpr dialog::Rgb kReceivedColour{255, 0, 0};
} // namespace

std::size_t QuillonMainDialog::pollPort(std::uint8_t* readBuffer, std::size_t size)
{
    if (!portDevice.isOpen())
        return 0;
    std::error_code ec;
    const std::size_t count = portDevice.read(readBuffer, size, ec);
    if (serial::deviceLost(ec))
        portLost(ec);
    return count;
}

void QuillonMainDialog::receive()
{
    std::array<std::uint8_t, FrameSplitter::kMaxChunk> readBuffer;
    const std::size_t count = pollPort(readBuffer.data(), readBuffer.size());
    if (!portOpen)
        return; // the device went away: the port stands closed, as after a close
    if (count == 0) {
        if (const auto frame = frames_.quietPoll())
            endFrame(*frame);
        return;
    }
    rxBytes += static_cast<std::int64_t>(count);
    rxLamp = 1;
    surface().setText(RxBytes, dialog::formatInteger(rxBytes));
    for (const Frame& frame : frames_.addChunk(readBuffer.data(), count))
        endFrame(frame);
}

void QuillonMainDialog::endFrame(const Frame& frame)
{
    ++rxFrames;
    surface().setText(RxFrames, dialog::formatInteger(rxFrames));
    if (displayOn) {
        const bool filtering = keywordFilter && !keyword.empty();
        if (!filtering || passesKeyword(frame.data(), frame.size()))
            showReceivedFrame(frame.data(), frame.size());
    }
    answerWait_.frameEnded();
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
    std::optional<std::tm> stamp;
    if (showTimestamp)
        stamp = clock_.localNow();
    static const std::string kMarker = gbk("[接收]");
    const RenderedFrame frame =
        renderFrame(bytes, count, rxHex != 0, showSent ? kMarker : std::string(), stamp ? &*stamp : nullptr);
    insertIntoView(frame.text, frame.decorated, kReceivedColour);
    if (saving)
        appendLog(frame.decorated, showTimestamp || frameNewline);
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
    // The path as it stands in its edit, not as the last read found it.
    updateControls([&] {
        if (logPath.empty())
            logPath = "data.txt";
    });
    surface().setText(SaveToggle, gbk("停止保存"));
    saving = 1;
    logFailureReported_ = false;
}

void QuillonMainDialog::onChangeFile()
{
    dialog::FileDialogOptions options;
    options.filter = gbk("文本文件(*.txt)|*.txt||");
    options.defaultExt = ".txt";
    if (auto path = surface().openFileDialog(options)) {
        updateControls([&] { logPath = *path; });
        logFailureReported_ = false;
    }
}

} // namespace quillon
