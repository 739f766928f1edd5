#include "quillon/app/QuillonMainDialog.h"

#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "dialog/TemplateBuilder.h"
#include "quillon/app/LineSettingLists.h"
#include "quillon/app/QuillonIds.h"
#include "quillon/app/QuillonTemplates.h"
#include "quillon/app/SettingsFiles.h"
#include "quillon/app/WindowLayout.h"

#include <system_error>

namespace quillon {

using dialog::Binding;
using dialog::gbk;
using dialog::Notification;

const dialog::MessageMap<QuillonMainDialog> QuillonMainDialog::messageMap_{
    {OpenButton, Notification::Clicked, &QuillonMainDialog::onOpenButton},
    {PortList, Notification::SelectionChanged, &QuillonMainDialog::onPortChanged},
    {Baud, Notification::SelectionChanged, &QuillonMainDialog::onLineSettingChanged},
    {DataBits, Notification::SelectionChanged, &QuillonMainDialog::onLineSettingChanged},
    {Parity, Notification::SelectionChanged, &QuillonMainDialog::onLineSettingChanged},
    {StopBits, Notification::SelectionChanged, &QuillonMainDialog::onLineSettingChanged},
    {About, Notification::Clicked, &QuillonMainDialog::onAbout},
    {ClearView, Notification::Clicked, &QuillonMainDialog::onClearView},
    {DisplayToggle, Notification::Clicked, &QuillonMainDialog::onDisplayToggle},
    {ClearCounters, Notification::Clicked, &QuillonMainDialog::onClearCounters},
    {SaveToggle, Notification::Clicked, &QuillonMainDialog::onSaveToggle},
    {ChangeFile, Notification::Clicked, &QuillonMainDialog::onChangeFile},
    {TopmostToggle, Notification::Clicked, &QuillonMainDialog::onTopmostToggle},
    {Area1Send, Notification::Clicked, &QuillonMainDialog::onSend<1>},
    {Area2Send, Notification::Clicked, &QuillonMainDialog::onSend<2>},
    {Area3Send, Notification::Clicked, &QuillonMainDialog::onSend<3>},
    {Area1Clear, Notification::Clicked, &QuillonMainDialog::onClearArea<1>},
    {Area2Clear, Notification::Clicked, &QuillonMainDialog::onClearArea<2>},
    {Area3Clear, Notification::Clicked, &QuillonMainDialog::onClearArea<3>},
    {Area1Checksum, Notification::Clicked, &QuillonMainDialog::onChecksum<1>},
    {Area2Checksum, Notification::Clicked, &QuillonMainDialog::onChecksum<2>},
    {Area3Checksum, Notification::Clicked, &QuillonMainDialog::onChecksum<3>},
    {Area1Auto, Notification::Clicked, &QuillonMainDialog::onAutoSendBox<1>},
    {Area2Auto, Notification::Clicked, &QuillonMainDialog::onAutoSendBox<2>},
    {Area3Auto, Notification::Clicked, &QuillonMainDialog::onAutoSendBox<3>},
    {Area1TakesPart, Notification::Clicked, &QuillonMainDialog::onTakesPartBox<1>},
    {Area2TakesPart, Notification::Clicked, &QuillonMainDialog::onTakesPartBox<2>},
    {Area3TakesPart, Notification::Clicked, &QuillonMainDialog::onTakesPartBox<3>},
    {AreaRotationButton, Notification::Clicked, &QuillonMainDialog::onAreaRotationButton},
    {FileRotationButton, Notification::Clicked, &QuillonMainDialog::onFileRotationButton},
    {TimedMode, Notification::Clicked, &QuillonMainDialog::onTimedMode},
    {AnswerMode, Notification::Clicked, &QuillonMainDialog::onAnswerMode},
    {RotateOnce, Notification::Clicked, &QuillonMainDialog::onRotateOnce},
    {ChooseFile, Notification::Clicked, &QuillonMainDialog::onChooseRotationFile},
};

QuillonMainDialog::QuillonMainDialog(const dialog::Clock& clock, serial::PortNames ports,
                                     std::filesystem::path configDir)
    : clock_(clock), ports_(std::move(ports)), configDir_(std::move(configDir)), exchange_(kProgramName)
{
    SendArea& a1 = areas[0];
    SendArea& a2 = areas[1];
    SendArea& a3 = areas[2];
    // The order is the window's: an exchange that stops at a bad integer
    // leaves the fields after it as they were.
    bindings_ = {
        Binding::control(ReceiveView),
        Binding::position(Baud, baudIndex),
        Binding::position(DataBits, dataBitsIndex),
        Binding::position(Parity, parityIndex),
        Binding::position(StopBits, stopBitsIndex),
        Binding::selectedText(PortList, portName),
        Binding::text(LogPath, logPath),
        Binding::text(Area1Text, a1.text),
        Binding::text(Area2Text, a2.text),
        Binding::text(Area3Text, a3.text),
        Binding::check(Area1Hex, a1.hex),
        Binding::check(Area2Hex, a2.hex),
        Binding::check(Area3Hex, a3.hex),
        Binding::integer(RotationPeriod, rotation_.rotationPeriodMs),
        Binding::integer(Area1Period, a1.period),
        Binding::integer(Area2Period, a2.period),
        Binding::integer(Area3Period, a3.period),
        Binding::check(Area2Auto, a2.autoSend),
        Binding::check(Area3Auto, a3.autoSend),
        Binding::check(Area1Auto, a1.autoSend),
        Binding::check(Area1TakesPart, a1.takesPart),
        Binding::check(Area3TakesPart, a3.takesPart),
        Binding::check(Area2TakesPart, a2.takesPart),
        Binding::check(KeywordFilter, keywordFilter),
        Binding::check(FrameNewline, frameNewline),
        Binding::text(Keyword, keyword),
        Binding::check(ShowTimestamp, showTimestamp),
        Binding::check(RxHex, rxHex),
        Binding::check(AutoClear, autoClear),
        Binding::integer(AnswerTimeout, rotation_.answerTimeoutS),
        Binding::integer(RetryCount, rotation_.retryCount),
        Binding::check(ShowSent, showSent),
        Binding::check(RotateOnce, rotation_.rotateOnce),
    };
    // A bad integer goes through the same reporting as every other message:
    // shown now from a handler, after the tick from inside one. Inside a
    // tick, or while a box is up (accessibility tools can press buttons
    // behind it), it is reported once while the same edit holds the same
    // text, since the tick reads the controls every 10 ms.
    exchange_.reportFilter = [this](int id, const std::string& text) {
        auto failure = std::make_pair(id, text);
        if ((inTick_ || showingReport_ || writingBack_) && reportedBadInteger_ == failure)
            return false;
        reportedBadInteger_ = failure;
        report(gbk("请键入一个整数。"), dialog::MessageIcon::Warning, id);
        return false;
    };
}

QuillonMainDialog::~QuillonMainDialog() = default;

void QuillonMainDialog::report(const std::string& gbkText, dialog::MessageIcon icon, int focusId,
                               const std::string& detail)
{
    for (const Report& r : pendingReports_)
        if (r.text == gbkText && r.detail == detail)
            return;
    pendingReports_.push_back({gbkText, icon, focusId, detail});
    if (!inTick_)
        flushReports();
}

void QuillonMainDialog::flushReports()
{
    // Ticks go on while a box is open, whoever opened it; what they report
    // waits in the queue and is shown by the loop of the box already open,
    // one box at a time.
    if (showingReport_)
        return;
    showingReport_ = true;
    while (!pendingReports_.empty()) {
        const Report r = pendingReports_.front();
        pendingReports_.erase(pendingReports_.begin());
        surface().messageBox(r.text, kProgramName, r.icon, dialog::MessageButtons::Ok, r.detail);
        if (r.focusId)
            surface().focus(r.focusId);
    }
    showingReport_ = false;
}

dialog::MessageAnswer QuillonMainDialog::ask(const std::string& gbkText, dialog::MessageIcon icon,
                                             dialog::MessageButtons buttons)
{
    const bool outermost = !showingReport_;
    showingReport_ = true;
    const dialog::MessageAnswer answer = surface().messageBox(gbkText, kProgramName, icon, buttons);
    if (outermost) {
        showingReport_ = false;
        flushReports();
    }
    return answer;
}

void QuillonMainDialog::initFields()
{
    for (auto& a : areas) {
        a.period = 1000;
        a.autoSendTicks = 0;
        a.hex = 1;
    }
    rotation_.rotationPeriodMs = 1000;
    rxBytes = rxFrames = txBytes = txFrames = 0;
    saving = 0;
    txLamp = rxLamp = 0;
    displayOn = 1;
    baudIndex = 3;
    dataBitsIndex = 2;
    parityIndex = 0;
    stopBitsIndex = 0;
    portName = "COM1";
    portOpen = 0;
    rxHex = 1;
    alwaysOnTop = 0;
}

void QuillonMainDialog::onInit()
{
    // The fields are what the window starts with: nothing to read yet.
    initFields();
    exchange_.toControls(surface(), bindings_);
    readSettingsFiles();
    exchange_.toControls(surface(), bindings_);

    surface().enable(Area1Period, false);
    surface().enable(Area2Period, false);
    surface().enable(Area3Period, false);
    surface().enable(RotationPeriod, false);
    surface().setCheck(TimedMode, 1);
    surface().enable(RotationPeriod, true);

    surface().setTopmost(false);
    surface().startTimer(MainTick, 10);
    surface().startTimer(LampTick, 10);

    for (int id : {RxBytes, RxFrames, TxBytes, TxFrames})
        surface().setText(id, "0");

    surface().setText(ReceiveView, std::string(24, ' '));
    surface().setDefaultColour(ReceiveView, {0, 0, 255});

    updatePortToolTip();
}

void QuillonMainDialog::readSettingsFiles()
{
    if (auto content = dialog::readWholeFile(configDir_ / kPortSettingsFile, kMaxSettingsFileBytes)) {
        const StoredPortSettings s = parsePortSettings(*content);
        portName = s.portName;
        stopBitsIndex = s.stopBitsIndex;
        parityIndex = s.parityIndex;
        dataBitsIndex = s.dataBitsIndex;
        baudIndex = s.baudIndex;
    }
    for (auto& a : areas)
        a.text.clear();
    if (auto content = dialog::readWholeFile(configDir_ / kSendAreaFile, kMaxSettingsFileBytes)) {
        const auto texts = parseSendAreaTexts(*content);
        for (std::size_t i = 0; i < areas.size(); ++i)
            areas[i].text = texts[i];
    }
}

bool QuillonMainDialog::writeSettingsFiles()
{
    std::error_code dirError;
    std::filesystem::create_directories(configDir_, dirError);

    const StoredPortSettings port{portName, stopBitsIndex, parityIndex, dataBitsIndex, baudIndex};
    const std::array<std::string, 3> texts{areas[0].text, areas[1].text, areas[2].text};
    const std::pair<std::filesystem::path, std::string> files[] = {
        {configDir_ / kPortSettingsFile, formatPortSettings(port)},
        {configDir_ / kSendAreaFile, formatSendAreaTexts(texts)},
    };
    for (const auto& [path, content] : files) {
        if (std::error_code ec = dialog::writeFileAtomically(path, content)) {
            report(dialog::fileErrorMessage(ec, dialog::gbkFromPath(path)), dialog::MessageIcon::Stop);
            return false;
        }
    }
    return true;
}

bool QuillonMainDialog::onCloseRequest()
{
    if (portOpen)
        ClosePort();
    updateFields();
    if (writeSettingsFiles())
        return true;
    // A settings folder that stays unwritable must not hold the program
    // open for ever.
    if (ask(gbk("设置没有保存，仍然退出吗？"), dialog::MessageIcon::Question, dialog::MessageButtons::YesNo) ==
        dialog::MessageAnswer::Yes)
        return true;
    // The window stays, with the port the close sequence has let go.
    portOpen = 0;
    setOpenCaption();
    return false;
}

void QuillonMainDialog::dispatch(int id, Notification n)
{
    wakeTicks();
    messageMap_.dispatch(*this, id, n);
    // The handler may have opened the port or sent: the lamps show it.
    wakeLampsIfDue();
}

void QuillonMainDialog::onTimer(int id)
{
    if (id == MainTick) {
        tick();
        flushReports();
    } else if (id == LampTick) {
        lampTick();
    }
}

void QuillonMainDialog::lampTick()
{
    // A lamp is repainted only when what it shows changes, so that an idle
    // window costs nothing; a send or chunk since the last tick lights its
    // lamp until the next one.
    const Lamps now{portOpen != 0, txLamp > 0, rxLamp > 0};
    txLamp = 0;
    rxLamp = 0;
    if (now.portOpen != shownLamps_.portOpen)
        surface().redraw(StatusLamp);
    if (now.txLit != shownLamps_.txLit || now.rxLit != shownLamps_.rxLit)
        surface().redraw(TrafficLamps);
    shownLamps_ = now;
    // Dark lamps stay dark until a send, a chunk or the port wakes them.
    if (!now.txLit && !now.rxLit) {
        surface().stopTimer(LampTick);
        lampTickHeld_ = true;
    }
}

void QuillonMainDialog::onTopmostToggle()
{
    alwaysOnTop = alwaysOnTop ? 0 : 1;
    surface().setTopmost(alwaysOnTop != 0);
    // The letter of the face, also for accessibility tools.
    surface().setText(TopmostToggle, gbk(alwaysOnTop ? "定" : "活"));
    surface().redraw(TopmostToggle);
}

void QuillonMainDialog::onResize(int kind, int screenWidth, int screenHeight)
{
    // Minimizing changes nothing, and neither does a restore before the
    // first maximize; after one, every restore puts the normal layout back.
    if (kind == kMaximized) {
        applyLayout(maximizedLayout(screenWidth, screenHeight));
        layoutNormal = 0;
    } else if (kind == kRestored && !layoutNormal) {
        applyLayout(normalLayout());
    }
}

void QuillonMainDialog::applyLayout(const WindowLayout& layout)
{
    for (const ControlPlacement& p : layout.placements)
        surface().moveControl(p.id, p.rect);
    viewCharsPerLine = layout.viewCharsPerLine;
    viewMaxLines = layout.viewMaxLines;
    surface().show(TopmostToggle, layout.toggleShown);
}

void QuillonMainDialog::onMenuCommand(int command)
{
    if ((command & ~0xF) == kAboutCommand)
        onAbout();
}

void QuillonMainDialog::onAbout()
{
    dialog::InfoBoxLogic about;
    surface().runModal(quillonAboutBoxTemplate(), about);
}

bool QuillonMainDialog::OpenPort()
{
    const std::string cannotOpen = gbk("通信端口<") + portName + gbk(">无法打开!");
    // Stays so when the name stands for no device.
    std::error_code ec = std::make_error_code(std::errc::no_such_device);
    serial::SerialDevice device;
    if (const auto path = ports_.resolve(portName))
        device = serial::SerialDevice::open(path->string(), portName, ec);
    if (!device.isOpen()) {
        report(cannotOpen, dialog::MessageIcon::Warning, 0, gbk(serial::failureReason(ec)));
        return false;
    }
    portDevice = std::move(device);

    serial::LineSettings line = portDevice.readLineSettings();
    if (const auto baud = dialog::valueAt(kBaudList, baudIndex))
        line.baudRate = *baud;
    if (const auto bits = dialog::valueAt(kDataBitsList, dataBitsIndex))
        line.dataBits = *bits;
    // No selection passes a code the device refuses, so the user hears of it.
    constexpr std::uint8_t kNoCode = 255;
    line.parity = dialog::valueAt(kParityList, parityIndex).value_or(kNoCode);
    line.stopBits = dialog::valueAt(kStopBitsList, stopBitsIndex).value_or(kNoCode);
    line.parityCheck = true;
    line.ctsOutFlow = false;
    line.dsrOutFlow = false;
    line.dtr = serial::LineControl::Enable;
    line.xonXoffOut = false;
    line.xonXoffIn = false;
    line.rts = serial::LineControl::Enable;
    line.xonChar = 0x11;
    line.xoffChar = 0x13;
    // A line the port cannot give is not half set up: nothing more is done
    // to the device, and its error is reported below.
    if (portDevice.applyLineSettings(line)) {
        portDevice.setWriteTimeout({100, 1000});
        portDevice.purge(serial::purge::ClearOutput | serial::purge::ClearInput);
        portDevice.setDtr(true);
    }

    if (const std::error_code err = portDevice.lastError()) {
        const std::string why = gbk(portDevice.lastErrorReason());
        portDevice.clearLastError();
        // Release the device, so the same port can be opened again.
        portDevice.close();
        report(gbk("错误码: ") + std::to_string(static_cast<unsigned long>(err.value())), dialog::MessageIcon::Warning,
               0, why);
        return false;
    }
    return true;
}

void QuillonMainDialog::ClosePort()
{
    if (!portOpen)
        return;
    // A tick waiting for the descriptor must not outlive it.
    if (mainTickHeld_)
        surface().stopTimer(MainTick);
    portDevice.setDtr(false);
    portDevice.purge(serial::purge::ClearOutput | serial::purge::ClearInput);
    portDevice.close();
}

void QuillonMainDialog::portLost(const std::error_code& ec)
{
    if (!portOpen)
        return;
    const std::string name = portDevice.settings().portName;
    // As the close button closes it: the user opens it again once the
    // device is back.
    ClosePort();
    portOpen = 0;
    setOpenCaption();
    updatePortToolTip();
    report(gbk("通信端口<") + name + gbk(">已断开!"), dialog::MessageIcon::Warning, 0, gbk(serial::failureReason(ec)));
}

void QuillonMainDialog::setOpenCaption() { surface().setText(OpenButton, gbk(portOpen ? "关闭串口" : "打开串口")); }

void QuillonMainDialog::updatePortToolTip()
{
    // Which device each name stands for, so the user can tell COM3 from
    // COM4; refreshed whenever the user deals with the port, since devices
    // and links come and go while the program runs.
    const auto devices = ports_.devices();
    auto deviceOf = [&](const std::string& name) {
        const auto n = serial::portNumber(name);
        const auto it = n ? devices.find(*n) : devices.end();
        return it == devices.end() ? std::string() : it->second.string();
    };
    for (int i = 0, n = surface().itemCount(PortList); i < n; ++i) {
        const std::string device = deviceOf(surface().itemText(PortList, i));
        surface().setItemToolTip(PortList, i, dialog::toGbk(device.empty() ? "(无设备)" : device));
    }
    surface().setToolTip(PortList, dialog::toGbk(deviceOf(surface().selectedText(PortList))));
}

void QuillonMainDialog::onOpenButton()
{
    // The user's clipboard is left alone: the view is written directly.
    updateFields();
    if (portOpen) {
        ClosePort();
        portOpen = 0;
    } else if (OpenPort()) {
        portOpen = 1;
    }
    setOpenCaption();
    updatePortToolTip();
}

void QuillonMainDialog::onPortChanged()
{
    updatePortToolTip();
    if (!portOpen)
        return;
    ClosePort();
    portOpen = 0;
    setOpenCaption();
}

void QuillonMainDialog::onLineSettingChanged()
{
    if (!portOpen)
        return;
    ClosePort();
    updateFields();
    OpenPort();
}

} // namespace quillon
