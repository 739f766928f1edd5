// The receive poll, the clear and the typed send of the receive area.

#include "veltra/app/VeltraMainDialog.h"

#include "dialog/Gbk.h"
#include "serial/HexFormat.h"
#include "serial/ReadWhatWaits.h"

#include <cstdio>

namespace veltra {

using dialog::gbk;

std::string renderReceived(const std::uint8_t* bytes, std::size_t count, bool hex)
{
    if (hex)
        return serial::formatHex(bytes, count);
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        if (bytes[i] != 0)
            out += static_cast<char>(bytes[i]);
    return out;
}

std::string receiveTimeStamp(const std::tm& local)
{
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, "[%Y.%m.%d.%H:%M:%S]", &local);
    return std::string(buf, n);
}

std::string characterBefore(std::string_view text, std::size_t pos)
{
    // GBK is read from the start: a trail byte can look like a lead byte.
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t len = dialog::isGbkLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
        if (i + len >= pos)
            return std::string(text.substr(i, len));
        i += len;
    }
    return {};
}

// The area converts each text it gets on its own, so a character whose
// bytes came in two polls reaches it whole, with its second byte.
void VeltraMainDialog::showWholeReceive(std::string text)
{
    const std::size_t whole = dialog::wholeGbkLength(text);
    viewPending_.assign(text, whole);
    text.resize(whole);
    surface().setText(ReceiveArea, text);
}

void VeltraMainDialog::showReceivePiece(const std::string& piece, bool restart)
{
    dialog::ControlSurface& s = surface();
    s.setText(ReceivedCount, dialog::formatInteger(receivedTotal_));
    keepUserChanges();
    if (restart) {
        showWholeReceive(piece);
    } else {
        // Changes no handler took in are not the text.
        if (s.isModified(ReceiveArea))
            s.revertUserEdits(ReceiveArea);
        // Only the new text goes into the area, so a tick costs the same
        // however much the area already shows.
        std::string text = std::move(viewPending_);
        text += piece;
        const std::size_t whole = dialog::wholeGbkLength(text);
        viewPending_.assign(text, whole);
        text.resize(whole);
        s.appendText(ReceiveArea, text);
    }
    s.scrollToEnd(ReceiveArea);
}

void VeltraMainDialog::showRead(std::size_t got)
{
    dialog::ControlSurface& s = surface();
    receivedTotal_ += static_cast<std::int64_t>(got);
    burstPending_ = true;
    unsavedReceive_ = true;
    burstText_ += renderReceived(readBuffer_.data(), got, s.check(ReceiveHex) != 0);
    std::string piece;
    if (s.check(ReceiveTime))
        piece = receiveTimeStamp(clock_.localNow());
    piece += burstText_;
    burstText_.clear();

    bool clear = false;
    if (s.check(AutoClear)) {
        const int visible = s.clientHeight(ReceiveArea) / kAutoClearLineHeight;
        clear = s.lineCount(ReceiveArea) > visible;
    }
    // With a clear the area starts again with this read's text: the bytes
    // that filled it are shown, not dropped.
    showReceivePiece(piece, clear);
}

void VeltraMainDialog::onPollTick()
{
    if (!session_.isOpen())
        return;
    settleQuietBurstEnd();
    dialog::ControlSurface& s = surface();
    // Each read is shown as a poll of its own would have shown it; the
    // decisions below take the whole poll as one read.
    const serial::TickRead read =
        serial::readWhatWaits(session_, readBuffer_.data(), kReadChunk, [&](std::size_t got) { showRead(got); });
    if (read.lost) {
        portLost(read.lost);
        return;
    }
    const std::size_t got = read.count;

    if (got > 0) {
        const std::int64_t now = clock_.monotonicMs();
        streaming_ = streaming_ || now - lastReadMs_ < kPollMs;
        lastReadMs_ = now;
    } else if (burstPending_) {
        burstPending_ = false;
        std::string piece;
        if (s.check(BurstNewline))
            piece = "\r\n";
        burstText_.clear();
        showReceivePiece(piece);
    }
    // Nothing came and no burst waits for its line end: the poll sleeps
    // until the port has bytes again, and that wake is its next tick.
    if (got == 0 && !burstPending_) {
        s.pauseTimerUntilReadable(PollTimer, session_.fd());
    } else if (got > 0 && got < kReadChunk && !fullReadBefore_ && !streaming_ && !s.check(BurstNewline)) {
        // With no line break to add, the burst's end would show nothing
        // new, so the poll sleeps at once instead of a period later. The
        // next tick ends the burst first, as that empty poll would have
        // before it. Not in a flood (the tick before read all it could)
        // nor in a stream of small pieces (an adapter that passes on what
        // it has every millisecond): the port fills again within the
        // period, and a wake per piece would cost more than the ticks.
        quietBurstEnd_ = true;
        s.pauseTimerUntilReadable(PollTimer, session_.fd());
    }
    fullReadBefore_ = read.lastFull;
    if (got == 0)
        streaming_ = false;
}

void VeltraMainDialog::settleQuietBurstEnd()
{
    if (quietBurstEnd_) {
        quietBurstEnd_ = false;
        burstPending_ = false;
    }
}

void VeltraMainDialog::onClearReceive()
{
    userChangesTaken_ = false;
    pendingBeforeUser_.clear();
    showWholeReceive({});
    receivedTotal_ = 0;
    unsavedReceive_ = false;
    surface().setText(ReceivedCount, "0");
    refreshToControls();
}

void VeltraMainDialog::onReceiveEdited()
{
    refreshFromControls();
    const auto caret = static_cast<std::size_t>(std::max(0, surface().selectionStart(ReceiveArea)));
    if (!session_.isOpen()) {
        if (!waitingForDevice())
            messages_.report(gbk("串口未打开！"), dialog::MessageIcon::Warning);
        return;
    }
    // The whole character: both bytes of a double-byte one.
    std::string typed = characterBefore(surface().text(ReceiveArea), caret);
    if (typed == "\n")
        typed = "\r";
    write(reinterpret_cast<const std::uint8_t*>(typed.data()), typed.size());
    countSent(static_cast<std::int64_t>(typed.size()));

    // The area shows only what was received.
    if (userChangesTaken_) {
        userChangesTaken_ = false;
        surface().revertUserEdits(ReceiveArea);
        viewPending_ = std::move(pendingBeforeUser_);
        pendingBeforeUser_.clear();
    }
    refreshToControls();
    surface().moveCaretToEnd(ReceiveArea);
}

} // namespace veltra
