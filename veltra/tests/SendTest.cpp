#include "VeltraFixture.h"

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;

TEST_F(VeltraTest, SendAreaAndQuickLinesSendTextOrHex)
{
    struct Case {
        const char* name;
        int text, hexBox, button;
        std::string typed;
        int hex, newline;
        std::string sent;
    };
    std::string manyPairs, manyBytes;
    for (int i = 0; i < 130; ++i) {
        manyPairs += "5A ";
        manyBytes += 'Z';
    }
    const Case cases[] = {
        {"hex spaced", SendArea, SendHex, SendButton, "01 02 0A", 1, 0, "\x01\x02\x0A"},
        {"hex without spaces", SendArea, SendHex, SendButton, "0102", 1, 0, "\x01\x02"},
        {"hex over two lines", SendArea, SendHex, SendButton, "01\r\n\t02", 1, 0, "\x01\x02"},
        {"hex with appended break", SendArea, SendHex, SendButton, "01 02", 1, 1, "\x01\x02"},
        {"text with appended break", SendArea, SendHex, SendButton, "AB", 0, 1, "AB\r\n"},
        {"text double-byte", SendArea, SendHex, SendButton, "\xD6\xD0", 0, 0, "\xD6\xD0"},
        {"hex beyond 100 pairs", SendArea, SendHex, SendButton, manyPairs, 1, 0, manyBytes},
        {"quick 1 hex", Quick1Text, Quick1Hex, Quick1Send, "41 42", 1, 1, "AB"},
        {"quick 2 text ignores the break box", Quick2Text, Quick2Hex, Quick2Send, "41 42", 0, 1, "41 42"},
        {"quick 3 hex beyond 100 pairs", Quick3Text, Quick3Hex, Quick3Send, manyPairs, 1, 0, manyBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        typeInto(c.text, c.typed);
        surface.setCheck(c.hexBox, c.hex);
        surface.setCheck(AppendNewline, c.newline);
        click(c.button);
        EXPECT_EQ(pty.readUntil(c.sent.size()), c.sent);
        EXPECT_EQ(dlg().sentCount(), static_cast<std::int64_t>(c.sent.size()));
        EXPECT_EQ(surface.text(SentCount), std::to_string(c.sent.size()));
        EXPECT_EQ(surface.text(c.text), c.typed); // the area is not touched
        EXPECT_TRUE(surface.messages.empty());
        click(ConnectButton);
    }
}

TEST_F(VeltraTest, HexThatIsNotWholeBytesIsRefusedWithItsPlace)
{
    struct Case {
        const char* name;
        int text, hexBox, button;
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {"a letter beyond F", SendArea, SendHex, SendButton, "01 03 0G 0A", "发送区第8个字符“G”不是十六进制数字"},
        {"commas", SendArea, SendHex, SendButton, "01,02,03", "发送区第3个字符“,”不是十六进制数字"},
        {"odd digits", SendArea, SendHex, SendButton, "123", "发送区第3个字符“3”缺少配对的另一位数字"},
        {"a lone last digit", SendArea, SendHex, SendButton, "01 2", "发送区第4个字符“2”缺少配对的另一位数字"},
        {"a space inside a pair", SendArea, SendHex, SendButton, "1 02", "发送区第1个字符“1”缺少配对的另一位数字"},
        {"zz between pairs", SendArea, SendHex, SendButton, "01 zz 02", "发送区第4个字符“z”不是十六进制数字"},
        {"a Chinese character counts as one", SendArea, SendHex, SendButton, "中文 0X",
         "发送区第1个字符“中”不是十六进制数字"},
        {"after a Chinese character", Quick1Text, Quick1Hex, Quick1Send, "01 中 Q",
         "快捷发送第1行第4个字符“中”不是十六进制数字"},
        {"quick line 2", Quick2Text, Quick2Hex, Quick2Send, "0A0", "快捷发送第2行第3个字符“0”缺少配对的另一位数字"},
        {"quick line 3", Quick3Text, Quick3Hex, Quick3Send, "7e;", "快捷发送第3行第3个字符“;”不是十六进制数字"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        typeInto(c.text, gbk(c.typed));
        surface.setCheck(c.hexBox, 1);
        click(c.button);
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk(c.message) + gbk("，没有发送！"));
        EXPECT_EQ(surface.messages[0].caption, gbk("提示信息"));
        EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Warning);
        EXPECT_EQ(pty.drain(), "");
        EXPECT_EQ(dlg().sentCount(), 0);
        EXPECT_EQ(surface.text(SentCount), "0");
        click(ConnectButton);
    }
}

TEST_F(VeltraTest, TimedSendRefusesEachBadTextOnce)
{
    struct Step {
        const char* name;
        const char* text;
        int ticks;
        std::size_t boxes; // shown so far
        std::string sent;  // by these ticks
    };
    const Step steps[] = {
        {"a bad text: one box for many periods", "01 0G", 3, 1, ""},
        {"another bad text: one more", "01 0H", 2, 2, ""},
        {"a good text goes out", "01 02", 1, 2, "\x01\x02"},
        {"bad again after a good one: told again", "01 0H", 2, 3, ""},
    };
    startConnected();
    surface.setCheck(SendHex, 1);
    surface.setText(Period, "50");
    surface.setCheck(TimedSend, 1);
    click(TimedSend);
    // Ticks come while a box is open; none of them may raise another.
    int open = 0;
    surface.onMessage = [&](const dialog::testing::ShownMessage&) {
        if (open++ == 0)
            dlg().onTimer(SendTimer);
        --open;
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        typeInto(SendArea, s.text);
        for (int i = 0; i < s.ticks; ++i)
            dlg().onTimer(SendTimer);
        EXPECT_EQ(surface.messages.size(), s.boxes);
        EXPECT_EQ(pty.drain(), s.sent);
    }
    EXPECT_EQ(dlg().sentCount(), 2);
}

TEST_F(VeltraTest, AppendedBreakShowsAfterAWriteBackAndIsSentAgain)
{
    startConnected();
    typeInto(SendArea, "AB");
    surface.setCheck(AppendNewline, 1);
    click(SendButton);
    click(ClearReceive); // writes the bound values back
    EXPECT_EQ(surface.text(SendArea), "AB\r\n");
    click(SendButton);
    EXPECT_EQ(pty.readUntil(10), "AB\r\nAB\r\n\r\n");
    EXPECT_EQ(dlg().sentCount(), 10);
}

TEST_F(VeltraTest, SendingWithThePortClosedSaysSo)
{
    start();
    for (int button : {SendButton, Quick1Send, Quick2Send, Quick3Send}) {
        SCOPED_TRACE(button);
        surface.messages.clear();
        click(button);
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk("串口未打开！"));
        EXPECT_EQ(surface.messages[0].caption, "Veltra");
        EXPECT_EQ(dlg().sentCount(), 0);
    }
}

TEST_F(VeltraTest, ClearSendEmptiesTheAreaAndTheCount)
{
    startConnected();
    click(SendButton);
    ASSERT_GT(dlg().sentCount(), 0);
    click(ClearSend);
    EXPECT_EQ(surface.text(SendArea), "");
    EXPECT_EQ(surface.text(SentCount), "0");
    EXPECT_EQ(dlg().sentCount(), 0);
}

TEST_F(VeltraTest, TimedSendCheckRejectsBadPeriods)
{
    struct Case {
        const char* name;
        const char* period;
        const char* message;
    };
    const Case cases[] = {
        {"letters", "abc", "请输入数字！"},
        {"digits then a space", "12 ", "请输入数字！"},
        {"zero", "0", "请输入有效定时间隔！"},
        {"empty", "", "请输入有效定时间隔！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        surface.setText(Period, c.period);
        surface.setCheck(TimedSend, 1);
        click(TimedSend);
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(surface.messages[0].text, gbk(c.message));
        EXPECT_EQ(surface.messages[0].caption, gbk("提示信息"));
        EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Warning);
        EXPECT_EQ(surface.check(TimedSend), 0);
        EXPECT_EQ(surface.text(Period), "");
        EXPECT_EQ(surface.timers.count(SendTimer), 0u);
        click(ConnectButton);
    }
}

TEST_F(VeltraTest, TimedSendRunsOnlyWhileConnected)
{
    link("COM1", pty.slavePath());
    start();
    surface.setText(Period, "20");
    surface.setCheck(TimedSend, 1);
    click(TimedSend); // port closed: accepted, nothing runs
    EXPECT_TRUE(surface.messages.empty());
    EXPECT_EQ(surface.timers.count(SendTimer), 0u);
    EXPECT_TRUE(surface.isEnabled(Period));

    click(ConnectButton);
    EXPECT_EQ(surface.timers.at(SendTimer), 20);
    EXPECT_FALSE(surface.isEnabled(Period));
    dlg().onTimer(SendTimer);
    dlg().onTimer(SendTimer);
    EXPECT_EQ(pty.readUntil(30), "www.example.comwww.example.com");

    click(ConnectButton);
    EXPECT_EQ(surface.timers.count(SendTimer), 0u);
    EXPECT_EQ(surface.check(TimedSend), 1);
    EXPECT_FALSE(surface.isEnabled(Period));
    click(ConnectButton); // the next connect restarts it
    EXPECT_EQ(surface.timers.at(SendTimer), 20);

    surface.setCheck(TimedSend, 0);
    click(TimedSend);
    EXPECT_EQ(surface.timers.count(SendTimer), 0u);
    EXPECT_TRUE(surface.isEnabled(Period));
}
