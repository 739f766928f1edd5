#include "VeltraFixture.h"

#include "serial/SerialDevice.h"
#include "serial/Termios2.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <functional>
#include <memory>

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;

namespace {

constexpr int kLists[] = {PortList, BaudList, DataBitsList, ParityList, StopBitsList, FlowList};

bool isFree(const std::string& path)
{
    std::error_code ec;
    return serial::SerialDevice::open(path, "probe", ec).isOpen();
}

} // namespace

TEST_F(VeltraTest, ConnectAppliesTheListsAndDisconnectReleases)
{
    struct Case {
        const char* name;
        const char *baud, *dataBits, *parity, *stopBits, *flow;
        std::uint32_t speed;
        int appliedBits;
        std::uint8_t appliedParity;
        bool twoStop, xonXoff;
        serial::LineControl lines;
    };
    const Case cases[] = {
        {"defaults", "9600", "8", "无", "1", "无", 9600, 8, serial::parity::None, false, false,
         serial::LineControl::Disable},
        {"38400-CFG opens at 38400", "38400-CFG", "7", "奇", "2", "Xon/Xoff", 38400, 7, serial::parity::Odd, true,
         true, serial::LineControl::Disable},
        {"hardware raises the lines", "115200", "5", "偶", "1", "硬件", 115200, 5, serial::parity::Even, false, false,
         serial::LineControl::Enable},
        {"mark parity", "256000", "6", "标志", "1", "无", 256000, 6, serial::parity::Mark, false, false,
         serial::LineControl::Disable},
        {"space parity", "110", "8", "空格", "1", "无", 110, 8, serial::parity::Space, false, false,
         serial::LineControl::Disable},
    };
    link("COM1", pty.slavePath());
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        chooseText(BaudList, c.baud);
        chooseText(DataBitsList, c.dataBits);
        chooseText(ParityList, c.parity);
        chooseText(StopBitsList, c.stopBits);
        chooseText(FlowList, c.flow);
        click(ConnectButton);
        ASSERT_TRUE(dlg().portOpen);
        EXPECT_FALSE(dlg().portHandle.lastError());
        EXPECT_FALSE(isFree(pty.slavePath()));
        std::uint32_t in = 0, out = 0;
        ASSERT_EQ(serial::termios2::readSpeeds(pty.slave(), in, out), 0);
        EXPECT_EQ(out, c.speed);
        termios t{};
        ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
        // A pty keeps CS8 and no PARENB whatever it is asked; the odd and
        // stick bits show what the program asked for.
        EXPECT_EQ((t.c_cflag & PARODD) != 0, c.appliedParity == serial::parity::Odd || c.appliedParity == serial::parity::Mark);
        EXPECT_EQ((t.c_cflag & CMSPAR) != 0, c.appliedParity == serial::parity::Mark || c.appliedParity == serial::parity::Space);
        EXPECT_EQ(dlg().portHandle.settings().line.dataBits, c.appliedBits);
        EXPECT_EQ(dlg().portHandle.settings().line.parity, c.appliedParity);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop);
        EXPECT_EQ((t.c_iflag & IXON) != 0, c.xonXoff);
        EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.xonXoff);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u); // "硬件" raises lines, no handshake
        if (!c.xonXoff) {
            EXPECT_EQ(dlg().portHandle.settings().line.dtr, c.lines);
            EXPECT_EQ(dlg().portHandle.settings().line.rts, c.lines);
        }
        // The far side sees the modem lines only on a real port.
        int bits = 0;
        if (ioctl(pty.slave(), TIOCMGET, &bits) == 0) {
            EXPECT_EQ((bits & TIOCM_DTR) != 0, c.lines == serial::LineControl::Enable);
            EXPECT_EQ((bits & TIOCM_RTS) != 0, c.lines == serial::LineControl::Enable);
        }
        EXPECT_EQ(surface.text(ConnectButton), gbk("断开串口"));
        EXPECT_EQ(surface.text(StatusText), gbk("串口打开"));
        EXPECT_EQ(surface.timers.at(PollTimer), 3);
        for (int id : kLists)
            EXPECT_FALSE(surface.isEnabled(id)) << id;

        click(ConnectButton);
        EXPECT_FALSE(dlg().portOpen);
        EXPECT_TRUE(isFree(pty.slavePath()));
        EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        EXPECT_EQ(surface.text(StatusText), gbk("串口关闭"));
        EXPECT_TRUE(surface.timers.empty());
        for (int id : kLists)
            EXPECT_TRUE(surface.isEnabled(id)) << id;
    }
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(VeltraTest, RefusedLineSettingsLeaveThePortOpenUnreported)
{
    link("COM1", pty.slavePath());
    start();
    chooseText(StopBitsList, "1.5");
    click(ConnectButton);
    EXPECT_TRUE(dlg().portOpen);
    EXPECT_EQ(surface.text(StatusText), gbk("串口打开"));
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(VeltraTest, ConnectFailuresSayOpenFailedAndStayClosed)
{
    struct Case {
        const char* name;
        bool linked;
        bool holdElsewhere;
        bool heldAtStart;
        const char* reason;
    };
    const Case cases[] = {
        {"empty port list", false, false, false, "no such device"},
        {"taken by another program after start", true, true, false, "device busy"},
        {"the only port refused at start: its reason", true, true, true, "device busy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(linksDir / "COM1");
        if (c.linked)
            link("COM1", pty.slavePath());
        std::error_code ec;
        serial::SerialDevice holder;
        if (c.heldAtStart)
            holder = serial::SerialDevice::open(pty.slavePath(), "holder", ec);
        start();
        if (c.holdElsewhere && !c.heldAtStart)
            holder = serial::SerialDevice::open(pty.slavePath(), "holder", ec);
        click(ConnectButton);
        EXPECT_FALSE(dlg().portOpen);
        EXPECT_FALSE(dlg().portHandle.isOpen());
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk("打开串口失败!"));
        EXPECT_EQ(surface.messages[0].caption, "Veltra");
        EXPECT_EQ(surface.messages[0].detail, c.reason);
        EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        EXPECT_EQ(surface.text(StatusText), "OK");
        EXPECT_TRUE(surface.timers.empty());
    }
}

TEST_F(VeltraTest, ConnectDropsWhatWaitedBeforeIt)
{
    link("COM1", pty.slavePath());
    start();
    ASSERT_TRUE(pty.writeAll("stale\n"));
    pollfd q{pty.slave(), POLLIN, 0};
    ASSERT_EQ(poll(&q, 1, 2000), 1); // in the port's input queue
    click(ConnectButton);
    ASSERT_TRUE(pty.writeAll("new"));
    pollfd p{dlg().portHandle.fd(), POLLIN, 0};
    for (int i = 0; i < 100 && dlg().portHandle.bytesWaiting() < 3; ++i)
        poll(&p, 1, 20);
    tick();
    EXPECT_EQ(surface.text(ReceiveArea), "new");
}

// Unplugging the adapter, as a pty shows it: the far end closes.
TEST_F(VeltraTest, ADeviceThatGoesAwayDisconnectsWithOneMessage)
{
    struct Case {
        const char* name;
        std::function<void()> meetTheLoss;
    };
    const Case cases[] = {
        {"the poll finds the line hung up", [&] { tick(); }},
        {"a send finds the device gone", [&] { click(SendButton); }},
    };
    link("COM1", pty.slavePath());
    start();
    surface.setCheck(TimedSend, 1);
    click(ConnectButton);
    std::unique_ptr<Pty> pluggedAgain;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(surface.timers.size(), 2u) << "poll and timed send";
        Pty& device = pluggedAgain ? *pluggedAgain : pty;
        ASSERT_TRUE(device.writeAll("A"));
        ASSERT_TRUE(test_support::waitReadable(dlg().portHandle.fd()));
        tick();
        const std::string before = area();
        ASSERT_NE(before.find('A'), std::string::npos);
        surface.messages.clear();
        // The poll timer's ticks would go on while the box is open.
        surface.onMessage = [&](const dialog::testing::ShownMessage&) { tick(); };

        device.closeMaster();
        c.meetTheLoss();
        tick();

        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk("串口COM1已断开!"));
        EXPECT_EQ(surface.messages[0].detail, "the device hung up");
        EXPECT_FALSE(dlg().portOpen);
        EXPECT_FALSE(dlg().portHandle.isOpen());
        EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        EXPECT_EQ(surface.text(StatusText), gbk("串口关闭"));
        EXPECT_TRUE(surface.timers.empty());
        for (int id : kLists)
            EXPECT_TRUE(surface.isEnabled(id)) << id;
        EXPECT_EQ(area(), before);

        surface.onMessage = nullptr;
        pluggedAgain = std::make_unique<Pty>();
        fs::remove(linksDir / "COM1");
        link("COM1", pluggedAgain->slavePath());
        click(ConnectButton);
        ASSERT_TRUE(dlg().portOpen);
    }
}

// Two copies of the program on one port: the second finds it held at its
// start and says so when it connects; the first goes on.
TEST_F(VeltraTest, ASecondInstanceOnTheSamePortIsRefusedAndTheFirstGoesOn)
{
    startConnected();
    dialog::testing::MemorySurface other{veltraMainWindowTemplate()};
    VeltraMainDialog second(clock, serial::PortNames(linksDir.path(), [] { return std::vector<fs::path>{}; }));
    second.bind(other);
    second.onInit();
    second.dispatch(ConnectButton, dialog::Notification::Clicked);
    EXPECT_FALSE(second.portOpen);
    ASSERT_EQ(other.messages.size(), 1u);
    EXPECT_EQ(other.messages[0].text, gbk("打开串口失败!"));
    EXPECT_EQ(other.messages[0].detail, "device busy");

    peerSends("A");
    tick();
    EXPECT_EQ(area(), "A");
    typeInto(SendArea, "x");
    surface.setCheck(SendHex, 0);
    click(SendButton);
    EXPECT_EQ(pty.readUntil(1), "x");
    EXPECT_TRUE(surface.messages.empty());
}
