// COM7 is a port of Debian's ser2net in front of a pty, named by a file in
// the ports folder: Veltra lists it without connecting, opens it without
// holding up the window, and then it is a port like a local one.

#include "VeltraFixture.h"

#include "serial/Termios2.h"
#include "testing/Ser2net.h"

#include <termios.h>

namespace veltra::testing {
namespace {

using dialog::gbk;

class RemotePortTest : public VeltraTest {
protected:
    void SetUp() override
    {
        if (!test_support::Ser2net::installed())
            GTEST_SKIP() << test_support::Ser2net::kPath << " is not installed (Debian package ser2net)";
        VeltraTest::SetUp();
        server.emplace(serverDir.path(), device.slavePath());
        ASSERT_TRUE(server->started()) << "ser2net does not listen";
    }
    void TearDown() override
    {
        VeltraTest::TearDown();
        server.reset();
    }
    /// Connects to COM7 and waits, as the window does, for the background
    /// open to end.
    void connectCom7()
    {
        ASSERT_TRUE(choose(PortList, "COM7"));
        click(ConnectButton);
        EXPECT_FALSE(surface.isEnabled(ConnectButton)) << "the button waits for the outcome";
        EXPECT_EQ(surface.text(StatusText), gbk("正在连接COM7…"));
        for (int i = 0; i < 50 && surface.pausedTimers.count(ConnectTimer); ++i) {
            test_support::waitReadable(surface.pausedTimers[ConnectTimer], 1000);
            dlg().onTimer(ConnectTimer);
        }
        EXPECT_TRUE(surface.isEnabled(ConnectButton));
    }
    /// Polls until done() holds, waking on the port as the window does.
    bool pollUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 300 && !done(); ++i) {
            test_support::waitReadable(dlg().session().fd(), 10);
            tick();
        }
        return done();
    }

    TempDir serverDir{"veltra-ser2net"};
    Pty device{Pty::Slave::Close};
    std::optional<test_support::Ser2net> server;
};

TEST_F(RemotePortTest, ARemotePortOpensInTheBackgroundAndWorksAsALocalOne)
{
    enum class Then { Traffic, ServerStops, NothingListens };
    struct Case {
        const char* name;
        Then then;
        const char* message; // "" none
        const char* detail;
    };
    const Case cases[] = {
        {"bytes both ways, 0xFF too, on the line chosen", Then::Traffic, "", ""},
        {"the server stopped mid-stream is a device gone", Then::ServerStops, "串口COM7已断开!", "设备已断开"},
        {"nothing listening is refused with the reason", Then::NothingListens, "打开串口失败!", "连接被拒绝"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(linksDir / "COM7");
        test_support::writeFile(linksDir / "COM7",
                                (c.then == Then::NothingListens
                                     ? "rfc2217://127.0.0.1:" + std::to_string(test_support::freeLoopbackPort())
                                     : server->rfc2217Address()) +
                                    "\n");
        start();
        // Listed from its file alone: nothing connects to list it.
        ASSERT_EQ(surface.itemCount(PortList), 1);
        EXPECT_EQ(surface.controls[PortList].itemToolTips[0].rfind(gbk("COM7 · rfc2217://127.0.0.1:"), 0), 0u);
        ASSERT_TRUE(choose(BaudList, "115200"));
        ASSERT_TRUE(choose(StopBitsList, "2"));
        connectCom7();
        if (c.then == Then::NothingListens) {
            EXPECT_FALSE(dlg().isPortOpen());
            EXPECT_EQ(surface.text(ConnectButton), gbk("连接串口"));
        } else {
            ASSERT_TRUE(dlg().isPortOpen());
            EXPECT_EQ(surface.text(ConnectButton), gbk("断开串口"));
            std::uint32_t in = 0, out = 0;
            EXPECT_EQ(serial::termios2::readSpeeds(device.master(), in, out), 0);
            EXPECT_EQ(out, 115200u) << "the rate chosen reached the server's device";
            termios t{};
            EXPECT_EQ(tcgetattr(device.master(), &t), 0);
            EXPECT_NE(t.c_cflag & CSTOPB, 0u) << "two stop bits";
        }
        if (c.then == Then::Traffic) {
            surface.setCheck(SendHex, 1);
            surface.setCheck(ReceiveHex, 1);
            surface.setText(SendArea, "FF 00 FF 41");
            click(SendButton);
            EXPECT_EQ(device.readUntil<std::vector<std::uint8_t>>(4),
                      (std::vector<std::uint8_t>{0xFF, 0x00, 0xFF, 0x41}));
            const std::uint8_t back[] = {0xFF, 0x01, 0xFF};
            ASSERT_TRUE(device.writeAll(back, sizeof back));
            EXPECT_TRUE(pollUntil([&] { return surface.text(ReceivedCount) == "3"; }));
            EXPECT_NE(area().find("FF 01 FF"), std::string::npos) << area();
        }
        if (c.then == Then::ServerStops) {
            server.reset();
            EXPECT_TRUE(pollUntil([&] { return !surface.messages.empty(); }));
            EXPECT_FALSE(dlg().isPortOpen());
            server.emplace(serverDir.path(), device.slavePath());
            ASSERT_TRUE(server->started());
        }
        if (*c.message) {
            ASSERT_EQ(surface.messages.size(), 1u);
            EXPECT_EQ(surface.messages[0].text, gbk(c.message));
            EXPECT_NE(surface.messages[0].detail.find(gbk(c.detail)), std::string::npos);
        } else {
            EXPECT_TRUE(surface.messages.empty());
        }
        if (dlg().isPortOpen())
            click(ConnectButton);
    }
}

} // namespace
} // namespace veltra::testing
