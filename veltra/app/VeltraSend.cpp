// The send paths (send area, timed send, quick lines) and the save of the
// receive area.

#include "veltra/app/VeltraMainDialog.h"

#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "veltra/app/HexText.h"

#include <climits>

namespace veltra {

using dialog::gbk;

namespace {

// The period of a text of digits; an empty text is 0, a huge one the
// largest period a timer takes.
int periodValue(const std::string& digits)
{
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

} // namespace

bool VeltraMainDialog::requireOpenPort()
{
    if (session_.isOpen())
        return true;
    // Waiting for the device: nothing is written, nothing counted, and no
    // box for each timed send.
    if (waitingForDevice())
        return false;
    messages_.report(gbk("串口未打开！"), dialog::MessageIcon::Warning);
    return false;
}

void VeltraMainDialog::countSent(std::int64_t n)
{
    sentTotal_ += n;
    surface().setText(SentCount, dialog::formatInteger(sentTotal_));
}

void VeltraMainDialog::write(const std::uint8_t* bytes, std::size_t count)
{
    // What the device took is not looked at: the count is what was handed
    // over. A device that went away closes the port.
    if (count == 0)
        return;
    if (const std::error_code lost = session_.write(bytes, count).lost)
        portLost(lost);
}

std::string hexFaultText(std::string_view text, const HexFault& fault)
{
    // Counted in characters, as the user sees the text.
    std::size_t position = 1;
    std::size_t i = 0;
    while (i < fault.at) {
        i += dialog::isGbkLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
        ++position;
    }
    const std::string character = characterBefore(text, fault.at + 1);
    std::string out = gbk("第") + std::to_string(position) + gbk("个字符");
    // A control character would show as nothing, or break the line.
    if (static_cast<unsigned char>(character[0]) >= 0x20 && character[0] != 0x7F)
        out += gbk("“") + character + gbk("”");
    out += gbk(fault.kind == HexFault::LoneDigit ? "缺少配对的另一位数字" : "不是十六进制数字");
    return out;
}

bool VeltraMainDialog::sendText_(const std::string& text, bool hex, const char* source)
{
    if (!hex) {
        write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        countSent(static_cast<std::int64_t>(text.size()));
        return true;
    }
    // A cut frame would be another frame: all of it or nothing.
    const HexBytes read = readHexBytes(text);
    if (!read.whole()) {
        showNotice(gbk(source) + hexFaultText(text, read.fault) + gbk("，没有发送！"));
        return false;
    }
    write(read.bytes.data(), read.bytes.size());
    countSent(static_cast<std::int64_t>(read.bytes.size()));
    return true;
}

void VeltraMainDialog::onSend() { sendMain(false); }

void VeltraMainDialog::sendMain(bool timed)
{
    refreshFromControls();
    if (!requireOpenPort())
        return;
    // The bound value gets the break, not the area: the next read of the
    // controls takes the area's text again.
    if (bound_.appendNewline)
        bound_.sendText += "\r\n";
    const bool hex = surface().check(SendHex) != 0;
    // A period refuses a text it refused before without a box: the box
    // would come back every period, and stack up while one is open.
    if (timed && hex && refusedTimedText_ == bound_.sendText)
        return;
    // Noted before the box: the ticks go on while it is open.
    refusedTimedText_ = bound_.sendText;
    if (sendText_(bound_.sendText, hex, "发送区"))
        refusedTimedText_.reset();
}

void VeltraMainDialog::onQuickSend1()
{
    refreshFromControls();
    if (requireOpenPort())
        sendText_(bound_.quickText1, surface().check(Quick1Hex) != 0, "快捷发送第1行");
}

void VeltraMainDialog::onQuickSend2()
{
    refreshFromControls();
    if (requireOpenPort())
        sendText_(bound_.quickText2, surface().check(Quick2Hex) != 0, "快捷发送第2行");
}

void VeltraMainDialog::onQuickSend3()
{
    refreshFromControls();
    if (requireOpenPort())
        sendText_(bound_.quickText3, surface().check(Quick3Hex) != 0, "快捷发送第3行");
}

void VeltraMainDialog::onClearSend()
{
    bound_.sendText.clear();
    sentTotal_ = 0;
    surface().setText(SentCount, "0");
    refreshToControls();
}

void VeltraMainDialog::onTimedSendCheck()
{
    refreshFromControls();
    if (!bound_.timedSend) {
        surface().stopTimer(SendTimer);
        surface().enable(Period, true);
        return;
    }
    const auto reject = [this](const char* message) {
        showNotice(gbk(message));
        bound_.periodText.clear();
        bound_.timedSend = false;
        refreshToControls();
    };
    if (bound_.periodText.find_first_not_of("0123456789") != std::string::npos) {
        reject("请输入数字！");
        return;
    }
    const int period = periodValue(bound_.periodText);
    if (period <= 0) {
        reject("请输入有效定时间隔！");
        return;
    }
    if (!session_.isOpen())
        return; // a connect runs this check again
    surface().enable(Period, false);
    surface().startTimer(SendTimer, period);
}

void VeltraMainDialog::onSave()
{
    dialog::FileDialogOptions options;
    options.title = gbk("请选择文件存放路径:");
    options.filter = "txt files(*.txt)|*.txt||";
    options.defaultExt = "txt";
    options.initialName = "veltra.txt";
    // Every save starts from the working directory, never from where the
    // last one went.
    std::error_code cwdError;
    options.initialFolder = dialog::gbkFromPath(std::filesystem::current_path(cwdError));
    options.overwritePrompt = true;
    const std::optional<std::string> path = surface().saveFileDialog(options);
    if (!path)
        return;
    // Written beside and renamed over: a failed save leaves the old file.
    if (std::error_code ec = dialog::writeFileAtomically(dialog::pathFromGbk(*path), receiveText()))
        messages_.report(dialog::fileErrorMessage(ec, *path), dialog::MessageIcon::Stop);
    else
        unsavedReceive_ = false;
}

} // namespace veltra
