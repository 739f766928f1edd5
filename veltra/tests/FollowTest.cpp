// The ports between the user's own actions: the list follows links and
// devices coming and going, and with reconnect on an unplugged adapter
// (a pty whose far end closes, then a new pty under the same name) is
// waited for and opened again.

#include "VeltraFixture.h"

#include "dialog/CommonIds.h"

namespace veltra::testing {
namespace {

using dialog::gbk;

constexpr dialog::Rgb kGrey{128, 128, 128};

class FollowTest : public VeltraTest {
protected:
    void watch() { dlg().onTimer(WatchTimer); }
    std::vector<std::string> listed()
    {
        std::vector<std::string> names(static_cast<std::size_t>(surface.itemCount(PortList)));
        for (std::size_t i = 0; i < names.size(); ++i)
            names[i] = surface.itemText(PortList, static_cast<int>(i));
        return names;
    }
    void relink(const std::string& name, const Pty& device)
    {
        fs::remove(linksDir / name);
        link(name, device.slavePath());
    }
    std::string grey()
    {
        std::string t;
        for (const auto& r : surface.controls[ReceiveArea].runs)
            if (r.colour == kGrey)
                t += r.text;
        return t;
    }
};

TEST_F(FollowTest, ThePortListFollowsTheLinks)
{
    Pty com3, com6, com9;
    link("COM3", com3.slavePath());
    link("COM9", com9.slavePath());
    start();
    ASSERT_EQ(listed(), (std::vector<std::string>{"COM3", "COM9"}));
    struct Case {
        const char* name;
        std::function<void()> change;
        std::vector<std::string> listed;
        std::string chosen;
    };
    const Case cases[] = {
        {"a port linked later appears in order",
         [&] { link("COM6", com6.slavePath()); },
         {"COM3", "COM6", "COM9"},
         "COM3"},
        {"the chosen port stays chosen as others come and go",
         [&] {
             surface.select(PortList, 2);
             fs::remove(linksDir / "COM3");
         },
         {"COM6", "COM9"},
         "COM9"},
        {"a vanished chosen port gives way to the first", [&] { fs::remove(linksDir / "COM9"); }, {"COM6"}, "COM6"},
        {"while open, its port stays though its link goes",
         [&] {
             click(ConnectButton);
             ASSERT_TRUE(dlg().isPortOpen());
             fs::remove(linksDir / "COM6");
             link("COM3", com3.slavePath());
         },
         {"COM3", "COM6"},
         "COM6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        watch();
        EXPECT_EQ(listed(), c.listed);
        EXPECT_EQ(surface.selectedText(PortList), c.chosen);
    }
    EXPECT_TRUE(surface.pausedTimers.count(WatchTimer)) << "the watch waits for the next change";
}

TEST_F(FollowTest, WithReconnectOnAnUnpluggedPortIsWaitedFor)
{
    struct Case {
        const char* name;
        bool userCloses;
    };
    for (const Case& c : {Case{"plugged in again", false}, Case{"the user closes during the wait", true}}) {
        SCOPED_TRACE(c.name);
        Pty first(Pty::Slave::Close);
        relink("COM1", first);
        start();
        if (!dlg().autoReconnect()) // kept from the case before
            dlg().onMenuCommand(dialog::kAutoReconnectCommand);
        ASSERT_TRUE(dlg().autoReconnect());
        surface.setText(SendArea, "ab");
        surface.setText(Period, "20");
        surface.setCheck(TimedSend, 1);
        click(ConnectButton);
        ASSERT_TRUE(dlg().isPortOpen());
        const std::string sent = surface.text(SentCount);

        first.closeMaster();
        tick();
        EXPECT_TRUE(surface.messages.empty()) << "no box";
        EXPECT_EQ(surface.text(ConnectButton), gbk("断开串口"));
        EXPECT_EQ(surface.text(StatusText), gbk("等待COM1重新连接…"));
        EXPECT_NE(grey().find(gbk("—— COM1 已断开 08:08:00 ——")), std::string::npos);
        dlg().onTimer(SendTimer);
        EXPECT_EQ(surface.text(SentCount), sent) << "a timed send while waiting is not counted";
        EXPECT_TRUE(surface.messages.empty()) << "nor refused with a box";

        Pty second(Pty::Slave::Close);
        relink("COM1", second);
        if (c.userCloses)
            click(ConnectButton);
        watch();
        EXPECT_EQ(dlg().port().isOpen(), !c.userCloses);
        EXPECT_EQ(surface.text(StatusText), gbk(c.userCloses ? "串口关闭" : "串口打开"));
        EXPECT_EQ(grey().find(gbk("已重新连接")) != std::string::npos, !c.userCloses);
        EXPECT_EQ(second.drain(), "") << "nothing sent while waiting reaches the new device";
        if (c.userCloses)
            continue;
        dlg().onTimer(SendTimer);
        EXPECT_EQ(second.readUntil(2), "ab");
        ASSERT_TRUE(second.writeAll("xyz"));
        ASSERT_TRUE(test_support::waitReadable(dlg().port().fd()));
        tick();
        EXPECT_EQ(surface.text(ReceivedCount), "3") << "counted: the bytes, never the marks";
    }
}

} // namespace
} // namespace veltra::testing
