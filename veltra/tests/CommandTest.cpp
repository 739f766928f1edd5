// The command area through its handlers: what the lists offer, the frame
// the preview shows after each choice, and what the send button writes.
#include "VeltraFixture.h"

#include "veltra/app/HexText.h"

#include <cstdio>

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;

namespace {
std::string hex2(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X", v);
    return buf;
}
} // namespace

class VeltraCommandTest : public VeltraTest {
protected:
    void chooseAt(int id, int pos)
    {
        surface.select(id, pos);
        dlg().dispatch(id, dialog::Notification::SelectionChanged);
    }
    /// Chooses the entry with this caption, or types the text when the list has none.
    void enter(int id, const char* utf8)
    {
        for (int i = 0; i < surface.itemCount(id); ++i)
            if (surface.itemText(id, i) == gbk(utf8))
                return chooseAt(id, i);
        typeInto(id, gbk(utf8));
    }
    void toggle(int id)
    {
        surface.setCheck(id, !surface.check(id));
        click(id);
    }
    std::string preview() { return surface.text(CommandPreview); }
};

TEST_F(VeltraCommandTest, FramesFollowTheChoices)
{
    struct Case {
        const char* name;
        const char* ticked;                                // C: "CRC16校验", T: "临时修改"
        const char *type, *address, *function, *parameter; // nullptr: left alone
        const char* preview;
    };
    const Case cases[] = {
        {"device information", "C", "参数查询", "00 00 00 01", "读取设备信息", nullptr, "20 09 00 00 00 01 00 3B CB"},
        {"search: code 00 too", "C", "参数查询", "FF FF FF FF", "搜索设备地址", nullptr, "20 09 FF FF FF FF 00 6F 9B"},
        {"radio channel", "C", "参数查询", "00 00 00 01", "读取无线频点", nullptr, "20 09 00 00 00 01 03 7B CA"},
        {"baud rate", "C", "参数修改", "00 00 00 01", "修改串口波特率", "9600", "22 0B 00 00 00 01 01 10 04 97 DD"},
        {"baud rate, temporary", "CT", "参数修改", "00 00 00 01", "修改串口波特率", "9600",
         "22 0B 00 00 00 01 00 10 04 C6 1D"},
        {"network number", "CT", "参数修改", "FF FF FF FF", "修改网络编号", "50 70",
         "22 0C FF FF FF FF 00 05 50 70 E8 52"},
        {"pulse width", "", "设备控制", "00 00 00 02", "IO1", "PWM 50%", "15 08 00 00 00 02 04 32"},
        {"4-20 mA", "", "数据查询", "00 00 00 03", "4-20MA 采集", nullptr, "10 07 00 00 00 03 05"},
        {"all ports", "C", "数据查询", "00 00 00 01", "所有开通功能端口", nullptr, "10 09 00 00 00 01 FF 4B 88"},
        {"change, nothing chosen", "", "参数修改", "00 00 00 01", nullptr, nullptr, "22 08 00 00 00 01 01 01"},
        {"four-byte parameter", "", "参数修改", "00 00 00 01", "修改设备地址", "00 00 00 05",
         "22 0C 00 00 00 01 01 02 00 00 00 05"},
        {"typed time, normalised", "", "参数修改", "00 00 00 01", "修改工作时间", "00 3c",
         "22 0A 00 00 00 01 01 18 00 3C"},
        {"typed address and parameter unspaced", "", "参数修改", "123456aB", "修改工作时间", "0A0b",
         "22 0A 12 34 56 AB 01 18 0A 0B"},
        {"the same spaced, with CRC", "C", "参数修改", "12 34 56 ab", "修改工作时间", "0A 0B",
         "22 0C 12 34 56 AB 01 18 0A 0B 9F C3"},
        {"a parameter left over is no query's", "", "数据查询", "00 00 00 03", "4-20MA 采集", "zz",
         "10 07 00 00 00 03 05"},
        {"STOP3 is 03", "", "参数修改", "00 00 00 01", "修改低功耗模式", "STOP3 模式", "22 09 00 00 00 01 01 17 03"},
        {"no type chosen yet", "C", nullptr, "00 00 00 01", nullptr, "01", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        for (const char* t = c.ticked; *t; ++t)
            toggle(*t == 'C' ? Crc16 : TemporaryChange);
        for (const auto& [id, text] : {std::pair{CommandType, c.type},
                                       {DeviceAddress, c.address},
                                       {Function, c.function},
                                       {Parameter, c.parameter}})
            if (text)
                enter(id, text);
        EXPECT_EQ(preview(), c.preview);
        EXPECT_EQ(surface.text(CommandPreview), c.preview);
        EXPECT_TRUE(surface.messages.empty());
    }
    // Unticking the CRC takes its two bytes off the frame and the length.
    enter(CommandType, "数据查询");
    EXPECT_EQ(preview(), "10 09 00 00 00 01 FF 4B 88");
    toggle(Crc16);
    EXPECT_EQ(preview(), "10 07 00 00 00 01 FF");
}

TEST_F(VeltraCommandTest, TypedValuesThatAreNotWholeBytesAreShownAndRefused)
{
    struct Case {
        const char* name;
        const char *type, *address, *function, *parameter; // nullptr: left alone
        const char* problem;                               // shown in place of the frame
    };
    const Case cases[] = {
        {"odd digits", "参数修改", "12 34 56 78", "修改设备地址", "ABC", "参数第3个字符“C”缺少配对的另一位数字"},
        {"not hex", "参数修改", "12 34 56 78", "修改设备地址", "ZZ", "参数第1个字符“Z”不是十六进制数字"},
        {"one digit", "参数修改", "12 34 56 78", "修改工作时间", "1", "参数第1个字符“1”缺少配对的另一位数字"},
        {"a space inside a pair", "设备控制", "00 00 00 01", "AD1", "0A 0 B", "参数第4个字符“0”缺少配对的另一位数字"},
        {"a Chinese character", "设备控制", "00 00 00 01", "AD1", "0A温", "参数第3个字符“温”不是十六进制数字"},
        {"address not hex", "数据查询", "GG 00 00 01", "4-20MA 采集", nullptr, "设备地址第1个字符“G”不是十六进制数字"},
        {"two-byte address", "数据查询", "ab cd", "0-5V 采集", nullptr, "设备地址应为4个字节，现在是2个"},
        {"no address yet", "参数查询", nullptr, "读取设备信息", nullptr, "请选择或填入设备地址"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        toggle(Crc16);
        for (const auto& [id, text] : {std::pair{CommandType, c.type},
                                       {DeviceAddress, c.address},
                                       {Function, c.function},
                                       {Parameter, c.parameter}})
            if (text)
                enter(id, text);
        EXPECT_EQ(preview(), gbk(c.problem));
        click(SendCommand);
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk(c.problem) + gbk("，没有发送！"));
        EXPECT_EQ(surface.messages[0].caption, gbk("提示信息"));
        EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Warning);
        EXPECT_EQ(pty.drain(), "");
        EXPECT_EQ(surface.text(SentCount), "0");
        click(ConnectButton);
    }
}

TEST_F(VeltraCommandTest, ListsLabelsCodesAndParameterBytes)
{
    // The protocol's rules on the list position f, -1 for none chosen.
    struct Type {
        const char* caption;
        const char* label;
        bool parameter, temporary;
        int functions, levels;
        std::size_t codeAt; // byte of the code in the frame
        unsigned (*code)(int f);
    };
    // Each type follows one that set other states.
    const Type types[] = {
        {"设备控制", "端口", true, false, 11, 12, 6, [](int f) { return f < 0 ? 0u : unsigned(f); }},
        {"数据查询", "功能", false, false, 12, 0, 6, [](int f) { return f < 0 || f >= 11 ? 0xFFu : unsigned(f); }},
        {"参数修改", "功能", true, true, 19, 0, 7,
         [](int f) { return f == 18  ? f + 14u
                            : f >= 8 ? f + 8u
                                     : unsigned(f + 2); }},
        {"参数查询", "功能", false, false, 22, 0, 6,
         [](int f) {
             return f >= 19 ? f + 13u : f >= 9 ? f + 7u : f >= 2 ? f + 1u : 0u;
         }},
    };
    start();
    EXPECT_EQ(surface.itemCount(CommandType), 4);
    EXPECT_EQ(surface.itemCount(DeviceAddress), 6);
    enter(DeviceAddress, "00 00 00 01");
    surface.setCheck(TemporaryChange, 1);
    for (const Type& t : types) {
        SCOPED_TRACE(t.caption);
        surface.setText(Parameter, "stale");
        enter(CommandType, t.caption);
        EXPECT_EQ(surface.text(FunctionLabel), gbk(t.label));
        EXPECT_EQ(surface.isEnabled(ParameterLabel), t.parameter);
        EXPECT_EQ(surface.isEnabled(Parameter), t.parameter);
        EXPECT_EQ(surface.isEnabled(TemporaryChange), t.temporary);
        EXPECT_EQ(surface.check(TemporaryChange), 1);
        EXPECT_EQ(surface.itemCount(Parameter), t.levels);
        EXPECT_EQ(surface.text(Parameter), "");
        ASSERT_EQ(surface.itemCount(Function), t.functions);
        for (int f = -1; f < t.functions; ++f) {
            if (f >= 0)
                chooseAt(Function, f);
            const auto frame = parseHexText(preview());
            ASSERT_GT(frame.size(), t.codeAt);
            EXPECT_EQ(frame[t.codeAt], t.code(f)) << "position " << f;
        }
    }

    // Parameter change: each function offers its own entries.
    const int entries[] = {5, 16, 3, 3, 4, 3, 3, 5, 7, 5, 2, 2, 2, 2, 2, 1, 0, 0, 0};
    const char* const networkNumbers[] = {"FF FF", "88 00", "50 70"};
    enter(CommandType, "参数修改");
    for (int f = 0; f < 19; ++f) {
        chooseAt(Function, f);
        ASSERT_EQ(surface.itemCount(Parameter), entries[f]) << f;
        for (int p = 0; p < entries[f]; ++p) {
            chooseAt(Parameter, p);
            const std::string want = f == 0 || f == 7 ? "00 00 00 " + hex2(p + 1)
                                     : f == 3         ? networkNumbers[p]
                                                      : hex2(f == 1    ? p
                                                             : f == 15 ? p + 3
                                                                       : p + 1);
            EXPECT_EQ(dlg().parameterBytes(), want) << "function " << f << " entry " << p;
        }
    }
    enter(Function, "修改串口波特率");
    enter(Parameter, "9600");

    // Device control: the parameter stays until a level is chosen; the
    // levels are the same for every port.
    enter(CommandType, "设备控制");
    enter(Function, "IO1");
    EXPECT_EQ(preview(), "15 08 00 00 00 01 04 04");
    for (int p = 0; p < 12; ++p) {
        chooseAt(Parameter, p);
        EXPECT_EQ(dlg().parameterBytes(), hex2(p < 2 ? p : 10 * p - 10)) << p;
    }
    enter(Function, "IO7");
    EXPECT_EQ(surface.itemCount(Parameter), 12);
    EXPECT_EQ(surface.selection(Parameter), 11);
}

TEST_F(VeltraCommandTest, SendWritesTheShownFrameOnly)
{
    // A too-long address is reported and still taken, until an entry is chosen.
    start();
    enter(CommandType, "数据查询");
    enter(Function, "4-20MA 采集");
    typeInto(DeviceAddress, "00 00 00 00 01");
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("“请填入不多于11个的字符。”"));
    EXPECT_EQ(surface.focused, DeviceAddress);
    EXPECT_EQ(preview(), gbk("设备地址应为4个字节，现在是5个"));
    enter(DeviceAddress, "00 00 00 02");
    EXPECT_EQ(preview(), "10 07 00 00 00 02 05");
    click(SendCommand);
    ASSERT_EQ(surface.messages.size(), 2u);
    EXPECT_EQ(surface.messages[1].text, gbk("串口未打开！"));

    startConnected();
    click(SendCommand); // no type chosen: nothing to write
    EXPECT_EQ(dlg().sentCount(), 0);

    toggle(Crc16);
    enter(CommandType, "参数查询");
    enter(DeviceAddress, "00 00 00 01");
    enter(Function, "读取设备信息");
    click(SendCommand);
    click(SendCommand);
    const std::string frame("\x20\x09\x00\x00\x00\x01\x00\x3B\xCB", 9);
    EXPECT_EQ(pty.readUntil(18), frame + frame);
    EXPECT_EQ(surface.text(SentCount), "18");

    // Eight bytes and the CRC besides the parameter: 90 make 100, 91 too many.
    enter(CommandType, "参数修改");
    enter(Function, "修改工作时间");
    std::string parameter;
    for (int i = 0; i < 90; ++i)
        parameter += "AB ";
    typeInto(Parameter, parameter);
    click(SendCommand);
    EXPECT_EQ(pty.readUntil(100).size(), 100u);
    typeInto(Parameter, parameter + "CD");
    const std::string composed = "22 65 00 00 00 01 01 18 " + parameter + "CD";
    EXPECT_EQ(preview().substr(0, composed.size()), composed); // shown whole, with its CRC
    EXPECT_EQ(preview().size(), composed.size() + 6);
    click(SendCommand);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("指令超过100字节，没有发送！"));
    EXPECT_EQ(surface.messages[0].caption, gbk("提示信息"));
    EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Warning);
    EXPECT_EQ(pty.drain(), "");
    EXPECT_EQ(dlg().sentCount(), 118);
}
