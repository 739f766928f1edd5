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
        {"hex lone last digit", SendArea, SendHex, SendButton, "01 2", 1, 0, "\x01"},
        {"hex space inside the first pair", SendArea, SendHex, SendButton, "1 02", 1, 0, ""},
        {"hex stops at zz", SendArea, SendHex, SendButton, "01 zz 02", 1, 0, "\x01"},
        {"hex stops at the first line break", SendArea, SendHex, SendButton, "01\r\n02", 1, 0, "\x01"},
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
        EXPECT_EQ(dlg().sentTotal, static_cast<std::int64_t>(c.sent.size()));
        EXPECT_EQ(surface.text(SentCount), std::to_string(c.sent.size()));
        EXPECT_EQ(surface.text(c.text), c.typed); // the area is not touched
        EXPECT_TRUE(surface.messages.empty());
        click(ConnectButton);
    }
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
    EXPECT_EQ(dlg().sentTotal, 10);
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
        EXPECT_EQ(dlg().sentTotal, 0);
    }
}

TEST_F(VeltraTest, ClearSendEmptiesTheAreaAndTheCount)
{
    startConnected();
    click(SendButton);
    ASSERT_GT(dlg().sentTotal, 0);
    click(ClearSend);
    EXPECT_EQ(surface.text(SendArea), "");
    EXPECT_EQ(surface.text(SentCount), "0");
    EXPECT_EQ(dlg().sentTotal, 0);
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
