#include "veltra/app/VeltraTemplates.h"

#include "dialog/TemplateBuilder.h"
#include "veltra/app/VeltraIds.h"

#include <array>
#include <string>

namespace veltra {
namespace {

using dialog::ControlKind;
using dialog::ControlTemplate;
using dialog::kStaticId;
using dialog::Rect;
namespace style = dialog::style;

using Builder = dialog::TemplateBuilder;

void addPortSettings(Builder& b)
{
    b.add(kStaticId, ControlKind::GroupBox, "串口设置区", {6, 4, 170, 226});
    const std::array<std::pair<int, const char*>, 6> rows{{{PortList, "端口号"},
                                                           {BaudList, "波特率"},
                                                           {DataBitsList, "数据位"},
                                                           {ParityList, "校验位"},
                                                           {StopBitsList, "停止位"},
                                                           {FlowList, "流控制"}}};
    int y = 24;
    for (const auto& [id, caption] : rows) {
        b.label(caption, {14, y, 44, 22});
        b.list(id, {60, y, 108, 22});
        y += 28;
    }
    b.button(ConnectButton, "连接串口", {38, 194, 100, 26});
}

void addReceive(Builder& b)
{
    b.add(kStaticId, ControlKind::GroupBox, "数据接收区", {182, 4, 488, 262});
    b.nameNext("数据接收区");
    b.add(ReceiveArea, ControlKind::MultiLineEdit, "", {190, 22, 472, 206}, style::VScroll | style::Log);
    b.check(ReceiveHex, "十六进制", {190, 236, 76, 20});
    b.check(ReceiveTime, "接收时间", {268, 236, 76, 20});
    b.check(BurstNewline, "数据帧换行", {346, 236, 88, 20});
    b.check(AutoClear, "自动清空", {436, 236, 76, 20});
    b.button(ClearReceive, "清空接收", {522, 234, 68, 24});
    b.button(Save, "保存", {594, 234, 68, 24});
}

void addSend(Builder& b)
{
    b.add(kStaticId, ControlKind::GroupBox, "数据发送区", {6, 270, 664, 176});
    b.check(SendHex, "十六进制", {14, 288, 80, 20});
    b.check(AppendNewline, "追加换行", {96, 288, 80, 20});
    b.check(TimedSend, "定时发送", {14, 312, 80, 22});
    b.nameNext("定时发送");
    b.add(Period, ControlKind::Edit, "", {96, 312, 46, 22}, style::Number);
    b.label("毫秒", {144, 312, 30, 22});
    b.button(SendButton, "发送", {14, 340, 76, 26});
    b.button(ClearSend, "清空发送", {96, 340, 76, 26});
    b.nameNext("数据发送区");
    b.add(SendArea, ControlKind::MultiLineEdit, "", {182, 286, 480, 80}, style::VScroll);

    struct Quick {
        int hex, text, send;
        const char* name;
    };
    const std::array<Quick, 3> lines{{{Quick1Hex, Quick1Text, Quick1Send, "快捷发送1"},
                                      {Quick2Hex, Quick2Text, Quick2Send, "快捷发送2"},
                                      {Quick3Hex, Quick3Text, Quick3Send, "快捷发送3"}}};
    int y = 372;
    for (const Quick& q : lines) {
        b.check(q.hex, "HEX", {14, y, 50, 22});
        b.nameNext(q.name);
        b.add(q.text, ControlKind::Edit, "", {66, y, 520, 22});
        b.button(q.send, "发送", {592, y, 70, 22});
        y += 24;
    }
}

void addCommandArea(Builder& b)
{
    b.add(kStaticId, ControlKind::GroupBox, "Veltra指令区", {6, 450, 664, 128});
    b.label("指令类型", {14, 470, 56, 22});
    b.list(CommandType, {72, 470, 120, 22});
    b.label("设备地址", {202, 470, 56, 22});
    b.add(DeviceAddress, ControlKind::ComboBox, "", {260, 470, 116, 22}, style::VScroll);
    b.label("功能", {386, 470, 30, 22}, FunctionLabel);
    b.list(Function, {418, 470, 244, 22});
    b.label("参数", {14, 498, 56, 22}, ParameterLabel);
    b.add(Parameter, ControlKind::ComboBox, "", {72, 498, 304, 22}, style::VScroll);
    b.check(TemporaryChange, "临时修改", {386, 498, 80, 22});
    b.check(Crc16, "CRC16校验", {470, 498, 100, 22});
    b.label("指令预览", {14, 528, 56, 22});
    b.add(CommandPreview, ControlKind::Edit, "", {72, 528, 514, 22}, style::ReadOnly);
    b.button(SendCommand, "发送", {592, 527, 70, 24});
}

void addStatusLine(Builder& b)
{
    b.add(StatusFrame, ControlKind::Frame, "", {6, 584, 664, 44});
    b.label("Veltra串口助手 V1.1", {12, 587, 140, 18}, ProductCaption);
    b.label("状态", {160, 587, 30, 18}, StatusCaption);
    b.label("准备", {192, 587, 80, 18}, StatusText);
    b.label("接收计数", {278, 587, 54, 18}, ReceivedCaption);
    b.label("0", {334, 587, 90, 18}, ReceivedCount);
    b.label("发送计数", {430, 587, 54, 18}, SentCaption);
    b.label("0", {486, 587, 90, 18}, SentCount);
    b.label(kWebAddressUpper, {12, 607, 652, 18}, WebAddress, style::Centre);
}

} // namespace

dialog::WindowTemplate veltraMainWindowTemplate()
{
    dialog::WindowTemplate layout;
    layout.title = std::string("Veltra科技串口调试助手V1.1 - ") + kWebAddress;
    // 451 dialog units wide; taller than 382 units (573 pixels), as the
    // toolkit's lists and edits need more height than the template's.
    layout.width = 677;
    layout.height = 634;
    layout.minimizeBox = true;
    layout.maximizeBox = false;
    layout.menu = {{kAutoReconnectCommand, "断线自动重连", true}, {kAboutCommand, "版权信息(&A)..."}};

    Builder b(layout);
    addPortSettings(b);
    addReceive(b);
    addSend(b);
    addCommandArea(b);
    addStatusLine(b);
    return layout;
}

dialog::WindowTemplate veltraAboutBoxTemplate()
{
    auto layout = dialog::WindowTemplate::fixedDialog("版权信息", 360, 110);

    Builder b(layout);
    b.add(kStaticId, ControlKind::Icon, "", {16, 18, 32, 32}); // the program's icon
    b.label("Veltra科技串口调试助手 1.1 版", {60, 18, 280, 20});
    b.label(std::string("版权所有 (C) ").append(kWebAddress).c_str(), {60, 44, 280, 20});
    b.add(IdOk, ControlKind::Button, "确定", {270, 76, 72, 26}, style::Default | style::Group);
    return layout;
}

} // namespace veltra
