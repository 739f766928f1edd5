// The port side of Quillon's main dialog: the session opened with the
// chosen line, closed by the button or a change of port, and lost when
// the device goes away; each outcome worded for the user.

#include "dialog/Gbk.h"
#include "dialog/ValueList.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/LineSettingLists.h"
#include "quillon/app/QuillonMainDialog.h"

namespace quillon {

using dialog::gbk;

namespace {

/// The line Quillon gives every port: the chosen positions, no flow
/// control, DTR and RTS up, DTR held while open.
serial::SessionSetup lineSetup(const PortChoice& port)
{
    serial::SessionSetup setup;
    setup.line = [port](serial::LineSettings& line) {
        if (const auto baud = dialog::valueAt(kBaudList, port.baudIndex))
            line.baudRate = *baud;
        if (const auto bits = dialog::valueAt(kDataBitsList, port.dataBitsIndex))
            line.dataBits = *bits;
        // No selection passes a code the device refuses, so the user hears of it.
        constexpr std::uint8_t kNoCode = 255;
        line.parity = dialog::valueAt(kParityList, port.parityIndex).value_or(kNoCode);
        line.stopBits = dialog::valueAt(kStopBitsList, port.stopBitsIndex).value_or(kNoCode);
        line.parityCheck = true;
        line.ctsOutFlow = false;
        line.dsrOutFlow = false;
        line.dtr = serial::LineControl::Enable;
        line.xonXoffOut = false;
        line.xonXoffIn = false;
        line.rts = serial::LineControl::Enable;
        line.xonChar = 0x11;
        line.xoffChar = 0x13;
    };
    setup.writeTimeout = {100, 1000};
    setup.holdDtr = true;
    return setup;
}

} // namespace

bool QuillonMainDialog::openPort()
{
    const serial::PortSession::Result opened = session_.open(port_.portName, lineSetup(port_));
    if (opened.outcome == serial::PortSession::Outcome::Connecting) {
        // The window stays live while a serial server is reached; the
        // button comes back with the outcome.
        surface().enable(OpenButton, false);
        surface().startTimer(PortConnect, 10);
        surface().pauseTimerUntilReadable(PortConnect, session_.fd());
        return false;
    }
    return reportOpen(opened);
}

void QuillonMainDialog::onPortConnect()
{
    const serial::PortSession::Result opened = session_.finishOpen();
    if (opened.outcome == serial::PortSession::Outcome::Connecting) {
        surface().pauseTimerUntilReadable(PortConnect, session_.fd());
        return;
    }
    surface().stopTimer(PortConnect);
    surface().enable(OpenButton, true);
    // A reconfigure of a port already open keeps it open in the window's
    // terms whatever the outcome, as for a local device.
    if (reportOpen(opened))
        portOpen_ = true;
    setOpenCaption();
    updatePortToolTip();
    wakeTicks();
}

void QuillonMainDialog::abandonConnect()
{
    if (!session_.connecting())
        return;
    surface().stopTimer(PortConnect);
    surface().enable(OpenButton, true);
    session_.close();
}

bool QuillonMainDialog::reportOpen(const serial::PortSession::Result& opened)
{
    switch (opened.outcome) {
    case serial::PortSession::Outcome::Opened: return true;
    case serial::PortSession::Outcome::Connecting: return false;
    case serial::PortSession::Outcome::NoDevice:
    case serial::PortSession::Outcome::OpenFailed:
        messages_.report(gbk("通信端口<") + port_.portName + gbk(">无法打开!"), dialog::MessageIcon::Warning, 0,
                         gbk(opened.reason));
        return false;
    case serial::PortSession::Outcome::SetupFailed: break;
    }
    messages_.report(gbk("错误码: ") + std::to_string(static_cast<unsigned long>(opened.error.value())),
                     dialog::MessageIcon::Warning, 0, gbk(opened.reason));
    return false;
}

void QuillonMainDialog::closePort()
{
    abandonConnect();
    if (!portOpen_)
        return;
    // A tick waiting for the descriptor must not outlive it.
    if (mainTickHeld_)
        surface().stopTimer(MainTick);
    session_.close();
}

void QuillonMainDialog::portLost(const std::error_code& ec)
{
    if (!portOpen_)
        return;
    if (autoReconnect()) {
        waitForDevice();
        return;
    }
    // As the close button closes it: the user opens it again once the
    // device is back.
    closePort();
    portOpen_ = false;
    setOpenCaption();
    updatePortToolTip();
    messages_.report(gbk("通信端口<") + session_.portName() + gbk(">已断开!"), dialog::MessageIcon::Warning, 0,
                     gbk(serial::failureReason(ec)));
}

std::optional<std::size_t> QuillonMainDialog::writeFrame(const std::vector<std::uint8_t>& frame)
{
    // Waiting for the device: nothing is written, nothing counted.
    if (waitingForDevice())
        return std::nullopt;
    lamps_.lightTx();
    // The device returns when the bytes were taken or its write time-out
    // passed; what it did not take within that time is dropped, and a
    // write it took nothing of is no frame.
    if (frame.empty())
        return 0;
    const serial::PortSession::Transfer written = session_.write(frame.data(), frame.size());
    if (written.lost)
        portLost(written.lost);
    if (written.count == 0)
        return std::nullopt;
    return written.count;
}

void QuillonMainDialog::setOpenCaption() { surface().setText(OpenButton, gbk(portOpen_ ? "关闭串口" : "打开串口")); }

void QuillonMainDialog::updatePortToolTip()
{
    // Which device each name stands for, so the user can tell COM3 from
    // COM4; refreshed whenever the user deals with the port, since devices
    // and links come and go while the program runs.
    const auto devices = ports_.devices();
    for (int i = 0, n = surface().itemCount(PortList); i < n; ++i) {
        const std::string device = portDescription(surface().itemText(PortList, i), devices);
        surface().setItemToolTip(PortList, i, dialog::toGbk(device.empty() ? "(无设备)" : device));
    }
    surface().setToolTip(PortList, dialog::toGbk(portDescription(surface().selectedText(PortList), devices)));
}

std::string QuillonMainDialog::portDescription(const std::string& name,
                                               const std::map<int, std::filesystem::path>& devices) const
{
    const auto n = serial::portNumber(name);
    if (!n)
        return {};
    if (const auto it = devices.find(*n); it != devices.end())
        return ports_.describeDevice(it->second);
    std::string remote = ports_.describe(name);
    if (remote.empty())
        return remote;
    remote = name + " · " + remote;
    // Whose line settings hold, or what the server left unanswered.
    if (portOpen_ && session_.isOpen() && session_.portName() == name && !session_.notes().empty())
        remote += " · " + session_.notes();
    return remote;
}

void QuillonMainDialog::onOpenButton()
{
    // The user's clipboard is left alone: the view is written directly.
    updateFields();
    if (portOpen_) {
        endWait();
        closePort();
        portOpen_ = false;
    } else if (openPort()) {
        portOpen_ = true;
    }
    setOpenCaption();
    updatePortToolTip();
}

void QuillonMainDialog::onPortChanged()
{
    updatePortToolTip();
    abandonConnect();
    if (!portOpen_)
        return;
    endWait();
    closePort();
    portOpen_ = false;
    setOpenCaption();
}

void QuillonMainDialog::onLineSettingChanged()
{
    // While waiting, the device comes back with the line it had. An open
    // still connecting starts again with the new line.
    const bool connecting = session_.connecting();
    if ((!portOpen_ && !connecting) || waitingForDevice())
        return;
    closePort();
    updateFields();
    openPort();
}

} // namespace quillon
