// Ticks go on behind every message box, as the window's nested event loop
// dispatches them; the test's answerer runs them while a box is "open".

#include "TrafficFixture.h"

#include <unistd.h>

#include <functional>
#include <vector>

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;

TEST_F(TrafficTest, TicksRunInFullBehindATicksMessageBox)
{
    struct Case {
        const char* name;
        std::function<void()> provoke;
        std::string message;
    };
    const std::string underFile = (logFile / "log.txt").string();
    const fs::path lockedDir = configDir / "locked";
    fs::create_directory(lockedDir);
    fs::permissions(lockedDir, fs::perms::owner_read | fs::perms::owner_exec);
    const std::string inLocked = (lockedDir / "log.txt").string();
    std::vector<Case> cases = {
        {"full disk", [&] { surface.setText(LogPath, "/dev/full"); }, gbk("在存取 /dev/full 时磁盘已满。")},
        {"bad integer", [&] { surface.setText(AnswerTimeout, "5x"); }, gbk("请键入一个整数。")},
        // After a case whose appends succeed: a log failure is told once until one does.
        {"a folder as the log", [&] { surface.setText(LogPath, configDir.path().string()); },
         gbk("对 ") + configDir.path().string() + gbk(" 的存取被拒绝。")},
        {"a folder that cannot be made, under a file", [&] { surface.setText(LogPath, underFile); },
         underFile + gbk(" 中包含无效的路径。")},
    };
    // Root writes into any folder; the case above fails for root too.
    if (geteuid() != 0)
        cases.push_back({"a read-only folder", [&] { surface.setText(LogPath, inLocked); },
                         gbk("对 ") + inLocked + gbk(" 的存取被拒绝。")});
    surface.setText(Area1Text, "AA");
    surface.setText(Area1Period, "100"); // every 8th tick
    surface.setCheck(Area1Auto, 1);
    click(SaveToggle);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        deviceSends(Bytes{0x7E}); // shown and logged before the fault
        settle();
        const std::string view = shown(), log = logged();
        ASSERT_NE(log, "");
        surface.messages.clear();
        c.provoke();
        std::int64_t sentInBox = -1, framesInBox = -1;
        surface.onMessage = [&](const dialog::testing::ShownMessage&) {
            if (sentInBox >= 0)
                return;
            const auto sent = counter(TxFrames);
            const auto frames = counter(RxFrames);
            for (std::uint8_t b = 1; b <= 3; ++b) {
                deviceSends(Bytes{b});
                ticks(8);
            }
            sentInBox = counter(TxFrames) - sent;
            framesInBox = counter(RxFrames) - frames;
        };
        ticks(8);
        surface.onMessage = nullptr;
        EXPECT_EQ(sentInBox, 3);
        EXPECT_EQ(framesInBox, 3); // one by one, not merged after OK
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, c.message);
        EXPECT_EQ(shown().rfind(view, 0), 0u);
        EXPECT_EQ(logged().rfind(log, 0), 0u);
        surface.setText(AnswerTimeout, "5");
        surface.setText(LogPath, logFile.string());
    }
}

TEST_F(TrafficTest, AHandlersMessageHasNoTicksMessageOnTopOfIt)
{
    int open = 0, mostOpen = 0;
    surface.onMessage = [&](const dialog::testing::ShownMessage&) {
        mostOpen = std::max(mostOpen, ++open);
        if (surface.messages.size() == 1) {
            surface.setText(AnswerTimeout, "5x");
            ticks(3);
        }
        --open;
    };
    choose(StopBits, 1); // reopening with one and a half stop bits fails
    EXPECT_EQ(mostOpen, 1);
    ASSERT_EQ(surface.messages.size(), 2u);
    EXPECT_EQ(dialog::fromGbk(surface.messages[0].text).rfind("错误码: ", 0), 0u);
    EXPECT_EQ(surface.messages[1].text, gbk("请键入一个整数。"));
}
