#include "veltra/app/VeltraMainDialog.h"

#include "dialog/Gbk.h"
#include "veltra/app/VeltraAboutDialog.h"
#include "veltra/app/VeltraLineLists.h"
#include "veltra/app/VeltraTemplates.h"

#include <algorithm>
#include <type_traits>

namespace veltra {

using dialog::Binding;
using dialog::gbk;
using dialog::Notification;

namespace {

// By explicit position, each list starting on the entry of initial.
template <class T, std::size_t N>
void fill(dialog::ControlSurface& s, int id, const dialog::ListEntry<T> (&list)[N], std::type_identity_t<T> initial)
{
    for (std::size_t i = 0; i < N; ++i)
        s.insertItem(id, static_cast<int>(i), gbk(list[i].caption));
    s.select(id, dialog::positionOf(list, initial));
}

template <class T, std::size_t N>
std::optional<T> chosen(const dialog::ControlSurface& s, const dialog::ListEntry<T> (&list)[N], int id)
{
    return dialog::valueAt(list, s.selection(id));
}

constexpr int kSettingLists[] = {PortList, BaudList, DataBitsList, ParityList, StopBitsList, FlowList};

} // namespace

const dialog::MessageMap<VeltraMainDialog> VeltraMainDialog::messageMap_{
    {ConnectButton, Notification::Clicked, &VeltraMainDialog::onConnectButton},
    {ClearReceive, Notification::Clicked, &VeltraMainDialog::onClearReceive},
    {ReceiveArea, Notification::TextEdited, &VeltraMainDialog::onReceiveEdited},
    {Save, Notification::Clicked, &VeltraMainDialog::onSave},
    {SendButton, Notification::Clicked, &VeltraMainDialog::onSend},
    {ClearSend, Notification::Clicked, &VeltraMainDialog::onClearSend},
    {TimedSend, Notification::Clicked, &VeltraMainDialog::onTimedSendCheck},
    {Quick1Send, Notification::Clicked, &VeltraMainDialog::onQuickSend1},
    {Quick2Send, Notification::Clicked, &VeltraMainDialog::onQuickSend2},
    {Quick3Send, Notification::Clicked, &VeltraMainDialog::onQuickSend3},
    // These edits keep their bound values current at every keystroke.
    {SendArea, Notification::TextEdited, &VeltraMainDialog::onRefreshOnly},
    {Period, Notification::TextEdited, &VeltraMainDialog::onRefreshOnly},
    {Quick1Text, Notification::TextEdited, &VeltraMainDialog::onRefreshOnly},
    {Quick2Text, Notification::TextEdited, &VeltraMainDialog::onRefreshOnly},
    {Quick3Text, Notification::TextEdited, &VeltraMainDialog::onRefreshOnly},
    {PortList, Notification::DroppedDown, &VeltraMainDialog::onRefreshOnly},
    // The command area.
    {CommandType, Notification::SelectionChanged, &VeltraMainDialog::onCommandTypeSelected},
    {DeviceAddress, Notification::SelectionChanged, &VeltraMainDialog::onDeviceAddressSelected},
    {DeviceAddress, Notification::TextEdited, &VeltraMainDialog::onDeviceAddressEdited},
    {Function, Notification::SelectionChanged, &VeltraMainDialog::onFunctionSelected},
    {Parameter, Notification::SelectionChanged, &VeltraMainDialog::onParameterSelected},
    {Parameter, Notification::TextEdited, &VeltraMainDialog::onParameterEdited},
    {TemporaryChange, Notification::Clicked, &VeltraMainDialog::onCommandOptionClicked},
    {Crc16, Notification::Clicked, &VeltraMainDialog::onCommandOptionClicked},
    {SendCommand, Notification::Clicked, &VeltraMainDialog::sendCommand},
};

VeltraMainDialog::VeltraMainDialog(const dialog::Clock& clock, serial::PortNames ports,
                                   const std::filesystem::path& configDir)
    : clock_(clock)
    , ports_(std::move(ports))
    , exchange_(kProgramName)
    , autoReconnect_(dialog::kAutoReconnectCommand, configDir.empty() ? configDir : configDir / kSwitchFile,
                     "auto-reconnect")
{
    // The window's order: a read that stops at the too-long address leaves
    // the parameter as it was. The receive area is exchanged apart, see
    // readReceiveArea().
    bindings_ = {
        Binding::text(SendArea, bound_.sendText),
        Binding::control(ReceiveArea),
        Binding::check(AppendNewline, bound_.appendNewline),
        Binding::check(TimedSend, bound_.timedSend),
        Binding::text(Period, bound_.periodText),
        Binding::text(Quick1Text, bound_.quickText1),
        Binding::text(Quick2Text, bound_.quickText2),
        Binding::text(Quick3Text, bound_.quickText3),
        Binding::text(CommandPreview, bound_.commandPreview),
        Binding::comboText(DeviceAddress, bound_.deviceAddressText, kAddressMaxChars),
        Binding::comboText(Parameter, bound_.parameterText),
    };
}

VeltraMainDialog::~VeltraMainDialog() = default;

bool VeltraMainDialog::refreshFromControls()
{
    readReceiveArea();
    return exchange_.toFields(surface(), bindings_);
}

void VeltraMainDialog::refreshToControls()
{
    exchange_.toControls(surface(), bindings_);
    // Changes no handler took in are not the text.
    if (surface().isModified(ReceiveArea))
        surface().revertUserEdits(ReceiveArea);
}

std::string VeltraMainDialog::receiveText() const
{
    return surface_ ? surface_->text(ReceiveArea) + viewPending_ : viewPending_;
}

void VeltraMainDialog::readReceiveArea()
{
    // The area's text with the user's changes is the text now; the half
    // character that waited for the rest of it no longer belongs to it.
    if (!surface().isModified(ReceiveArea))
        return;
    if (!userChangesTaken_) {
        userChangesTaken_ = true;
        pendingBeforeUser_ = viewPending_;
    }
    viewPending_.clear();
    surface().setModified(ReceiveArea, false);
}

void VeltraMainDialog::keepUserChanges()
{
    if (!userChangesTaken_)
        return;
    userChangesTaken_ = false;
    pendingBeforeUser_.clear();
    // A surface forgets the user's changes at the program's next write;
    // an empty piece is none, so the area is set to what it shows.
    surface().setText(ReceiveArea, surface().text(ReceiveArea));
}

void VeltraMainDialog::showNotice(const std::string& gbkText)
{
    messages_.report(gbkText, dialog::MessageIcon::Warning, 0, {}, gbk("提示信息"));
}

void VeltraMainDialog::onInit()
{
    refreshToControls();
    discoverPorts();
    fillLists();
    receivedTotal_ = 0;
    sentTotal_ = 0;
    burstPending_ = false;
    surface().setText(ReceivedCount, "0");
    surface().setText(SentCount, "0");
    surface().setText(StatusText, "OK");
    portOpen_ = false;
    session_.close();
    autoReconnect_.show(surface());
    startFollowingPorts();
}

void VeltraMainDialog::discoverPorts() { fillPortList(); }

std::vector<std::string> VeltraMainDialog::probePorts(const std::vector<std::string>& listedBefore)
{
    std::vector<std::string> listed;
    const auto devices = ports_.devices(); // one look at the system for all 255 names
    const auto remotes = ports_.remotes();
    for (int n = 1; n < static_cast<int>(portProbeTable_.size()); ++n) {
        ProbedPort& entry = portProbeTable_[static_cast<std::size_t>(n)];
        entry.name = "COM" + std::to_string(n);
        entry.present = false;
        entry.description.clear();
        // A serial server's port is listed as its file names it: no
        // connection is made to list it.
        if (const auto remote = remotes.find(n); remote != remotes.end()) {
            entry.present = true;
            entry.description = entry.name + " · " + remote->second.text;
            listed.push_back(entry.name);
            continue;
        }
        const auto device = devices.find(n);
        if (device == devices.end())
            continue;
        entry.description = ports_.describeDevice(device->second);
        // Opening a port may reset the board behind it (DTR), so a port
        // listed before is not opened again for a change elsewhere.
        if (std::find(listedBefore.begin(), listedBefore.end(), entry.name) != listedBefore.end()) {
            entry.present = true;
            listed.push_back(entry.name);
            continue;
        }
        std::error_code ec;
        serial::SerialDevice probe = serial::SerialDevice::open(device->second.string(), entry.name, ec);
        if (!probe.isOpen()) {
            if (!probeRefusal_)
                probeRefusal_ = ec;
            continue;
        }
        entry.present = true;
        probe.close();
        listed.push_back(entry.name);
    }
    return listed;
}

void VeltraMainDialog::fillLists()
{
    dialog::ControlSurface& s = surface();
    fill(s, BaudList, kBaudList, kInitialBaud);
    fill(s, DataBitsList, kDataBitsList, kInitialDataBits);
    fill(s, ParityList, kParityList, kInitialParity);
    fill(s, StopBitsList, kStopBitsList, kInitialStopBits);
    fill(s, FlowList, kFlowList, kInitialFlow);
    // No type is chosen here: the first choice sets up the command area.
    const auto types = command::commandTypes();
    for (std::size_t i = 0; i < types.size(); ++i)
        s.insertItem(CommandType, static_cast<int>(i), gbk(types[i].caption));
    const auto addresses = command::deviceAddresses();
    for (std::size_t i = 0; i < addresses.size(); ++i)
        s.insertItem(DeviceAddress, static_cast<int>(i), addresses[i]);
}

void VeltraMainDialog::dispatch(int id, Notification n) { messageMap_.dispatch(*this, id, n); }

void VeltraMainDialog::onTimer(int id)
{
    if (id == WatchTimer || id == ConnectTimer) {
        if (id == WatchTimer)
            onPortWatch();
        else
            onConnectTimer();
        messages_.flush();
        return;
    }
    if (id != PollTimer && id != SendTimer)
        return;
    // A box the tick raises waits for its end. A tick run from inside
    // another (a box of the exchange's own holds one open) leaves the
    // waiting to the outer one.
    const bool outermost = !messages_.inTick();
    if (outermost)
        messages_.beginTick();
    if (id == PollTimer)
        onPollTick();
    else
        sendMain(true);
    if (outermost) {
        messages_.endTick();
        messages_.flush();
    }
}

bool VeltraMainDialog::onCloseRequest()
{
    readReceiveArea();
    if (!unsavedReceive_ || (surface().textLength(ReceiveArea) == 0 && viewPending_.empty()))
        return true;
    return messages_.ask(gbk("接收区的数据还没有保存，仍然退出吗？"), dialog::MessageIcon::Question,
                         dialog::MessageButtons::YesNo) == dialog::MessageAnswer::Yes;
}

void VeltraMainDialog::onMenuCommand(int command)
{
    if (dialog::isAboutCommand(command))
        onAbout();
    else if (autoReconnect_.isCommand(command)) {
        autoReconnect_.toggle(surface()); // a failed write leaves the switch as chosen for this run
        // Off while waiting: the port is closed, as the button would.
        if (!autoReconnect() && waitingForDevice())
            disconnectPort();
    }
}

void VeltraMainDialog::onAbout()
{
    VeltraAboutDialog about;
    surface().runModal(veltraAboutBoxTemplate(), about);
}

void VeltraMainDialog::onRefreshOnly() { refreshFromControls(); }

void VeltraMainDialog::onConnectButton()
{
    if (portOpen_)
        disconnectPort();
    else
        connectPort();
}

void VeltraMainDialog::connectPort()
{
    refreshFromControls();
    const std::string name = surface().selectedText(PortList);
    // No selection: a rate and data bits of 0, the other lists' plain settings.
    const auto baud = chosen(surface(), kBaudList, BaudList).value_or(0);
    const auto dataBits = chosen(surface(), kDataBitsList, DataBitsList).value_or(0);
    const auto parity = chosen(surface(), kParityList, ParityList).value_or(serial::parity::None);
    const auto stopBits = chosen(surface(), kStopBitsList, StopBitsList).value_or(serial::stopbits::One);
    const FlowMode flow = chosen(surface(), kFlowList, FlowList).value_or(FlowMode::None);

    serial::SessionSetup setup;
    setup.line = [=](serial::LineSettings& line) {
        line.baudRate = baud;
        line.dataBits = dataBits;
        line.parity = parity;
        line.stopBits = stopBits;
        if (flow == FlowMode::XonXoff) {
            line.xonXoffOut = true;
            line.xonXoffIn = true;
        } else if (flow == FlowMode::Hardware) {
            // Raises both lines while open; no RTS/CTS handshake. XON/XOFF is
            // switched off too: a Linux tty reports the terminal default IXON,
            // which would swallow every 0x11 and 0x13 received.
            line.dtr = serial::LineControl::Enable;
            line.rts = serial::LineControl::Enable;
            line.xonXoffOut = false;
            line.xonXoffIn = false;
        } else {
            line.dtr = serial::LineControl::Disable;
            line.rts = serial::LineControl::Disable;
            line.xonXoffOut = false;
            line.xonXoffIn = false;
        }
    };
    setup.writeTimeout = {5000, 1000};
    // DTR is what the flow list made it: not raised after the set-up, nor
    // lowered at the close.
    setup.holdDtr = false;
    // A line the port cannot give (1.5 stop bits, 4 data bits, or what it
    // did not keep) fails the open as a refused device does.
    const serial::PortSession::Result opened = session_.open(name, std::move(setup));
    if (opened.outcome == serial::PortSession::Outcome::Connecting) {
        // The window stays live while the server is reached; the button
        // and the lists come back with the outcome.
        surface().enable(ConnectButton, false);
        for (int id : kSettingLists)
            surface().enable(id, false);
        surface().setText(StatusText, gbk("正在连接") + name + gbk("…"));
        surface().startTimer(ConnectTimer, kPollMs);
        surface().pauseTimerUntilReadable(ConnectTimer, session_.fd());
        return;
    }
    connected(opened);
}

void VeltraMainDialog::onConnectTimer()
{
    const serial::PortSession::Result opened = session_.finishOpen();
    if (opened.outcome == serial::PortSession::Outcome::Connecting) {
        surface().pauseTimerUntilReadable(ConnectTimer, session_.fd());
        return;
    }
    surface().stopTimer(ConnectTimer);
    surface().enable(ConnectButton, true);
    for (int id : kSettingLists)
        surface().enable(id, true);
    refreshFromControls();
    connected(opened);
}

void VeltraMainDialog::connected(const serial::PortSession::Result& opened)
{
    const std::string name = surface().selectedText(PortList);
    if (!opened) {
        std::string why = opened.reason;
        // With the list left empty, why the probe was refused is the reason.
        if (opened.outcome == serial::PortSession::Outcome::NoDevice && name.empty() && probeRefusal_)
            why = serial::failureReason(probeRefusal_);
        portOpen_ = false;
        messages_.report(gbk("打开串口失败!"), dialog::MessageIcon::Warning, 0, gbk(why));
        return;
    }
    portOpen_ = true;

    surface().setText(ConnectButton, gbk("断开串口"));
    for (int id : kSettingLists)
        surface().enable(id, false);
    surface().startTimer(PollTimer, kPollMs);
    streaming_ = false;
    lastReadMs_ = clock_.monotonicMs() - kPollMs;
    surface().setText(StatusText, gbk("串口打开"));
    if (!session_.notes().empty())
        fillPortList();
    onTimedSendCheck();
    refreshToControls();
}

void VeltraMainDialog::portLost(const std::error_code& ec)
{
    if (!portOpen_)
        return;
    if (autoReconnect()) {
        waitForDevice();
        return;
    }
    const std::string name = session_.portName();
    // Closed first, as the button closes it: the stopped timers raise
    // nothing more while the box is open.
    disconnectPort();
    messages_.report(gbk("串口") + name + gbk("已断开!"), dialog::MessageIcon::Warning, 0,
                     gbk(serial::failureReason(ec)));
}

void VeltraMainDialog::disconnectPort()
{
    refreshFromControls();
    follow_.reconnect().end();
    portOpen_ = false;
    surface().stopTimer(PollTimer);
    surface().stopTimer(SendTimer);
    // A burst the poll rested on is still waiting for its end: the first
    // quiet tick after a reopen ends it, with the break if ticked then.
    quietBurstEnd_ = false;
    surface().setText(ConnectButton, gbk("连接串口"));
    for (int id : kSettingLists)
        surface().enable(id, true);
    session_.close();
    surface().setText(StatusText, gbk("串口关闭"));
    refreshToControls();
}

} // namespace veltra
