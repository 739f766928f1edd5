// Quillon's core against socat's echo on a pty, a peer that answers every
// frame at once with its own bytes: a hex area that is no hex sends
// nothing, and an answer-driven area rotation passes over the areas that
// have nothing to send instead of waiting for an answer to them.

#include "quillon/tests/TrafficFixture.h"
#include "testing/Process.h"

#include <functional>
#include <memory>

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;
using test_support::Process;

namespace {

class QuillonEchoPeer : public TrafficTest {
protected:
    void SetUp() override
    {
        TrafficTest::SetUp();
        const fs::path end = configDir / "quillon-end";
        try {
            // PIPE: socat writes back what it reads.
            echo = std::make_unique<Process>(
                std::vector<std::string>{"socat", "pty,raw,echo=0,link=" + end.string(), "PIPE"});
        } catch (const std::runtime_error& e) {
            GTEST_SKIP() << e.what();
        }
        ASSERT_TRUE(test_support::eventually([&] { return fs::is_symlink(end); }, 5000));
        link("COM1", end);
        click(OpenButton); // the fixture's own port closes
        choosePort("COM1");
        click(OpenButton);
        ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
    }
    void TearDown() override
    {
        TrafficTest::TearDown();
        echo.reset();
    }

    std::unique_ptr<Process> echo;
};

TEST_F(QuillonEchoPeer, BadHexSendsNothingAndARotationPassesOverAreasWithNothingToSend)
{
    surface.setText(Area2Text, "0x01 0x02");
    click(Area2Send);
    surface.setText(Area1Text, "11");
    click(Area1Send);
    // The echo gives back all that went out, in order: one byte.
    ASSERT_TRUE(tickUntil([&] { return counter(RxFrames) == 1; }));
    EXPECT_EQ(counter(RxBytes), 1);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("发送区2的第2个字符“x”不是16进制数字，没有发送。"));

    // Area 3 is empty. The clock stands still: only answers move the
    // rotation on, so a wait for an answer to nothing would never end.
    for (int id : {Area1TakesPart, Area2TakesPart, Area3TakesPart})
        surface.setCheck(id, 1);
    surface.setCheck(AnswerMode, 1);
    click(AnswerMode);
    click(AreaRotationButton);
    ASSERT_TRUE(tickUntil([&] { return counter(RxFrames) == 6; })) << surface.richText(ReceiveView);
    click(AreaRotationButton);
    settle();
    EXPECT_EQ(counter(RxBytes), 6); // area 1's byte each time
    EXPECT_EQ(counter(TxFrames), 6);
    EXPECT_EQ(surface.messages.size(), 1u); // area 2's text was reported already
}

} // namespace
