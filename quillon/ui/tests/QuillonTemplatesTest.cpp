#include "quillon/app/QuillonTemplates.h"

#include "quillon/QuillonIds.h"
#include "quillon/send/Checksum.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace quillon {
namespace {

using dialog::ControlKind;
using dialog::ControlTemplate;
using dialog::Rect;
using dialog::WindowTemplate;

bool overlap(const Rect& a, const Rect& b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

bool inside(const Rect& inner, const Rect& outer)
{
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

bool isContainer(const ControlTemplate& c) { return c.kind == ControlKind::GroupBox || c.kind == ControlKind::Frame; }

std::string name(const ControlTemplate& c) { return std::to_string(c.id) + " " + c.caption; }

// Controls share no pixels; a control touching a group box or frame lies
// wholly inside it; everything lies in the client area.
void expectCleanLayout(const WindowTemplate& layout)
{
    const Rect client{0, 0, layout.width, layout.height};
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlTemplate& a = layout.controls[i];
        EXPECT_TRUE(inside(a.rect, client)) << name(a);
        EXPECT_GT(a.rect.w, 0) << name(a);
        EXPECT_GT(a.rect.h, 0) << name(a);
        for (std::size_t j = i + 1; j < layout.controls.size(); ++j) {
            const ControlTemplate& b = layout.controls[j];
            if (!overlap(a.rect, b.rect))
                continue;
            if (isContainer(a) && !isContainer(b))
                EXPECT_TRUE(inside(b.rect, a.rect)) << name(b) << " half in " << name(a);
            else if (isContainer(b) && !isContainer(a))
                EXPECT_TRUE(inside(a.rect, b.rect)) << name(a) << " half in " << name(b);
            else
                ADD_FAILURE() << name(a) << " overlaps " << name(b);
        }
    }
}

TEST(QuillonTemplates, LayoutsAreClean)
{
    struct Case {
        const char* name;
        WindowTemplate layout;
    };
    const Case cases[] = {
        {"main", quillonMainWindowTemplate()},
        {"about", quillonAboutBoxTemplate()},
        {"checksum", quillonChecksumDialogTemplate()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectCleanLayout(c.layout);
        std::map<int, int> seen;
        for (const ControlTemplate& control : c.layout.controls) {
            if (control.id != dialog::kStaticId) {
                EXPECT_EQ(++seen[control.id], 1) << "duplicate id " << control.id;
            }
        }
    }
}

TEST(QuillonTemplates, MainWindowHasEveryControlWithItsCaption)
{
    struct Expect {
        int id;
        ControlKind kind;
        const char* caption;
    };
    // clang-format off
    const Expect controls[] = {
        {PortList, ControlKind::DropList, ""}, {Baud, ControlKind::DropList, ""},
        {DataBits, ControlKind::DropList, ""}, {Parity, ControlKind::DropList, ""},
        {StopBits, ControlKind::DropList, ""}, {OpenButton, ControlKind::Button, "打开串口"},
        {StatusLamp, ControlKind::Picture, ""}, {ReceiveView, ControlKind::RichView, ""},
        {RxHex, ControlKind::CheckBox, "16进制"}, {FrameNewline, ControlKind::CheckBox, "帧换行"},
        {ShowTimestamp, ControlKind::CheckBox, "显示保存时间"}, {ShowSent, ControlKind::CheckBox, "显示保存发送"},
        {AutoClear, ControlKind::CheckBox, "自动清"}, {KeywordFilter, ControlKind::CheckBox, "关键字过滤接收"},
        {Keyword, ControlKind::Edit, ""}, {ClearView, ControlKind::Button, "清空接收区"},
        {DisplayToggle, ControlKind::Button, "停止显示"}, {SaveToggle, ControlKind::Button, "保存数据"},
        {ChangeFile, ControlKind::Button, "更改文件"}, {LogPath, ControlKind::Edit, ""},
        {RxBytes, ControlKind::Edit, ""}, {RxFrames, ControlKind::Edit, ""},
        {TxBytes, ControlKind::Edit, ""}, {TxFrames, ControlKind::Edit, ""},
        {ClearCounters, ControlKind::Button, "清空计数"}, {TrafficLamps, ControlKind::Picture, ""},
        {About, ControlKind::Button, "关于程序"}, {TopmostToggle, ControlKind::OwnerDrawButton, ""},
        {SendGroup, ControlKind::GroupBox, nullptr},
        {Area1Text, ControlKind::MultiLineEdit, ""}, {Area2Text, ControlKind::MultiLineEdit, ""},
        {Area3Text, ControlKind::MultiLineEdit, ""},
        {Area1Label, ControlKind::Label, "发送区1"}, {Area2Label, ControlKind::Label, "发送区2"},
        {Area3Label, ControlKind::Label, "发送区3"},
        {Area1Send, ControlKind::Button, "手动发送"}, {Area2Send, ControlKind::Button, "手动发送"},
        {Area3Send, ControlKind::Button, "手动发送"},
        {Area1Clear, ControlKind::Button, "清空"}, {Area2Clear, ControlKind::Button, "清空"},
        {Area3Clear, ControlKind::Button, "清空"},
        {Area1Checksum, ControlKind::Button, "校验"}, {Area2Checksum, ControlKind::Button, "校验"},
        {Area3Checksum, ControlKind::Button, "校验"},
        {RotationGroup, ControlKind::GroupBox, "发送区及发送文件轮发属性"},
        {RotateOnce, ControlKind::CheckBox, "只轮发一遍"}, {RotationPeriodLabel, ControlKind::Label, "周期"},
        {RotationPeriod, ControlKind::Edit, ""}, {RotationPeriodUnit, ControlKind::Label, "ms"},
        {TimedMode, ControlKind::RadioButton, "定时"}, {AnswerMode, ControlKind::RadioButton, "收到回答后发下一帧"},
        {AnswerTimeoutLabel, ControlKind::Label, "超时时间"}, {AnswerTimeout, ControlKind::Edit, ""},
        {AnswerTimeoutUnit, ControlKind::Label, "s"}, {RetryCountLabel, ControlKind::Label, "重发次数"},
        {RetryCount, ControlKind::Edit, ""}, {AreaRotationButton, ControlKind::Button, "开始发送区轮发"},
        {ChooseFile, ControlKind::Button, "选择发送文件"}, {FileRotationButton, ControlKind::Button, "开始文件轮发"},
        {FileLineCount, ControlKind::Edit, ""}, {FileCurrentLine, ControlKind::Edit, ""},
        {Area1Group, ControlKind::GroupBox, "发送区1属性"}, {Area2Group, ControlKind::GroupBox, "发送区2属性"},
        {Area3Group, ControlKind::GroupBox, "发送区3属性"},
        {Area1Hex, ControlKind::CheckBox, "16进制"}, {Area2Hex, ControlKind::CheckBox, "16进制"},
        {Area3Hex, ControlKind::CheckBox, "16进制"},
        {Area1Auto, ControlKind::CheckBox, "自动发"}, {Area2Auto, ControlKind::CheckBox, "自动发"},
        {Area3Auto, ControlKind::CheckBox, "自动发"},
        {Area1Period, ControlKind::Edit, ""}, {Area2Period, ControlKind::Edit, ""},
        {Area3Period, ControlKind::Edit, ""},
        {Area1TakesPart, ControlKind::CheckBox, "参加轮发"}, {Area2TakesPart, ControlKind::CheckBox, "参加轮发"},
        {Area3TakesPart, ControlKind::CheckBox, "参加轮发"},
    };
    // clang-format on
    const WindowTemplate layout = quillonMainWindowTemplate();
    EXPECT_EQ(layout.title, "Quillon 3.0AD");
    EXPECT_EQ(layout.width, 794);
    EXPECT_EQ(layout.height, 540);
    ASSERT_EQ(layout.menu.size(), 2u);
    EXPECT_EQ(layout.menu[1].command, kAboutCommand);
    EXPECT_EQ(layout.menu[1].caption, "关于 Quillon(&A)...");
    EXPECT_FALSE(layout.menu[1].checkable);
    for (const Expect& e : controls) {
        SCOPED_TRACE(e.id);
        const ControlTemplate* c = layout.find(e.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, e.kind);
        if (e.caption) {
            EXPECT_EQ(c->caption, e.caption);
        }
    }
}

TEST(QuillonTemplates, FixedRectanglesOfTheNormalLayout)
{
    struct Case {
        int id;
        Rect rect;
    };
    const Case cases[] = {
        {ReceiveView, {296, 6, 483, 270}}, {SendGroup, {10, 276, 770, 106}}, {Area1Text, {168, 288, 608, 26}},
        {Area2Text, {168, 318, 608, 26}},  {Area3Text, {168, 348, 608, 26}}, {StatusLamp, {250, 13, 13, 13}},
    };
    const WindowTemplate layout = quillonMainWindowTemplate();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const ControlTemplate* control = layout.find(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->rect.x, c.rect.x);
        EXPECT_EQ(control->rect.y, c.rect.y);
        EXPECT_EQ(control->rect.w, c.rect.w);
        EXPECT_EQ(control->rect.h, c.rect.h);
    }
    const ControlTemplate* toggle = layout.find(TopmostToggle);
    ASSERT_NE(toggle, nullptr);
    EXPECT_LE(toggle->rect.x, 4); // bottom-left corner
    EXPECT_GE(toggle->rect.y + toggle->rect.h, layout.height - 4);
    EXPECT_EQ(layout.find(StatusLamp)->rect.w, 13);
    EXPECT_EQ(layout.find(TrafficLamps)->rect.w, 60);
    EXPECT_EQ(layout.find(TrafficLamps)->rect.h, 20);
}

TEST(QuillonTemplates, ListsHoldTheirItemsInOrder)
{
    std::vector<std::string> ports;
    for (int n = 1; n <= 20; ++n)
        ports.push_back("COM" + std::to_string(n));
    struct Case {
        int id;
        std::vector<std::string> items;
        const char* label;
    };
    const Case cases[] = {
        {PortList, ports, "串口号"},
        {Baud,
         {"110",   "300",   "600",    "1200",   "2400",   "4800",   "9600",    "14400",   "19200",   "38400",
          "56000", "57600", "115200", "230400", "460800", "921600", "1000000", "1500000", "2000000", "3000000"},
         "波特率"},
        {DataBits, {"6", "7", "8"}, "数据位"},
        {Parity, {"无", "奇校验", "偶校验", "Mark", "空格校验"}, "校验位"},
        {StopBits, {"1", "1.5", "2"}, "停止位"},
    };
    const WindowTemplate layout = quillonMainWindowTemplate();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const ControlTemplate* list = layout.find(c.id);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->items, c.items);
        EXPECT_EQ(list->accessibleName, c.label);
    }
}

TEST(QuillonTemplates, EditsAreNamedByTheirLabels)
{
    const std::pair<int, const char*> cases[] = {
        {RxBytes, "收字节数"},    {RxFrames, "收帧数"},        {TxBytes, "发字节数"},
        {TxFrames, "发帧数"},     {RotationPeriod, "周期"},    {AnswerTimeout, "超时时间"},
        {RetryCount, "重发次数"}, {FileLineCount, "文件行数"}, {FileCurrentLine, "当前发送行"},
        {Area1Text, "发送区1"},   {Area3Text, "发送区3"},      {Area2Period, "发送周期"},
    };
    const WindowTemplate layout = quillonMainWindowTemplate();
    for (const auto& [id, label] : cases) {
        SCOPED_TRACE(id);
        ASSERT_NE(layout.find(id), nullptr);
        EXPECT_EQ(layout.find(id)->accessibleName, label);
    }
    for (int id : {RxBytes, RxFrames, TxBytes, TxFrames, LogPath, FileLineCount, FileCurrentLine})
        EXPECT_TRUE(layout.find(id)->styles & dialog::style::ReadOnly) << id;
    for (int id : {RotationPeriod, Area1Period, Area2Period, Area3Period})
        EXPECT_TRUE(layout.find(id)->styles & dialog::style::Number) << id;
}

TEST(QuillonTemplates, AboutBox)
{
    const WindowTemplate layout = quillonAboutBoxTemplate();
    EXPECT_EQ(layout.title, "关于 Quillon 3.0AD");
    EXPECT_NEAR(layout.width, 423, 2);
    EXPECT_NEAR(layout.height, 327, 2);
    const ControlTemplate* ok = layout.find(IdOk);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->kind, ControlKind::Button);
    EXPECT_EQ(ok->caption, "确定");
    int buttons = 0, rules = 0, frames = 0;
    bool version = false;
    for (const ControlTemplate& c : layout.controls) {
        buttons += c.kind == ControlKind::Button;
        rules += c.kind == ControlKind::HorizontalRule;
        frames += c.kind == ControlKind::Frame;
        version |= c.caption == "版本：3.0AD    2006.10.1";
    }
    EXPECT_EQ(buttons, 1);
    EXPECT_GE(rules, 3);
    EXPECT_EQ(frames, 1);
    EXPECT_TRUE(version);
}

TEST(QuillonTemplates, ChecksumDialog)
{
    const char* const captions[] = {
        "16 CRC，低字节在前", "16 CRC，高字节在前", "8 CRC", "总加和", "加总异或",
        "CRC32，低字节在前",  "CRC32，高字节在前",
    };
    const WindowTemplate layout = quillonChecksumDialogTemplate();
    EXPECT_EQ(layout.title, "计算校验码");
    for (int i = 0; i < kChecksumKinds; ++i) {
        SCOPED_TRACE(i);
        const ControlTemplate* radio = layout.find(kChecksumFirstRadio + i);
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->kind, ControlKind::RadioButton);
        EXPECT_EQ(radio->caption, captions[i]);
        EXPECT_EQ((radio->styles & dialog::style::Group) != 0, i == 0); // one group of seven
    }
    ASSERT_NE(layout.find(IdOk), nullptr);
    ASSERT_NE(layout.find(IdCancel), nullptr);
    EXPECT_EQ(layout.find(IdOk)->caption, "确定");
    EXPECT_EQ(layout.find(IdCancel)->caption, "取消");
    // The buttons after the radios start a new group, so they don't join the radios.
    EXPECT_TRUE(layout.find(IdOk)->styles & dialog::style::Group);
}

} // namespace
} // namespace quillon
