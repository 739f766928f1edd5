// COM7 is a port of Debian's ser2net in front of a pty, named by a file in
// the ports folder: Quillon opens it without holding up the window, and
// then it is a port like a local one.

#include "TrafficFixture.h"

#include "dialog/CommonIds.h"
#include "serial/Reconnect.h"
#include "serial/Termios2.h"
#include "testing/Ser2net.h"

#include <termios.h>

namespace quillon::testing {
namespace {

using dialog::gbk;

class RemotePortTest : public QuillonTest {
protected:
    void SetUp() override
    {
        if (!test_support::Ser2net::installed())
            GTEST_SKIP() << test_support::Ser2net::kPath << " is not installed (Debian package ser2net)";
        QuillonTest::SetUp();
        server.emplace(serverDir.path(), device.slavePath());
        ASSERT_TRUE(server->started()) << "ser2net does not listen";
    }
    void TearDown() override
    {
        QuillonTest::TearDown();
        server.reset();
    }
    /// Opens COM7 through the button and waits, as the window does, for
    /// the background open to end.
    void openCom7()
    {
        choosePort("COM7");
        click(OpenButton);
        EXPECT_FALSE(surface.isEnabled(OpenButton)) << "the button waits for the outcome";
        for (int i = 0; i < 50 && surface.pausedTimers.count(PortConnect); ++i) {
            test_support::waitReadable(surface.pausedTimers[PortConnect], 1000);
            dlg().onTimer(PortConnect);
        }
        EXPECT_TRUE(surface.isEnabled(OpenButton));
    }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            dlg().onTimer(MainTick);
    }

    TempDir serverDir{"quillon-ser2net"};
    Pty device{Pty::Slave::Close};
    std::optional<test_support::Ser2net> server;
};

TEST_F(RemotePortTest, ARemotePortOpensInTheBackgroundAndWorksAsALocalOne)
{
    enum class Then { Traffic, ServerStops, ServerReturns, NothingListens };
    struct Case {
        const char* name;
        Then then;
        const char* message; // "" none
        const char* detail;
    };
    const Case cases[] = {
        {"bytes both ways, 0xFF too, on the line chosen", Then::Traffic, "", ""},
        {"the server stopped mid-stream is a device gone", Then::ServerStops, "通信端口<COM7>已断开!", "设备已断开"},
        {"with reconnect on, a server back is a device back", Then::ServerReturns, "", ""},
        {"nothing listening is refused with the reason", Then::NothingListens, "通信端口<COM7>无法打开!", "连接被拒绝"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(linksDir / "COM7", (c.then == Then::NothingListens
                                          ? "rfc2217://127.0.0.1:" + std::to_string(test_support::freeLoopbackPort())
                                          : server->rfc2217Address()) +
                                         "\n");
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        start();
        if (c.then == Then::ServerReturns)
            dlg().onMenuCommand(dialog::kAutoReconnectCommand);
        surface.select(Baud, 12); // 115200
        surface.select(StopBits, 2);
        openCom7();
        if (c.then == Then::NothingListens) {
            EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
        } else {
            ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
            std::uint32_t in = 0, out = 0;
            EXPECT_EQ(serial::termios2::readSpeeds(device.master(), in, out), 0);
            EXPECT_EQ(out, 115200u) << "the rate chosen reached the server's device";
            termios t{};
            EXPECT_EQ(tcgetattr(device.master(), &t), 0);
            EXPECT_NE(t.c_cflag & CSTOPB, 0u) << "two stop bits";
            EXPECT_NE(surface.controls[PortList].toolTip.find(gbk("COM7 · rfc2217://127.0.0.1")), std::string::npos);
        }
        if (c.then == Then::Traffic) {
            surface.setText(Area1Text, "FF 00 FF 41");
            click(Area1Send);
            EXPECT_EQ(device.readUntil<std::vector<std::uint8_t>>(4),
                      (std::vector<std::uint8_t>{0xFF, 0x00, 0xFF, 0x41}));
            const std::uint8_t back[] = {0xFF, 0x01, 0xFF};
            ASSERT_TRUE(device.writeAll(back, sizeof back));
            for (int i = 0; i < 300 && surface.text(RxBytes) != "3"; ++i) {
                test_support::waitReadable(dlg().session().fd(), 10);
                tick();
            }
            tick(5);
            EXPECT_EQ(surface.text(RxBytes), "3");
            EXPECT_NE(surface.richText(ReceiveView).find("FF 01 FF "), std::string::npos);
        }
        if (c.then == Then::ServerStops) {
            server.reset();
            for (int i = 0; i < 300 && surface.messages.empty(); ++i) {
                test_support::waitReadable(dlg().session().fd(), 10);
                tick();
            }
            EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
            server.emplace(serverDir.path(), device.slavePath());
            ASSERT_TRUE(server->started());
        }
        if (c.then == Then::ServerReturns) {
            server.reset();
            for (int i = 0; i < 300 && surface.richText(ReceiveView).find(gbk("已断开")) == std::string::npos; ++i) {
                test_support::waitReadable(dlg().session().fd(), 10);
                tick();
            }
            EXPECT_EQ(surface.text(OpenButton), gbk("关闭串口")) << "the port stays in use while it waits";
            // Back on another port, as a server moved by its owner: the
            // file is edited, and the next try reaches it.
            server.emplace(serverDir.path(), device.slavePath());
            ASSERT_TRUE(server->started());
            writeFile(linksDir / "COM7", server->rfc2217Address() + "\n");
            for (int i = 0; i < 100 && surface.richText(ReceiveView).find(gbk(serial::kBackMark)) == std::string::npos;
                 ++i) {
                test_support::waitReadable(dlg().session().fd(), 100);
                dlg().onTimer(PortWatch);
            }
            EXPECT_NE(surface.richText(ReceiveView).find(gbk(serial::kBackMark)), std::string::npos);
            const std::uint8_t byte = 0x5A;
            ASSERT_TRUE(device.writeAll(&byte, 1));
            for (int i = 0; i < 300 && surface.text(RxBytes) != "1"; ++i) {
                test_support::waitReadable(dlg().session().fd(), 10);
                tick();
            }
            EXPECT_EQ(surface.text(RxBytes), "1") << "bytes flow again";
        }
        if (*c.message) {
            ASSERT_EQ(surface.messages.size(), 1u);
            EXPECT_EQ(surface.messages[0].text, gbk(c.message));
            EXPECT_NE(surface.messages[0].detail.find(gbk(c.detail)), std::string::npos) << surface.messages[0].detail;
        } else {
            EXPECT_TRUE(surface.messages.empty());
        }
        if (surface.text(OpenButton) == gbk("关闭串口"))
            click(OpenButton);
    }
}

} // namespace
} // namespace quillon::testing
