#include "QuillonFixture.h"
#include "TrafficFixture.h"

#include "dialog/Gbk.h"
#include "serial/Termios2.h"

#include <termios.h>

#include <cstring>
#include <functional>
#include <memory>

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;

namespace {

std::uint32_t peerBaud(const Pty& pty)
{
    std::uint32_t in = 0, out = 0;
    EXPECT_EQ(serial::termios2::readSpeeds(pty.master(), in, out), 0);
    return out;
}

termios peerTermios(const Pty& pty)
{
    termios t{};
    EXPECT_EQ(tcgetattr(pty.master(), &t), 0);
    return t;
}

/// True when nobody else holds the device: a fresh exclusive open works.
bool isFree(const std::string& path)
{
    std::error_code ec;
    serial::SerialDevice d = serial::SerialDevice::open(path, "probe", ec);
    return d.isOpen();
}

} // namespace

class PortConnectionTest : public QuillonTest {
protected:
    void SetUp() override
    {
        QuillonTest::SetUp();
        link("COM3", pty.slavePath());
        link("COM12", pty12.slavePath());
    }
    Pty pty{Pty::Slave::Close};
    Pty pty12{Pty::Slave::Close};
};

TEST_F(PortConnectionTest, OpenAppliesTheLineSettingsOfTheLists)
{
    // A pty keeps 8 data bits and no parity only: the other framings are
    // refused (see ConfigurationErrorIsReportedAndTheDeviceReleased).
    struct Case {
        const char* name;
        int baud, stopBits;
        std::uint32_t expectedBaud;
        bool twoStopBits;
    };
    const Case cases[] = {
        {"defaults", 3, 0, 1200, false},
        {"9600 two stop bits", 6, 2, 9600, true},
        {"14400 has no termios constant", 7, 0, 14400, false},
        {"56000 has no termios constant", 10, 2, 56000, true},
        {"115200", 12, 0, 115200, false},
        {"110", 0, 0, 110, false},
        {"921600", 15, 0, 921600, false},
        {"3000000, the last", 19, 2, 3000000, true},
    };
    start();
    ASSERT_TRUE(surface.selectPrefix(PortList, "COM3"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.select(Baud, c.baud);
        surface.select(StopBits, c.stopBits);
        click(OpenButton);
        ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
        EXPECT_EQ(peerBaud(pty), c.expectedBaud);
        const termios t = peerTermios(pty);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStopBits);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_FALSE(isFree(pty.slavePath()));
        click(OpenButton);
        EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
        EXPECT_TRUE(isFree(pty.slavePath()));
    }
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(PortConnectionTest, PortsAboveNineOpenLikeTheOthers)
{
    start();
    choosePort("COM12");
    click(OpenButton);
    EXPECT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    EXPECT_FALSE(isFree(pty12.slavePath()));
    EXPECT_TRUE(isFree(pty.slavePath()));
}

TEST_F(PortConnectionTest, BytesFlowBothWaysOnTheOpenedPort)
{
    start();
    choosePort("COM3");
    click(OpenButton);
    ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    const std::uint8_t out[] = {0x01, 0x03, 0x00, 0x0A};
    surface.setText(Area1Text, "01 03 00 0A");
    click(Area1Send);
    EXPECT_EQ(surface.text(TxBytes), "4");
    std::uint8_t got[8] = {};
    ASSERT_EQ(::read(pty.master(), got, sizeof got), 4);
    EXPECT_EQ(std::memcmp(got, out, 4), 0);
}

TEST_F(PortConnectionTest, ChangingALineSettingWhileOpenReopensWithIt)
{
    start();
    choosePort("COM3");
    click(OpenButton);
    ASSERT_EQ(peerBaud(pty), 1200u);
    choose(Baud, 12);
    EXPECT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    EXPECT_EQ(peerBaud(pty), 115200u);
    choose(StopBits, 2);
    EXPECT_NE(peerTermios(pty).c_cflag & CSTOPB, 0u);
    EXPECT_TRUE(dlg().device().isOpen());
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(PortConnectionTest, ChangingALineSettingWhileClosedOpensNothing)
{
    start();
    choosePort("COM3");
    choose(Baud, 12);
    EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
    EXPECT_TRUE(isFree(pty.slavePath()));
    click(OpenButton);
    EXPECT_EQ(peerBaud(pty), 115200u); // taken at the next open
}

TEST_F(PortConnectionTest, ChangingThePortWhileOpenClosesIt)
{
    start();
    choosePort("COM3");
    click(OpenButton);
    ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    choosePort("COM12");
    EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
    EXPECT_TRUE(isFree(pty.slavePath()));
    EXPECT_TRUE(isFree(pty12.slavePath())); // not opened until the button
}

TEST_F(PortConnectionTest, OpenFailuresAreReportedAndLeaveThePortClosed)
{
    struct Case {
        const char* name;
        const char* port;
        bool holdElsewhere;
        const char* linkTo; // nullptr: the fixture's links
        const char* reason;
    };
    const Case cases[] = {
        {"no device behind the name", "COM5", false, nullptr, "没有这个设备"},
        {"held by another program", "COM3", true, nullptr, "设备忙：另一个程序正在使用该端口"},
        {"link to a missing device", "COM9", false, "/dev/does-not-exist-42", "没有这个设备"},
        {"link to what is not a terminal", "COM7", false, "/dev/null", "系统错误：Inappropriate ioctl for device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        if (c.linkTo && !fs::is_symlink(linksDir / c.port))
            link(c.port, c.linkTo);
        start();
        std::error_code ec;
        serial::SerialDevice holder;
        if (c.holdElsewhere)
            holder = serial::SerialDevice::open(pty.slavePath(), "holder", ec);
        choosePort(c.port);
        click(OpenButton);
        EXPECT_FALSE(dlg().device().isOpen());
        EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk(std::string("通信端口<") + c.port + ">无法打开!"));
        EXPECT_EQ(surface.messages[0].caption, "Quillon");
        EXPECT_EQ(surface.messages[0].detail, gbk(c.reason));
    }
}

TEST_F(PortConnectionTest, ConfigurationErrorIsReportedAndTheDeviceReleased)
{
    struct Case {
        const char* name;
        int list;
        int position;
        int valid; // a position the pty keeps
        const char* reason;
    };
    const Case cases[] = {
        {"no parity selected passes the code 255", Parity, -1, 0, "Linux 串口驱动不支持校验代码 255"},
        {"no stop bits selected", StopBits, -1, 0, "Linux 串口驱动不支持停止位代码 255"},
        {"one and a half stop bits", StopBits, 1, 0, "Linux 串口驱动不支持 1.5 位停止位"},
        {"six data bits a pty does not keep", DataBits, 0, 2, "端口不支持 6 位数据位（实际为 8 位）"},
        {"seven data bits", DataBits, 1, 2, "端口不支持 7 位数据位（实际为 8 位）"},
        {"odd parity a pty drops", Parity, 1, 0, "端口不支持奇校验（实际为无校验）"},
        {"even parity", Parity, 2, 0, "端口不支持偶校验（实际为无校验）"},
        {"mark parity", Parity, 3, 0, "端口不支持标志校验（实际为无校验）"},
        {"space parity", Parity, 4, 0, "端口不支持空格校验（实际为无校验）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        start();
        choosePort("COM3");
        surface.select(c.list, c.position);
        click(OpenButton);
        EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
        EXPECT_FALSE(dlg().device().isOpen());
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk("错误码: 22")); // the refusal's EINVAL
        EXPECT_EQ(surface.messages[0].detail, gbk(c.reason));
        // Released: the same port opens again once the setting is valid.
        EXPECT_TRUE(isFree(pty.slavePath()));
        surface.select(c.list, c.valid);
        click(OpenButton);
        EXPECT_EQ(surface.text(OpenButton), gbk("关闭串口"));
        EXPECT_EQ(surface.messages.size(), 1u);
    }
}

TEST_F(PortConnectionTest, ReconfigureFailureKeepsTheStateOpenUntilTheButton)
{
    start();
    choosePort("COM3");
    click(OpenButton);
    ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    choose(StopBits, 1); // one and a half: refused
    EXPECT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    EXPECT_EQ(surface.messages.size(), 1u);
    EXPECT_FALSE(dlg().device().isOpen());
    click(OpenButton); // closes the unusable state
    EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
}

TEST_F(PortConnectionTest, ClosingTheWindowReleasesThePortAndWritesTheFiles)
{
    start();
    choosePort("COM3");
    click(OpenButton);
    ASSERT_FALSE(isFree(pty.slavePath()));
    EXPECT_TRUE(dlg().onCloseRequest());
    EXPECT_TRUE(isFree(pty.slavePath()));
    EXPECT_TRUE(fs::exists(configDir / "set.log"));
    EXPECT_TRUE(fs::exists(configDir / "data.log"));
}

TEST_F(PortConnectionTest, PortListToolTipsNameTheDevices)
{
    start();
    EXPECT_EQ(surface.controls[PortList].itemToolTips.at(2), pty.slavePath());    // COM3
    EXPECT_EQ(surface.controls[PortList].itemToolTips.at(11), pty12.slavePath()); // COM12
    EXPECT_NE(surface.controls[PortList].itemToolTips.at(4), "");                 // COM5: says none
    choosePort("COM3");
    EXPECT_EQ(surface.controls[PortList].toolTip, pty.slavePath());
}

// Unplugging the adapter, as a pty shows it: the far end closes.
TEST_F(TrafficTest, ADeviceThatGoesAwayClosesThePortWithOneMessage)
{
    struct Case {
        const char* name;
        std::function<void()> meetTheLoss;
    };
    const Case cases[] = {
        {"the tick finds the line hung up", [&] { ticks(1); }},
        {"a send finds the device gone", [&] { click(Area1Send); }},
    };
    click(SaveToggle);
    surface.setText(Area1Text, "01");
    std::unique_ptr<Pty> pluggedAgain;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pty& device = pluggedAgain ? *pluggedAgain : pty;
        ASSERT_TRUE(device.writeAll("\x41"));
        ASSERT_TRUE(test_support::waitReadable(dlg().device().fd()));
        settle();
        const std::string view = shown();
        const std::string log = logged();
        ASSERT_NE(view.find("41 "), std::string::npos);
        surface.messages.clear();
        // Ticks go on while the box is open.
        surface.onMessage = [&](const dialog::testing::ShownMessage&) { ticks(3); };

        device.closeMaster();
        c.meetTheLoss();
        ticks(3);

        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk("通信端口<COM3>已断开!"));
        EXPECT_EQ(surface.messages[0].detail, gbk("设备已断开"));
        EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
        EXPECT_FALSE(dlg().device().isOpen());
        dlg().onTimer(LampTick);
        EXPECT_FALSE(dlg().lamps().portOpen);
        EXPECT_EQ(shown(), view);
        EXPECT_EQ(logged(), log);

        surface.onMessage = nullptr;
        pluggedAgain = std::make_unique<Pty>(Pty::Slave::Close);
        fs::remove(linksDir / "COM3");
        link("COM3", pluggedAgain->slavePath());
        click(OpenButton);
        ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    }
    ASSERT_TRUE(pluggedAgain->writeAll("\x42"));
    ASSERT_TRUE(test_support::waitReadable(dlg().device().fd()));
    settle();
    EXPECT_NE(shown().find("41 42 "), std::string::npos) << "the view goes on where it stood";
    EXPECT_EQ(surface.messages.size(), 1u);
}

// Two copies of the program on one port: the second is told once per try,
// the first goes on as if nothing happened.
TEST_F(TrafficTest, ASecondInstanceOnTheSamePortIsRefusedAndTheFirstGoesOn)
{
    dialog::testing::MemorySurface other{quillonMainWindowTemplate()};
    QuillonMainDialog second(clock, serial::PortNames(linksDir.path(), [] { return std::vector<fs::path>{}; }),
                             configDir / "second");
    second.bind(other);
    second.onInit();
    ASSERT_TRUE(other.selectPrefix(PortList, "COM3"));
    for (int attempt = 1; attempt <= 2; ++attempt) {
        second.dispatch(OpenButton, dialog::Notification::Clicked);
        second.onTimer(MainTick);
        ASSERT_EQ(other.messages.size(), static_cast<std::size_t>(attempt));
        EXPECT_EQ(other.messages.back().text, gbk("通信端口<COM3>无法打开!"));
        EXPECT_EQ(other.messages.back().detail, gbk("设备忙：另一个程序正在使用该端口"));
        EXPECT_EQ(other.text(OpenButton), gbk("打开串口"));
    }
    deviceSends(Bytes{0x41});
    settle();
    EXPECT_EQ(shown(), "41 ");
    surface.setText(Area1Text, "02");
    click(Area1Send);
    EXPECT_EQ(deviceReceived(), Bytes{0x02});
    EXPECT_TRUE(surface.messages.empty());

    click(OpenButton); // the first lets go: now the second gets the port
    second.dispatch(OpenButton, dialog::Notification::Clicked);
    EXPECT_EQ(other.text(OpenButton), gbk("关闭串口"));
}
