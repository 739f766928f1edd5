#include "VeltraFixture.h"

#include "dialog/FileIo.h"
#include "serial/SerialDevice.h"

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;

namespace {

std::vector<std::string> items(const dialog::testing::MemorySurface& s, int id)
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(s.itemCount(id)));
    for (int i = 0; i < s.itemCount(id); ++i)
        out.push_back(dialog::fromGbk(s.itemText(id, i)));
    return out;
}

} // namespace

TEST_F(VeltraTest, StartShowsTheDefaults)
{
    start();
    struct List {
        int id;
        std::vector<std::string> entries;
        const char* selected;
    };
    const List lists[] = {
        {BaudList,
         {"110",    "300",       "600",    "1200",    "2400",    "4800",    "9600",
          "19200",  "38400-CFG", "56000",  "57600",   "115200",  "128000",  "230400",
          "256000", "460800",    "921600", "1000000", "1500000", "2000000", "3000000"},
         "9600"},
        {DataBitsList, {"4", "5", "6", "7", "8"}, "8"},
        {ParityList, {"偶", "奇", "无", "标志", "空格"}, "无"},
        {StopBitsList, {"1", "1.5", "2"}, "1"},
        {FlowList, {"Xon/Xoff", "硬件", "无"}, "无"},
        {CommandType, {"数据查询", "参数查询", "设备控制", "参数修改"}, ""},
        {DeviceAddress, {"00 00 00 01", "00 00 00 02", "00 00 00 03", "00 00 00 04", "00 00 00 05", "FF FF FF FF"}, ""},
    };
    for (const auto& l : lists) {
        SCOPED_TRACE(l.id);
        EXPECT_EQ(items(surface, l.id), l.entries);
        EXPECT_EQ(surface.selectedText(l.id), gbk(l.selected));
    }
    EXPECT_EQ(surface.itemCount(PortList), 0); // no port in the links folder
    EXPECT_EQ(surface.selection(PortList), -1);
    EXPECT_EQ(surface.text(SendArea), "www.example.com");
    EXPECT_EQ(surface.text(Period), "500");
    EXPECT_EQ(surface.text(ReceivedCount), "0");
    EXPECT_EQ(surface.text(SentCount), "0");
    EXPECT_EQ(surface.text(StatusText), "OK");
    EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
    for (int id : {ReceiveArea, DeviceAddress, Parameter, CommandPreview, Quick1Text, Quick2Text, Quick3Text})
        EXPECT_EQ(surface.text(id), "") << id;
    for (int id : {ReceiveHex, ReceiveTime, BurstNewline, AutoClear, SendHex, AppendNewline, TimedSend, Quick1Hex,
                   TemporaryChange, Crc16})
        EXPECT_EQ(surface.check(id), 0) << id;
    EXPECT_TRUE(portTimersStopped());
    EXPECT_TRUE(surface.pausedTimers.count(WatchTimer)) << "the port watch waits for a change";
    EXPECT_TRUE(surface.messages.empty());
    EXPECT_FALSE(dlg().isPortOpen());
    EXPECT_EQ(dialog::fromGbk(surface.title), "Veltra科技串口调试助手V1.1 - www.example.com");
}

TEST_F(VeltraTest, DiscoveryListsThePortsThatOpenInNumberOrder)
{
    Pty com3, com12, held;
    link("COM12", com12.slavePath());
    link("COM1", pty.slavePath());
    link("COM3", com3.slavePath());
    link("COM2", "/dev/does-not-exist-42");
    link("COM4", held.slavePath());
    std::error_code ec;
    serial::SerialDevice holder = serial::SerialDevice::open(held.slavePath(), "holder", ec);
    ASSERT_TRUE(holder.isOpen());

    start();
    EXPECT_EQ(items(surface, PortList), (std::vector<std::string>{"COM1", "COM3", "COM12"}));
    EXPECT_EQ(surface.selectedText(PortList), "COM1");
    EXPECT_TRUE(dlg().probedPorts()[1].present);
    EXPECT_FALSE(dlg().probedPorts()[2].present);
    EXPECT_FALSE(dlg().probedPorts()[4].present);
    EXPECT_EQ(dlg().probedPorts()[255].name, "COM255");
    EXPECT_EQ(dlg().probedPorts()[0].name, "");
    // The probe keeps nothing open.
    serial::SerialDevice again = serial::SerialDevice::open(com3.slavePath(), "again", ec);
    EXPECT_TRUE(again.isOpen());
    EXPECT_FALSE(dlg().port().isOpen());
}

TEST_F(VeltraTest, AddressLongerThanElevenStopsTheReadBeforeTheParameter)
{
    start();
    surface.setText(Parameter, "01");
    surface.setText(DeviceAddress, "00 00 00 01 02");
    surface.userEdit(SendArea, "typed");
    edited(SendArea);
    EXPECT_EQ(dlg().boundValues().sendText, "typed");
    EXPECT_EQ(dlg().boundValues().deviceAddressText, "00 00 00 01 02"); // taken all the same
    EXPECT_EQ(dlg().boundValues().parameterText, "");                   // not reached
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("“请填入不多于11个的字符。”"));
    EXPECT_EQ(surface.messages[0].caption, "Veltra");
    EXPECT_EQ(surface.focused, DeviceAddress);
}

TEST_F(VeltraTest, TypedValuesSurviveAWriteBack)
{
    start();
    typeInto(SendArea, "hello");
    typeInto(Period, "250");
    typeInto(Quick2Text, "41 42");
    click(ClearReceive);
    EXPECT_EQ(surface.text(SendArea), "hello");
    EXPECT_EQ(surface.text(Period), "250");
    EXPECT_EQ(surface.text(Quick2Text), "41 42");
    // An empty address begins no entry of the address list.
    EXPECT_EQ(surface.selection(DeviceAddress), -1);
    EXPECT_EQ(surface.text(DeviceAddress), "");
}

TEST_F(VeltraTest, AboutEntryOpensTheAboutBox)
{
    start();
    std::string title;
    surface.modalHandler = [&](const dialog::WindowTemplate& layout, dialog::DialogLogic&) {
        title = layout.title;
        EXPECT_NE(layout.find(IdOk), nullptr);
        return IdOk;
    };
    dlg().onMenuCommand(0x0012); // flag bits in the low four: still the about entry
    EXPECT_EQ(title, "版权信息");
    title.clear();
    dlg().onMenuCommand(0xF060);
    EXPECT_EQ(title, "");
    const dialog::WindowTemplate main = veltraMainWindowTemplate();
    ASSERT_EQ(main.menu.size(), 2u);
    EXPECT_EQ(main.menu[1].command, kAboutCommand);
    EXPECT_EQ(main.menu[1].caption, "版权信息(&A)...");
    EXPECT_TRUE(dlg().onCloseRequest());
}

// Off at a first start; its entry turns it and the mark follows; the next
// start reads it from veltra.conf.
TEST_F(VeltraTest, AutoReconnectSwitchIsTurnedByItsEntryAndKept)
{
    for (const bool atStart : {false, true, false}) {
        SCOPED_TRACE(atStart);
        start();
        EXPECT_EQ(surface.menuCheck(kAutoReconnectCommand), atStart);
        dlg().onMenuCommand(kAutoReconnectCommand);
        EXPECT_EQ(dlg().autoReconnect(), !atStart);
        EXPECT_EQ(surface.menuCheck(kAutoReconnectCommand), !atStart);
    }
    EXPECT_EQ(dialog::readWholeFile(configDir / "veltra.conf"), "auto-reconnect=1\n");
}
