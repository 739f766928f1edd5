#include "quillon/app/QuillonTemplates.h"

#include "dialog/TemplateBuilder.h"
#include "quillon/QuillonIds.h"
#include "quillon/app/LineSettingLists.h"
#include "quillon/send/Checksum.h"

#include <array>

namespace quillon {
namespace {

using dialog::ControlKind;
using dialog::ControlTemplate;
using dialog::kStaticId;
using dialog::Rect;
namespace style = dialog::style;

using Builder = dialog::TemplateBuilder;

// Port settings, counters and the top rows of the receive options: the
// controls that never move when the window is maximized.
void addTopLeft(Builder& b)
{
    std::vector<std::string> ports;
    for (int n = 1; n <= 20; ++n)
        ports.push_back("COM" + std::to_string(n));

    constexpr int kLabelX = 10, kListX = 52, kListW = 80;
    b.label("串口号", {kLabelX, 8, 40, 22});
    b.list(PortList, {kListX, 8, kListW, 22}, ports);
    b.label("波特率", {kLabelX, 34, 40, 22});
    b.list(Baud, {kListX, 34, kListW, 22}, dialog::captionsOf(kBaudList));
    b.label("数据位", {kLabelX, 60, 40, 22});
    b.list(DataBits, {kListX, 60, kListW, 22}, dialog::captionsOf(kDataBitsList));
    b.label("校验位", {kLabelX, 86, 40, 22});
    b.list(Parity, {kListX, 86, kListW, 22}, dialog::captionsOf(kParityList));
    b.label("停止位", {kLabelX, 112, 40, 22});
    b.list(StopBits, {kListX, 112, kListW, 22}, dialog::captionsOf(kStopBitsList));

    constexpr int kCounterEditX = 64, kCounterEditW = 68;
    const std::array<std::pair<int, const char*>, 4> counters{
        {{RxBytes, "收字节数"}, {RxFrames, "收帧数"}, {TxBytes, "发字节数"}, {TxFrames, "发帧数"}}};
    int y = 146;
    for (const auto& [id, caption] : counters) {
        b.label(caption, {kLabelX, y, 52, 22});
        b.edit(id, {kCounterEditX, y, kCounterEditW, 22}, style::ReadOnly);
        y += 26;
    }
    b.button(ClearCounters, "清空计数", {10, 250, 60, 24});
    b.button(About, "关于程序", {72, 250, 60, 24});

    constexpr int kX = 142, kW = 148; // the receive-option column, up to x 290
    b.button(OpenButton, "打开串口", {kX, 8, 72, 24});
    b.label("状态", {220, 9, 28, 22});
    b.add(StatusLamp, ControlKind::Picture, "", {250, 13, 13, 13});
    b.label("发送", {kX, 36, 26, 22});
    b.add(TrafficLamps, ControlKind::Picture, "", {170, 37, 60, 20});
    b.label("接收", {232, 36, 28, 22});

    b.check(RxHex, "16进制", {kX, 62, 70, 20});
    b.check(FrameNewline, "帧换行", {214, 62, 76, 20});
    b.check(ShowTimestamp, "显示保存时间", {kX, 84, kW, 20});
    b.check(ShowSent, "显示保存发送", {kX, 106, kW, 20});
    b.check(AutoClear, "自动清", {kX, 128, kW, 20});
    b.check(KeywordFilter, "关键字过滤接收", {kX, 150, kW, 20});
    b.nameNext("关键字");
    b.edit(Keyword, {kX, 172, kW, 22});
    b.button(ClearView, "清空接收区", {kX, 198, 73, 24});
    b.button(DisplayToggle, "停止显示", {217, 198, 73, 24});
    b.button(SaveToggle, "保存数据", {kX, 224, 73, 24});
    b.button(ChangeFile, "更改文件", {217, 224, 73, 24});
    b.nameNext("保存文件");
    b.edit(LogPath, {kX, 250, kW, 22}, style::ReadOnly);
}

void addSendAreas(Builder& b)
{
    b.add(SendGroup, ControlKind::GroupBox, "发送区", {10, 276, 770, 106});
    struct Row {
        int label, send, clear, checksum, text;
        const char* caption;
    };
    const std::array<Row, 3> rows{{
        {Area1Label, Area1Send, Area1Clear, Area1Checksum, Area1Text, "发送区1"},
        {Area2Label, Area2Send, Area2Clear, Area2Checksum, Area2Text, "发送区2"},
        {Area3Label, Area3Send, Area3Clear, Area3Checksum, Area3Text, "发送区3"},
    }};
    // The edits start at x 168, which leaves 155 pixels for a label and
    // three buttons: room for their captions only in the compact font.
    int y = 288;
    for (const Row& r : rows) {
        b.label(r.caption, {12, y, 42, 26}, r.label, style::Compact);
        b.add(r.send, ControlKind::Button, "手动发送", {57, y, 52, 26}, style::Compact);
        b.add(r.clear, ControlKind::Button, "清空", {110, y, 28, 26}, style::Compact);
        b.add(r.checksum, ControlKind::Button, "校验", {139, y, 28, 26}, style::Compact);
        b.add(r.text, ControlKind::MultiLineEdit, "", {168, y, 608, 26}, style::VScroll);
        y += 30;
    }
}

void addRotation(Builder& b)
{
    b.add(RotationGroup, ControlKind::GroupBox, "发送区及发送文件轮发属性", {10, 386, 392, 132});
    b.check(RotateOnce, "只轮发一遍", {18, 404, 90, 20});
    b.add(TimedMode, ControlKind::RadioButton, "定时", {112, 404, 52, 20}, style::Group);
    b.add(AnswerMode, ControlKind::RadioButton, "收到回答后发下一帧", {166, 404, 140, 20});

    b.label("周期", {18, 430, 28, 22}, RotationPeriodLabel);
    b.edit(RotationPeriod, {48, 430, 56, 22}, style::Number | style::Group);
    b.label("ms", {106, 430, 20, 22}, RotationPeriodUnit);
    b.label("超时时间", {132, 430, 52, 22}, AnswerTimeoutLabel);
    b.edit(AnswerTimeout, {186, 430, 44, 22}, style::Number);
    b.label("s", {232, 430, 12, 22}, AnswerTimeoutUnit);
    b.label("重发次数", {252, 430, 52, 22}, RetryCountLabel);
    b.edit(RetryCount, {306, 430, 44, 22}, style::Number);

    b.button(AreaRotationButton, "开始发送区轮发", {18, 458, 96, 26});
    b.button(ChooseFile, "选择发送文件", {118, 458, 86, 26});
    b.button(FileRotationButton, "开始文件轮发", {208, 458, 86, 26});

    b.label("文件行数", {18, 490, 52, 22}, FileLineCountLabel);
    b.edit(FileLineCount, {72, 490, 60, 22}, style::ReadOnly);
    b.label("当前发送行", {140, 490, 64, 22}, FileCurrentLineLabel);
    b.edit(FileCurrentLine, {206, 490, 60, 22}, style::ReadOnly);
}

void addAreaSettings(Builder& b)
{
    struct Settings {
        int group, hex, autoSend, period, takesPart, periodLabel, periodUnit, x, w;
        const char* caption;
    };
    const std::array<Settings, 3> areas{{
        {Area1Group, Area1Hex, Area1Auto, Area1Period, Area1TakesPart, Area1PeriodLabel, Area1PeriodUnit, 408, 122,
         "发送区1属性"},
        {Area2Group, Area2Hex, Area2Auto, Area2Period, Area2TakesPart, Area2PeriodLabel, Area2PeriodUnit, 532, 122,
         "发送区2属性"},
        {Area3Group, Area3Hex, Area3Auto, Area3Period, Area3TakesPart, Area3PeriodLabel, Area3PeriodUnit, 656, 124,
         "发送区3属性"},
    }};
    for (const Settings& s : areas) {
        b.add(s.group, ControlKind::GroupBox, s.caption, {s.x, 386, s.w, 132});
        b.check(s.hex, "16进制", {s.x + 8, 404, 106, 20});
        b.check(s.autoSend, "自动发", {s.x + 8, 426, 106, 20});
        b.check(s.takesPart, "参加轮发", {s.x + 8, 448, 106, 20});
        b.label("发送周期", {s.x + 8, 474, 50, 22}, s.periodLabel);
        b.edit(s.period, {s.x + 58, 474, 40, 22}, style::Number);
        b.label("ms", {s.x + 100, 474, 18, 22}, s.periodUnit);
    }
}

} // namespace

dialog::WindowTemplate quillonMainWindowTemplate()
{
    dialog::WindowTemplate layout;
    layout.title = "Quillon 3.0AD";
    layout.width = 794;
    layout.height = 540;
    layout.minimizeBox = true;
    layout.maximizeBox = true;
    layout.menu = {{kAutoReconnectCommand, "断线自动重连", true}, {kAboutCommand, "关于 Quillon(&A)..."}};

    Builder b(layout);
    addTopLeft(b);
    b.nameNext("接收区"); // the receive view has no label of its own
    b.add(ReceiveView, ControlKind::RichView, "", {296, 6, 483, 270}, style::VScroll);
    addSendAreas(b);
    addRotation(b);
    addAreaSettings(b);
    b.add(TopmostToggle, ControlKind::OwnerDrawButton, "", {2, 521, 15, 17});
    layout.controls.back().accessibleName = "活"; // the letter its face shows
    return layout;
}

dialog::WindowTemplate quillonAboutBoxTemplate()
{
    auto layout = dialog::WindowTemplate::fixedDialog("关于 Quillon 3.0AD", 423, 327);

    Builder b(layout);
    b.add(kStaticId, ControlKind::Frame, "", {12, 12, 399, 262});
    const auto line = [&b](const char* caption, int y, int h = 22) {
        b.add(kStaticId, ControlKind::Label, caption, {22, y, 379, h}, style::Centre);
    };
    const auto rule = [&b](int y) { b.add(kStaticId, ControlKind::HorizontalRule, "", {22, y, 379, 1}); };
    line("版本：3.0AD    2006.10.1", 24);
    rule(56);
    line("感谢各位同行在试用中提出的宝贵意见和建议。", 66, 40);
    rule(116);
    line("联系作者：请在本软件的发布页面留言。", 126);
    rule(158);
    line("欢迎厂商在本软件中刊登广告，详情请与作者联系。", 170);
    line("如果本软件对您有所帮助，欢迎捐助，支持后续开发。", 200);
    b.add(IdOk, ControlKind::Button, "确定", {175, 287, 72, 26}, style::Default | style::Group);
    return layout;
}

dialog::WindowTemplate quillonChecksumDialogTemplate()
{
    auto layout = dialog::WindowTemplate::fixedDialog("计算校验码", 260, 258);

    Builder b(layout);
    b.add(kChecksumGroup, ControlKind::GroupBox, "校验方式", {12, 8, 236, 196});
    for (int i = 0; i < kChecksumKinds; ++i)
        b.add(kChecksumFirstRadio + i, ControlKind::RadioButton, kChecksumList[i].caption, {26, 28 + 24 * i, 210, 20},
              i == 0 ? style::Group : 0u);
    b.add(IdOk, ControlKind::Button, "确定", {44, 218, 72, 26}, style::Default | style::Group);
    b.add(IdCancel, ControlKind::Button, "取消", {144, 218, 72, 26});
    return layout;
}

} // namespace quillon
