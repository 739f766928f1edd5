// The rotations in the dialog, on a pty whose master side is the device.

#include "TrafficFixture.h"

#include "quillon/send/HexTextCodec.h"

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;

namespace {

class RotationDialogTest : public TrafficTest {
protected:
    void pick(int radio)
    {
        surface.setCheck(radio, 1);
        click(radio);
    }
    fs::path chooseFile(const std::string& content)
    {
        fs::path p = configDir / "frames.txt";
        writeFile(p, content);
        surface.fileAnswers.emplace_back(p.string());
        click(ChooseFile);
        return p;
    }
    /// The frames the device gets, as hex, until there are n; it answers
    /// each at once, or never while the clock moves a second per tick.
    std::vector<std::string> exchange(std::size_t n, bool answer)
    {
        std::vector<std::string> got;
        for (int i = 0; i < 100 && got.size() < n; ++i) {
            const auto before = counter(TxFrames);
            ticks(1);
            clock.seconds += answer ? 0 : 1;
            if (counter(TxFrames) == before)
                continue;
            const Bytes b = deviceReceived();
            got.push_back(formatHex(b.data(), b.size()));
            if (answer)
                deviceSends(Bytes{0xAA});
        }
        return got;
    }
};

TEST_F(RotationDialogTest, ModesTheChosenFileAndRefusals)
{
    click(FileRotationButton); // no file yet
    const std::string title = surface.title;
    surface.fileAnswers.emplace_back((configDir / "missing.txt").string());
    click(ChooseFile); // not taken
    EXPECT_EQ(surface.title + surface.text(FileLineCount), title);
    pick(AnswerMode);
    EXPECT_EQ(surface.isEnabled(RotationPeriod) + surface.check(TimedMode), 0);
    EXPECT_TRUE(surface.isEnabled(AnswerTimeout) && surface.isEnabled(RetryCount));

    const fs::path file = chooseFile("01\n02\n03");
    EXPECT_EQ(surface.fileDialogs.back().filter + surface.fileDialogs.back().defaultExt,
              gbk("文本文件(*.txt)|*.txt||.txt"));
    EXPECT_EQ(surface.title, gbk("[Quillon 3.0AD] 发送文件 ") + file.string());
    EXPECT_EQ(surface.text(FileLineCount), "3");
    // Back in timed mode.
    EXPECT_EQ(surface.check(TimedMode) - surface.check(AnswerMode), 1);
    EXPECT_TRUE(surface.isEnabled(RotationPeriod));
    EXPECT_FALSE(surface.isEnabled(AnswerTimeout) || surface.isEnabled(RetryCount));

    click(FileRotationButton);
    EXPECT_FALSE(surface.isEnabled(AreaRotationButton));
    click(AreaRotationButton); // refused
    click(FileRotationButton);
    click(AreaRotationButton);
    EXPECT_FALSE(surface.isEnabled(FileRotationButton));
    click(FileRotationButton); // refused
    const std::vector<std::string> said = {gbk("您还没选择文件，无有进行发送！"),
                                           gbk("没有找到 ") + (configDir / "missing.txt").string() + gbk("。"),
                                           gbk("文件轮发正在进行，不能进行发送区轮发，需要的话，请先停止文件轮发！"),
                                           gbk("发送区轮发正在进行，不能进行文件轮发，需要的话，请先停止发送区轮发！")};
    ASSERT_EQ(surface.messages.size(), said.size());
    for (std::size_t i = 0; i < said.size(); ++i)
        EXPECT_EQ(surface.messages[i].text, said[i]);
    EXPECT_EQ(surface.text(AreaRotationButton) + surface.text(FileRotationButton), gbk("停止轮发开始文件轮发"));
}

TEST_F(RotationDialogTest, AnswersMoveTheRotationsOnAndWithoutThemTheyRetry)
{
    const struct {
        const char* name;
        int button;
        bool answer;
        std::vector<std::string> expected;
    } cases[] = {
        {"areas, each answered", AreaRotationButton, true, {"01 ", "02 ", "03 ", "01 "}},
        {"file lines, each answered", FileRotationButton, true, {"10 ", "20 ", "10 "}},
        // A stopped area rotation goes on after the area it sent last.
        {"areas, no answer: each twice", AreaRotationButton, false, {"02 ", "02 ", "03 ", "03 ", "01 "}},
        {"file lines, no answer: each twice", FileRotationButton, false, {"10 ", "10 ", "20 "}},
    };
    const std::pair<int, int> areaIds[] = {
        {Area1Text, Area1TakesPart}, {Area2Text, Area2TakesPart}, {Area3Text, Area3TakesPart}};
    for (int n = 0; n < 3; ++n) {
        surface.setText(areaIds[n].first, "0" + std::to_string(n + 1));
        surface.setCheck(areaIds[n].second, 1);
    }
    chooseFile("10\n20\n");
    surface.setText(AnswerTimeout, "1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        pick(AnswerMode);
        click(c.button);
        EXPECT_EQ(exchange(c.expected.size(), c.answer), c.expected);
        click(c.button);
        deviceSends(Bytes{0xAA}); // the next case starts with no answer awaited
        settle();
    }
}

TEST_F(RotationDialogTest, AFileLineIsEchoedAsItsOwnText)
{
    surface.setCheck(ShowSent, 1);
    click(SaveToggle);
    chooseFile("41 0a\n");
    surface.setText(RotationPeriod, "10");
    // The text view would show the bytes as characters; the empty hex view
    // would add a space.
    for (int rxHex : {0, 1}) {
        SCOPED_TRACE(rxHex);
        surface.setCheck(RxHex, rxHex);
        surface.setRichText(ReceiveView, "");
        fs::remove(logFile);
        click(FileRotationButton);
        ticks(1);
        click(FileRotationButton);
        EXPECT_EQ(deviceReceived(), (Bytes{0x41, 0x0A}));
        EXPECT_EQ(inColour(kBlue) + "|" + logged(), gbk("[发送]41 0A|[发送]41 0A"));
        EXPECT_EQ(surface.text(FileCurrentLine), "1");
    }
}

} // namespace
