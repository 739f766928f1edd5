#include "quillon/app/QuillonMainDialog.h"

#include "dialog/FileErrors.h"
#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "dialog/TemplateBuilder.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/QuillonTemplates.h"

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
    : clock_(clock)
    , ports_(std::move(ports))
    , exchange_(kProgramName)
    , autoReconnect_(dialog::kAutoReconnectCommand, configDir / kSwitchFile, "auto-reconnect")
    , stored_(std::move(configDir))
{
    SendArea& a1 = sends_.area(1);
    SendArea& a2 = sends_.area(2);
    SendArea& a3 = sends_.area(3);
    ReceiveOptions& rx = traffic_.options;
    // The order is the window's: an exchange that stops at a bad integer
    // leaves the fields after it as they were.
    bindings_ = {
        Binding::control(ReceiveView),
        Binding::position(Baud, port_.baudIndex),
        Binding::position(DataBits, port_.dataBitsIndex),
        Binding::position(Parity, port_.parityIndex),
        Binding::position(StopBits, port_.stopBitsIndex),
        Binding::selectedText(PortList, port_.portName),
        Binding::text(LogPath, rx.logPath),
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
        Binding::check(KeywordFilter, rx.keywordFilter),
        Binding::check(FrameNewline, rx.frameNewline),
        Binding::text(Keyword, rx.keyword),
        Binding::check(ShowTimestamp, rx.showTimestamp),
        Binding::check(RxHex, rx.rxHex),
        Binding::check(AutoClear, rx.autoClear),
        Binding::integer(AnswerTimeout, rotation_.answerTimeoutS),
        Binding::integer(RetryCount, rotation_.retryCount),
        Binding::check(ShowSent, rx.showSent),
        Binding::check(RotateOnce, rotation_.rotateOnce),
    };
    // A bad integer goes through the same reporting as every other message:
    // shown now from a handler, after the tick from inside one. Inside a
    // tick, or while a box is up (accessibility tools can press buttons
    // behind it), it is reported once while the same edit holds the same
    // text, since the tick reads the controls every 10 ms.
    exchange_.reportFilter = [this](int id, const std::string& text) {
        auto failure = std::make_pair(id, text);
        if ((messages_.inTick() || messages_.showing() || writingBack_) && reportedBadInteger_ == failure)
            return false;
        reportedBadInteger_ = failure;
        messages_.report(gbk("请键入一个整数。"), dialog::MessageIcon::Warning, id);
        return false;
    };
}

QuillonMainDialog::~QuillonMainDialog() = default;

void QuillonMainDialog::bind(dialog::ControlSurface& surface)
{
    surface_ = &surface;
    messages_.bind(surface);
    traffic_.bind(surface);
    sends_.bind(surface);
    lamps_.bind(surface);
}

void QuillonMainDialog::onInit()
{
    // The fields are what the window starts with: nothing to read yet.
    exchange_.toControls(surface(), bindings_);
    stored_.load(port_, sends_.areas);
    exchange_.toControls(surface(), bindings_);

    surface().enable(Area1Period, false);
    surface().enable(Area2Period, false);
    surface().enable(Area3Period, false);
    surface().enable(RotationPeriod, false);
    surface().setCheck(TimedMode, 1);
    surface().enable(RotationPeriod, true);

    surface().setTopmost(false);
    autoReconnect_.show(surface());
    surface().startTimer(MainTick, 10);
    surface().startTimer(LampTick, 10);
    startFollowingPorts();

    for (int id : {RxBytes, RxFrames, TxBytes, TxFrames})
        surface().setText(id, "0");

    surface().setText(ReceiveView, std::string(24, ' '));
    surface().setDefaultColour(ReceiveView, {0, 0, 255});

    updatePortToolTip();
}

bool QuillonMainDialog::onCloseRequest()
{
    if (portOpen_)
        closePort();
    updateFields();
    const auto failure = stored_.save(port_, sends_.areas);
    if (!failure)
        return true;
    messages_.report(dialog::fileErrorMessage(failure->error, dialog::gbkFromPath(failure->path)),
                     dialog::MessageIcon::Stop);
    // A settings folder that stays unwritable must not hold the program
    // open for ever.
    if (messages_.ask(gbk("设置没有保存，仍然退出吗？"), dialog::MessageIcon::Question,
                      dialog::MessageButtons::YesNo) == dialog::MessageAnswer::Yes)
        return true;
    // The window stays, with the port the close sequence has let go.
    portOpen_ = false;
    setOpenCaption();
    return false;
}

void QuillonMainDialog::dispatch(int id, Notification n)
{
    wakeTicks();
    messageMap_.dispatch(*this, id, n);
    // The handler may have opened the port or sent: the lamps show it.
    lamps_.wakeIfDue(portOpen_);
}

void QuillonMainDialog::onTimer(int id)
{
    if (id == MainTick) {
        tick();
        messages_.flush();
    } else if (id == LampTick) {
        lamps_.tick(portOpen_);
    } else if (id == PortWatch) {
        onPortWatch();
        messages_.flush();
    } else if (id == PortConnect) {
        onPortConnect();
        messages_.flush();
    }
}

void QuillonMainDialog::onTopmostToggle()
{
    alwaysOnTop_ = !alwaysOnTop_;
    surface().setTopmost(alwaysOnTop_);
    // The letter of the face, also for accessibility tools.
    surface().setText(TopmostToggle, gbk(alwaysOnTop_ ? "定" : "活"));
    surface().redraw(TopmostToggle);
}

void QuillonMainDialog::onResize(int kind, int screenWidth, int screenHeight)
{
    if (const auto layout = layout_.onResize(surface(), kind, screenWidth, screenHeight))
        traffic_.viewSize = {layout->viewCharsPerLine, layout->viewMaxLines};
}

void QuillonMainDialog::onMenuCommand(int command)
{
    if (dialog::isAboutCommand(command))
        onAbout();
    else if (autoReconnect_.isCommand(command)) {
        autoReconnect_.toggle(surface()); // a failed write leaves the switch as chosen for this run
        // Off while waiting: the port is closed, as the button would.
        if (!autoReconnect() && waitingForDevice())
            onOpenButton();
    }
}

void QuillonMainDialog::onAbout()
{
    dialog::InfoBoxLogic about;
    surface().runModal(quillonAboutBoxTemplate(), about);
}

void QuillonMainDialog::onSaveToggle()
{
    if (traffic_.options.saving) {
        traffic_.stopSaving();
        return;
    }
    // The path as it stands in its edit, not as the last read found it.
    updateControls([&] {
        if (traffic_.options.logPath.empty())
            traffic_.options.logPath = "data.txt";
    });
    traffic_.startSaving();
}

void QuillonMainDialog::onChangeFile()
{
    dialog::FileDialogOptions options;
    options.filter = gbk("文本文件(*.txt)|*.txt||");
    options.defaultExt = ".txt";
    if (auto path = surface().openFileDialog(options)) {
        updateControls([&] { traffic_.options.logPath = *path; });
        traffic_.logPathChosen();
    }
}

} // namespace quillon
