#include "VeltraFixture.h"

#include "serial/SerialDevice.h"
#include "serial/Termios2.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

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
    // A pty keeps 8 data bits and no parity only: the other framings are
    // refused (see RefusedLineSettingsFailTheConnectAndSayWhy).
    struct Case {
        const char* name;
        const char *baud, *stopBits, *flow;
        std::uint32_t speed;
        bool twoStop, xonXoff;
        serial::LineControl lines;
    };
    const Case cases[] = {
        {"defaults", "9600", "1", "无", 9600, false, false, serial::LineControl::Disable},
        {"38400-CFG opens at 38400", "38400-CFG", "2", "Xon/Xoff", 38400, true, true, serial::LineControl::Disable},
        {"hardware raises the lines", "115200", "1", "硬件", 115200, false, false, serial::LineControl::Enable},
        {"256000 has no termios constant", "256000", "1", "无", 256000, false, false, serial::LineControl::Disable},
        {"110", "110", "2", "无", 110, true, false, serial::LineControl::Disable},
        {"921600", "921600", "1", "无", 921600, false, false, serial::LineControl::Disable},
        {"3000000, the last", "3000000", "2", "无", 3000000, true, false, serial::LineControl::Disable},
    };
    link("COM1", pty.slavePath());
    start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        chooseText(BaudList, c.baud);
        chooseText(StopBitsList, c.stopBits);
        chooseText(FlowList, c.flow);
        click(ConnectButton);
        ASSERT_TRUE(dlg().isPortOpen());
        EXPECT_FALSE(dlg().port().lastError());
        EXPECT_FALSE(isFree(pty.slavePath()));
        std::uint32_t in = 0, out = 0;
        ASSERT_EQ(serial::termios2::readSpeeds(pty.slave(), in, out), 0);
        EXPECT_EQ(out, c.speed);
        termios t{};
        ASSERT_EQ(tcgetattr(pty.slave(), &t), 0);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStop);
        EXPECT_EQ((t.c_iflag & IXON) != 0, c.xonXoff);
        EXPECT_EQ((t.c_iflag & IXOFF) != 0, c.xonXoff);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u); // "硬件" raises lines, no handshake
        if (!c.xonXoff) {
            EXPECT_EQ(dlg().port().settings().line.dtr, c.lines);
            EXPECT_EQ(dlg().port().settings().line.rts, c.lines);
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
        EXPECT_FALSE(dlg().isPortOpen());
        EXPECT_TRUE(isFree(pty.slavePath()));
        EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        EXPECT_EQ(surface.text(StatusText), gbk("串口关闭"));
        EXPECT_TRUE(portTimersStopped());
        for (int id : kLists)
            EXPECT_TRUE(surface.isEnabled(id)) << id;
    }
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(VeltraTest, RefusedLineSettingsFailTheConnectAndSayWhy)
{
    struct Case {
        const char* name;
        int list;
        const char* choice;
        const char* reason;
    };
    const Case cases[] = {
        {"one and a half stop bits", StopBitsList, "1.5", "Linux 串口驱动不支持 1.5 位停止位"},
        {"four data bits", DataBitsList, "4", "Linux 串口驱动不支持 4 位数据位"},
        {"five data bits a pty does not keep", DataBitsList, "5", "端口不支持 5 位数据位（实际为 8 位）"},
        {"seven data bits", DataBitsList, "7", "端口不支持 7 位数据位（实际为 8 位）"},
        {"odd parity a pty drops", ParityList, "奇", "端口不支持奇校验（实际为无校验）"},
        {"even parity", ParityList, "偶", "端口不支持偶校验（实际为无校验）"},
        {"mark parity", ParityList, "标志", "端口不支持标志校验（实际为无校验）"},
        {"space parity", ParityList, "空格", "端口不支持空格校验（实际为无校验）"},
    };
    link("COM1", pty.slavePath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        chooseText(BaudList, "115200");
        chooseText(c.list, c.choice);
        click(ConnectButton);
        EXPECT_FALSE(dlg().isPortOpen());
        EXPECT_FALSE(dlg().port().isOpen());
        EXPECT_TRUE(isFree(pty.slavePath()));
        std::uint32_t in = 0, out = 0;
        ASSERT_EQ(serial::termios2::readSpeeds(pty.slave(), in, out), 0);
        EXPECT_NE(out, 115200u);
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk("打开串口失败!"));
        EXPECT_EQ(surface.messages[0].detail, gbk(c.reason));
        EXPECT_EQ(surface.text(StatusText), "OK");
        EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        EXPECT_TRUE(portTimersStopped());
        for (int id : kLists)
            EXPECT_TRUE(surface.isEnabled(id)) << id;
    }
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
        {"empty port list", false, false, false, "没有这个设备"},
        {"taken by another program after start", true, true, false, "设备忙：另一个程序正在使用该端口"},
        {"the only port refused at start: its reason", true, true, true, "设备忙：另一个程序正在使用该端口"},
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
        EXPECT_FALSE(dlg().isPortOpen());
        EXPECT_FALSE(dlg().port().isOpen());
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk("打开串口失败!"));
        EXPECT_EQ(surface.messages[0].caption, "Veltra");
        EXPECT_EQ(surface.messages[0].detail, gbk(c.reason));
        EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        EXPECT_EQ(surface.text(StatusText), "OK");
        EXPECT_TRUE(portTimersStopped());
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
    pollfd p{dlg().port().fd(), POLLIN, 0};
    for (int i = 0; i < 100 && dlg().port().bytesWaiting() < 3; ++i)
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
        ASSERT_TRUE(surface.timers.count(PollTimer) && surface.timers.count(SendTimer)) << "poll and timed send";
        Pty& device = pluggedAgain ? *pluggedAgain : pty;
        ASSERT_TRUE(device.writeAll("A"));
        ASSERT_TRUE(test_support::waitReadable(dlg().port().fd()));
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
        EXPECT_EQ(surface.messages[0].detail, gbk("设备已断开"));
        EXPECT_FALSE(dlg().isPortOpen());
        EXPECT_FALSE(dlg().port().isOpen());
        EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        EXPECT_EQ(surface.text(StatusText), gbk("串口关闭"));
        EXPECT_TRUE(portTimersStopped());
        for (int id : kLists)
            EXPECT_TRUE(surface.isEnabled(id)) << id;
        EXPECT_EQ(area(), before);

        surface.onMessage = nullptr;
        pluggedAgain = std::make_unique<Pty>();
        fs::remove(linksDir / "COM1");
        link("COM1", pluggedAgain->slavePath());
        click(ConnectButton);
        ASSERT_TRUE(dlg().isPortOpen());
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
    EXPECT_FALSE(second.isPortOpen());
    ASSERT_EQ(other.messages.size(), 1u);
    EXPECT_EQ(other.messages[0].text, gbk("打开串口失败!"));
    EXPECT_EQ(other.messages[0].detail, gbk("设备忙：另一个程序正在使用该端口"));

    peerSends("A");
    tick();
    EXPECT_EQ(area(), "A");
    typeInto(SendArea, "x");
    surface.setCheck(SendHex, 0);
    click(SendButton);
    EXPECT_EQ(pty.readUntil(1), "x");
    EXPECT_TRUE(surface.messages.empty());
}

// A box raised while another is open, by a tick or by a handler behind it
// (accessibility tools press buttons there), is never stacked on it: it
// waits until that one is closed, once however often it was raised.
TEST_F(VeltraTest, BoxesRaisedWhileOneIsOpenWaitForItOnceEach)
{
    struct Case {
        const char* name;
        std::function<void()> raiseFirst;
        std::function<void()> whileOpen;
        std::vector<std::string> shown; // "caption|text", UTF-8
    };
    std::unique_ptr<Pty> device;
    const std::string refusal = "提示信息|发送区第1个字符“G”不是十六进制数字，没有发送！";
    const std::string lost = "Veltra|串口COM1已断开!";
    const Case cases[] = {
        {"the poll finds the loss while a timed send's refusal is open",
         [&] { dlg().onTimer(SendTimer); },
         [&] {
             device->closeMaster();
             tick();
             tick();
         },
         {refusal, lost}},
        {"sends refused behind the loss box: one box after it",
         [&] {
             device->closeMaster();
             tick();
         },
         [&] {
             click(SendButton);
             dlg().onTimer(SendTimer);
             click(Quick1Send);
         },
         {lost, "Veltra|串口未打开！"}},
        {"a refusal raised again behind itself waits once",
         [&] { click(SendButton); },
         [&] {
             click(SendButton);
             click(SendButton);
         },
         {refusal, refusal}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device = std::make_unique<Pty>();
        fs::remove(linksDir / "COM1");
        link("COM1", device->slavePath());
        start();
        surface.setCheck(SendHex, 1);
        typeInto(SendArea, "G");
        click(ConnectButton);
        ASSERT_TRUE(dlg().isPortOpen());
        int open = 0, deepest = 0, boxes = 0;
        surface.onMessage = [&](const dialog::testing::ShownMessage&) {
            deepest = std::max(deepest, ++open);
            if (boxes++ == 0)
                c.whileOpen();
            --open;
        };
        c.raiseFirst();
        surface.onMessage = nullptr;
        std::vector<std::string> shown;
        for (const auto& m : surface.messages)
            shown.push_back(m.caption + "|" + m.text);
        std::vector<std::string> expected;
        for (const std::string& s : c.shown)
            expected.push_back(gbk(s));
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(deepest, 1);
    }
}
