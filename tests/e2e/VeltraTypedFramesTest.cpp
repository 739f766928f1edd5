// Veltra's core on a pty: what the command builder previews from typed
// values, and what the hex send paths read from typed text, is byte for
// byte what the far end of the line gets; what they refuse reaches it not
// at all.

#include "veltra/tests/VeltraFixture.h"

namespace {

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;

// As the preview writes bytes: "XX", one space between.
std::string hexOf(const std::string& bytes)
{
    std::string out = renderReceived(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), true);
    if (!out.empty())
        out.pop_back();
    return out;
}

class VeltraTypedFramesTest : public VeltraTest {
protected:
    // A listed entry is chosen, anything else typed.
    void chooseOrType(int id, const char* utf8)
    {
        if (!choose(id, utf8))
            typeInto(id, gbk(utf8));
    }
};

TEST_F(VeltraTypedFramesTest, TheBuilderSendsItsPreviewOrNothing)
{
    struct Case {
        const char* name;
        const char *type, *address, *function, *parameter;
        bool crc;
        bool sent;
    };
    const Case cases[] = {
        {"typed address, spaced", "数据查询", "12 34 56 78", "4-20MA 采集", nullptr, false, true},
        {"typed address, unspaced, CRC", "参数查询", "123456aB", "读取无线频点", nullptr, true, true},
        {"typed parameter, spaced", "参数修改", "00 00 00 01", "修改工作时间", "00 3c", false, true},
        {"typed parameter, unspaced, CRC", "参数修改", "00000002", "修改休眠时间", "003C", true, true},
        {"both typed, CRC", "设备控制", "FF FF FF FE", "IO3", "0a0B0c", true, true},
        {"odd parameter", "参数修改", "12 34 56 78", "修改设备地址", "ABC", true, false},
        {"parameter not hex", "参数修改", "12 34 56 78", "修改设备地址", "ZZ", true, false},
        {"one-digit parameter", "设备控制", "00 00 00 01", "IO1", "1", false, false},
        {"address not hex", "参数查询", "GG 00 00 01", "读取设备信息", nullptr, true, false},
        {"two-byte address", "数据查询", "ab cd", "0-5V 采集", nullptr, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        surface.setCheck(Crc16, c.crc);
        for (const auto& [id, text] : {std::pair{CommandType, c.type},
                                       {DeviceAddress, c.address},
                                       {Function, c.function},
                                       {Parameter, c.parameter}})
            if (text)
                chooseOrType(id, text);
        click(SendCommand);
        const std::string wire = pty.drain();
        if (c.sent) {
            EXPECT_EQ(hexOf(wire), surface.text(CommandPreview));
            EXPECT_EQ(dlg().sentCount(), static_cast<std::int64_t>(wire.size()));
            EXPECT_TRUE(surface.messages.empty());
        } else {
            EXPECT_EQ(wire, "");
            EXPECT_EQ(dlg().sentCount(), 0);
            EXPECT_EQ(surface.messages.size(), 1u);
        }
        click(ConnectButton);
    }
}

TEST_F(VeltraTypedFramesTest, HexSendPathsSendTheWholeTextOrNothing)
{
    struct Case {
        const char* name;
        int text, hexBox, button;
        const char* typed;
        const char* wire; // nullptr: refused
    };
    const Case cases[] = {
        {"spaced", SendArea, SendHex, SendButton, "01 02 0A", "01 02 0A"},
        {"unspaced", SendArea, SendHex, SendButton, "0102", "01 02"},
        {"two lines", SendArea, SendHex, SendButton, "01 02\r\n03", "01 02 03"},
        {"a bad digit", SendArea, SendHex, SendButton, "01 03 0G 0A", nullptr},
        {"commas", SendArea, SendHex, SendButton, "01,02,03", nullptr},
        {"odd digits", SendArea, SendHex, SendButton, "123", nullptr},
        {"quick line 1", Quick1Text, Quick1Hex, Quick1Send, "7e10 00", "7E 10 00"},
        {"quick line 2 refused", Quick2Text, Quick2Hex, Quick2Send, "01 zz 02", nullptr},
        {"quick line 3 refused", Quick3Text, Quick3Hex, Quick3Send, "01 2", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        typeInto(c.text, c.typed);
        surface.setCheck(c.hexBox, 1);
        click(c.button);
        const std::string wire = pty.drain();
        EXPECT_EQ(hexOf(wire), c.wire ? c.wire : "");
        EXPECT_EQ(dlg().sentCount(), static_cast<std::int64_t>(wire.size()));
        EXPECT_EQ(surface.messages.size(), c.wire ? 0u : 1u);
        click(ConnectButton);
    }
}

} // namespace
