// With reconnect on, the adapter on COM3 pulled and plugged in again (a pty
// whose far end closes, then a new pty linked under the same name): the
// port stays in use, the view marks both moments, and the work goes on.

#include "TrafficFixture.h"

#include "dialog/CommonIds.h"
#include "serial/PortSession.h"

namespace quillon::testing {
namespace {

using dialog::gbk;

constexpr dialog::Rgb kGrey{128, 128, 128};

class ReconnectTest : public TrafficTest {
protected:
    void SetUp() override
    {
        TrafficTest::SetUp();
        dlg().onMenuCommand(dialog::kAutoReconnectCommand);
        ASSERT_TRUE(dlg().autoReconnect());
        click(SaveToggle);
    }
    /// COM3 open on a device of the case's own.
    void openOn(const Pty& device)
    {
        if (dlg().device().isOpen())
            click(OpenButton);
        fs::remove(linksDir / "COM3");
        link("COM3", device.slavePath());
        click(OpenButton);
        ASSERT_TRUE(dlg().device().isOpen());
    }
    void plugInto(const Pty& device)
    {
        fs::remove(linksDir / "COM3");
        link("COM3", device.slavePath());
    }
    std::string lampTip() { return surface.controls[StatusLamp].toolTip; }
    /// The port watch's wakes and beats, as the window gives them.
    void watch(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            dlg().onTimer(PortWatch);
    }
};

TEST_F(ReconnectTest, ThePortWaitsForItsDeviceAndGoesOn)
{
    enum class Then { PlugBack, UserCloses, BusyThenFree };
    struct Case {
        const char* name;
        Then then;
        bool reopened;
        bool autoSend = false;
    };
    const Case cases[] = {
        {"plugged back: reopened, sends and bursts go on", Then::PlugBack, true},
        {"auto-send runs through the wait and writes again once back", Then::PlugBack, true, true},
        {"the user closes during the wait", Then::UserCloses, false},
        {"the name points at a busy device until it is let go", Then::BusyThenFree, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pty first(Pty::Slave::Close);
        openOn(first);
        click(ClearView);
        surface.setText(Area1Text, "01");
        surface.setText(Area1Period, "10");
        surface.setCheck(Area1Auto, c.autoSend ? 1 : 0);
        ASSERT_TRUE(first.writeAll("\x41"));
        ASSERT_TRUE(test_support::waitReadable(dlg().device().fd()));
        settle();
        const std::int64_t rx = counter(RxBytes);
        const std::int64_t tx = counter(TxBytes);
        surface.messages.clear();

        first.closeMaster();
        ticks(1);
        EXPECT_TRUE(surface.messages.empty()) << "no box";
        EXPECT_EQ(surface.text(OpenButton), gbk("关闭串口"));
        EXPECT_EQ(lampTip(), gbk("等待COM3重新连接…"));
        EXPECT_NE(inColour(kGrey).find(gbk("—— COM3 已断开 01:05:03 ——")), std::string::npos);
        click(Area1Send);
        ticks(3);
        EXPECT_EQ(counter(TxBytes), tx) << "a send while waiting is not counted";

        Pty second(Pty::Slave::Close);
        serial::PortNames names(linksDir.path(), [] { return std::vector<fs::path>{}; });
        serial::PortSession holder(names);
        plugInto(second);
        if (c.then == Then::BusyThenFree) {
            ASSERT_TRUE(holder.open("COM3", {}));
        }
        if (c.then == Then::UserCloses)
            click(OpenButton);
        watch();
        if (c.then == Then::BusyThenFree) {
            EXPECT_FALSE(dlg().device().isOpen()) << "busy: still waiting";
            holder.close();
            watch(); // the next beat of the round
        }
        EXPECT_EQ(dlg().device().isOpen(), c.reopened);
        EXPECT_TRUE(surface.messages.empty());
        EXPECT_EQ(second.drain(), "") << "nothing sent while waiting reaches the new device";
        EXPECT_EQ(counter(RxBytes), rx) << "the marks are not counted";
        if (!c.reopened) {
            EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
            EXPECT_EQ(lampTip(), "");
            EXPECT_EQ(inColour(kGrey).find(gbk("已重新连接")), std::string::npos);
            continue;
        }
        // Each mark on a line of its own, with no empty line between them.
        EXPECT_EQ(inColour(kGrey), "\r" + gbk("—— COM3 已断开 01:05:03 ——") + "\r" + gbk("—— 已重新连接 ——") + "\r");
        EXPECT_EQ(lampTip(), "");
        // A burst as it reconnects: counted whole, the marks never.
        const Bytes burst(3000, 0x5A);
        ASSERT_TRUE(second.writeAll(burst.data(), burst.size()));
        ASSERT_TRUE(test_support::waitReadable(dlg().device().fd()));
        EXPECT_TRUE(tickUntil([&] { return counter(RxBytes) == rx + 3000; }));
        if (c.autoSend) {
            ticks(5);
            const Bytes got = second.drain<Bytes>();
            EXPECT_FALSE(got.empty()) << "auto-send goes on";
            EXPECT_EQ(got, Bytes(got.size(), 0x01));
            EXPECT_EQ(counter(TxBytes), tx + static_cast<std::int64_t>(got.size()));
            surface.setCheck(Area1Auto, 0);
        } else {
            click(Area1Send);
            EXPECT_EQ(second.readUntil<Bytes>(1), Bytes{0x01});
            EXPECT_EQ(counter(TxBytes), tx + 1);
        }
        EXPECT_EQ(logged().find(gbk("已断开")), std::string::npos) << "the marks are not logged";
        EXPECT_NE(logged().find("41 "), std::string::npos);
    }
}

TEST_F(ReconnectTest, AnAnswerAwaitedAtTheLossIsSentAgainAfterItsTimeOut)
{
    Pty first(Pty::Slave::Close);
    openOn(first);
    surface.setText(Area1Text, "01");
    surface.setCheck(Area1TakesPart, 1);
    surface.setCheck(AnswerMode, 1);
    click(AnswerMode);
    surface.setText(AnswerTimeout, "1");
    surface.setText(RetryCount, "5");
    click(AreaRotationButton);
    ticks(1);
    ASSERT_EQ(first.readUntil<Bytes>(1), Bytes{0x01});

    first.closeMaster();
    ticks(1);
    clock.seconds += 2; // the time-out passes while the port waits
    ticks(2);
    Pty second(Pty::Slave::Close);
    plugInto(second);
    watch();
    ASSERT_TRUE(dlg().device().isOpen());
    EXPECT_EQ(second.drain(), "") << "the send of the wait was not written";
    clock.seconds += 2;
    ticks(2);
    EXPECT_EQ(second.readUntil<Bytes>(1), Bytes{0x01}) << "sent again after its time-out, as usual";
    EXPECT_TRUE(surface.messages.empty());
}

} // namespace
} // namespace quillon::testing
