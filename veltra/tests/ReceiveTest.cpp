#include "VeltraFixture.h"

#include "dialog/FileIo.h"

#include <algorithm>

using namespace veltra;
using namespace veltra::testing;
using dialog::gbk;

TEST(VeltraReceive, RenderingAndStamp)
{
    const std::uint8_t bytes[] = {0x41, 0x0D, 0x00, 0xD6, 0xD0};
    EXPECT_EQ(renderReceived(bytes, 5, true), "41 0D 00 D6 D0 ");
    EXPECT_EQ(renderReceived(bytes, 5, false), "A\r\xD6\xD0");
    EXPECT_EQ(receiveTimeStamp(FakeClock::at(2013, 3, 20, 8, 8, 0)), "[2013.03.20.08:08:00]");
}

TEST(VeltraReceive, CharacterBeforeTakesBothBytesOfADoubleByteCharacter)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t pos;
        std::string expected;
    };
    const Case cases[] = {
        {"letter", "abc", 2, "b"},
        {"at 0 the first character", "abc", 0, "a"},
        {"empty", "", 0, ""},
        {"double-byte after it", "a\xD6\xD0", 3, "\xD6\xD0"},
        {"trail byte that looks like a lead", "\xB0\xA1\xB0", 2, "\xB0\xA1"},
        {"line break", "ab\r\n", 4, "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(characterBefore(c.text, c.pos), c.expected);
    }
}

TEST_F(VeltraTest, PollRendersCountsStampsAndEndsBursts)
{
    struct Step {
        std::string peer; // sent before the tick; "" for a quiet tick
        int hex, stamp, newline;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::string shown;
        std::int64_t count;
    };
    const std::string stamp = "[2013.03.20.08:08:00]";
    const Case cases[] = {
        {"hex pairs each with a space", {{"A\r", 1, 0, 0}}, "41 0D ", 2},
        {"text: a zero byte shows nothing but counts", {{std::string("A\r\0B", 4), 0, 0, 0}}, "A\rB", 4},
        {"a stamp per tick that read", {{"ab", 0, 1, 0}, {"cd", 0, 1, 0}}, stamp + "ab" + stamp + "cd", 4},
        {"burst break at the first quiet tick only", {{"ab", 0, 0, 1}, {"", 0, 0, 1}, {"", 0, 0, 1}}, "ab\r\n", 2},
        {"bursts run together without the break", {{"ab", 0, 0, 0}, {"", 0, 0, 0}, {"cd", 0, 0, 0}}, "abcd", 4},
        {"hex switched during a burst", {{"A", 1, 0, 0}, {"A", 0, 0, 0}}, "41 A", 2},
        {"double-byte split across ticks joins", {{"\xD6", 0, 0, 0}, {"\xD0", 0, 0, 0}}, "\xD6\xD0", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        for (const auto& s : c.steps) {
            surface.setCheck(ReceiveHex, s.hex);
            surface.setCheck(ReceiveTime, s.stamp);
            surface.setCheck(BurstNewline, s.newline);
            if (!s.peer.empty())
                peerSends(s.peer);
            tick();
        }
        EXPECT_EQ(area(), c.shown);
        EXPECT_EQ(dlg().receiveText(), c.shown);
        EXPECT_EQ(dlg().receivedCount(), c.count);
        EXPECT_EQ(surface.text(ReceivedCount), std::to_string(c.count));
        EXPECT_TRUE(surface.scrolledToEnd[ReceiveArea]);
        click(ConnectButton);
    }
}

TEST_F(VeltraTest, APollReadsAllThatWaitsAndShowsItAsPollsOfOneReadWould)
{
    struct Case {
        const char* name;
        std::string bytes;
        int stamp, lineBreak;
    };
    const Case cases[] = {
        {"a stamp for each read", std::string(3500, 'x'), 1, 0},
        {"full reads end with an empty one, which ends no burst", std::string(6000, 'y'), 0, 1},
        {"a character parted between two reads shows whole", std::string(999, 'a') + gbk("中文") + "b", 0, 0},
    };
    struct Shown {
        std::string area;
        std::int64_t count = 0;
    };
    // perPoll bytes wait at each poll, then a quiet one ends the burst.
    auto feed = [&](const Case& c, std::size_t perPoll) {
        startConnected();
        surface.setCheck(ReceiveTime, c.stamp);
        surface.setCheck(BurstNewline, c.lineBreak);
        surface.receivePieces.emplace();
        for (std::size_t at = 0; at < c.bytes.size(); at += perPoll) {
            peerSends(c.bytes.substr(at, perPoll));
            tick();
        }
        tick();
        for (const std::string& piece : *surface.receivePieces)
            EXPECT_EQ(dialog::wholeGbkLength(piece), piece.size()) << "a character parted";
        Shown shown{area(), dlg().receivedCount()};
        EXPECT_EQ(surface.text(ReceivedCount), std::to_string(shown.count));
        click(ConnectButton);
        return shown;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Shown onePerPoll = feed(c, kReadChunk);
        // Three reads' worth: a poll that came 10 ms late at 3 Mbaud.
        const Shown late = feed(c, 3000);
        const auto parted =
            std::mismatch(late.area.begin(), late.area.end(), onePerPoll.area.begin(), onePerPoll.area.end());
        EXPECT_TRUE(late.area == onePerPoll.area) << "parts at " << parted.first - late.area.begin();
        EXPECT_EQ(late.count, static_cast<std::int64_t>(c.bytes.size()));
        EXPECT_EQ(onePerPoll.count, late.count);
    }
}

TEST_F(VeltraTest, AutoClearEmptiesTheFullAreaAndShowsThisTicksBytes)
{
    startConnected();
    surface.controls[ReceiveArea].height = 36; // room for three 12-pixel lines
    surface.setCheck(AutoClear, 1);
    peerSends("1\r\n2\r\n3\r\n");
    tick(); // four lines now
    EXPECT_EQ(area(), "1\r\n2\r\n3\r\n");
    peerSends("next");
    tick();
    EXPECT_EQ(area(), "next");
    EXPECT_EQ(dlg().receiveText(), "next");
    EXPECT_EQ(dlg().receivedCount(), 13);
    surface.setCheck(AutoClear, 0);
    peerSends("1\r\n2\r\n3\r\n");
    tick();
    EXPECT_EQ(area(), "next1\r\n2\r\n3\r\n");
}

TEST_F(VeltraTest, ClearReceiveEmptiesAreaAndCountButBurstStillEnds)
{
    startConnected();
    surface.setCheck(BurstNewline, 1);
    peerSends("abc");
    tick();
    click(ClearReceive);
    EXPECT_EQ(area(), "");
    EXPECT_EQ(surface.text(ReceivedCount), "0");
    EXPECT_EQ(dlg().receivedCount(), 0);
    tick();
    EXPECT_EQ(area(), "\r\n");
}

TEST_F(VeltraTest, TypedCharacterGoesOutAndTheAreaKeepsOnlyReceivedData)
{
    struct Case {
        const char* name;
        std::string edited; // the area after the user's edit of "rx"
        int caret;
        std::string sent;
    };
    const Case cases[] = {
        {"letter", "rxa", -1, "a"},
        {"Enter sends CR only", "rx\r\n", -1, "\r"},
        {"Backspace sends the byte before the caret", "r", -1, "r"},
        {"double-byte character whole", "rx\xD6\xD0", -1, "\xD6\xD0"},
        {"typed in the middle", "rZx", 2, "Z"},
        {"paste sends the last character", "rxhello", -1, "o"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        peerSends("rx");
        tick();
        surface.userEdit(ReceiveArea, c.edited, c.caret);
        edited(ReceiveArea);
        EXPECT_EQ(pty.readUntil(c.sent.size()), c.sent);
        EXPECT_EQ(dlg().sentCount(), static_cast<std::int64_t>(c.sent.size()));
        EXPECT_EQ(surface.text(SentCount), std::to_string(c.sent.size()));
        EXPECT_EQ(area(), "rx");
        EXPECT_EQ(dlg().receiveText(), "rx");
        EXPECT_EQ(surface.selectionStart(ReceiveArea), 2);
        EXPECT_TRUE(surface.messages.empty());
        click(ConnectButton);
    }
}

// The area alone keeps what was received: a typed key puts back what it
// held before the user's edits, the half character waiting for its second
// byte too, and edits kept while the port was closed count as received
// once the poll has written after them.
TEST_F(VeltraTest, TypingPutsBackTheAreaAsTheLastWriteLeftIt)
{
    enum Kind { Receive, Quiet, Port, Type };
    struct Step {
        Kind kind;
        std::string text; // Receive: bytes; Type: the area after the edit
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::string shown, sent;
    };
    const Case cases[] = {
        {"a half character waits through the typing",
         {{Receive, "rx\xD6"}, {Type, "rxa"}, {Receive, "\xD0"}},
         "rx\xD6\xD0",
         "a"},
        {"edits made with the port closed are undone too",
         {{Receive, "rx"}, {Port, ""}, {Type, "rxa"}, {Port, ""}, {Type, "rxab"}},
         "rx",
         "b"},
        {"they stay once the poll wrote after them, if only a burst's end",
         {{Receive, "rx"}, {Port, ""}, {Type, "rxa"}, {Port, ""}, {Quiet, ""}, {Type, "rxab"}},
         "rxa",
         "b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        for (const Step& step : c.steps) {
            switch (step.kind) {
            case Receive: peerSends(step.text); [[fallthrough]];
            case Quiet: tick(); break;
            case Port: click(ConnectButton); break;
            case Type:
                surface.userEdit(ReceiveArea, step.text);
                edited(ReceiveArea);
                break;
            }
        }
        EXPECT_EQ(area(), c.shown);
        EXPECT_EQ(dlg().receiveText(), c.shown);
        EXPECT_EQ(pty.drain(), c.sent);
        click(ConnectButton);
    }
}

TEST_F(VeltraTest, TypingWithThePortClosedSaysSoAndKeepsTheText)
{
    start();
    surface.userEdit(ReceiveArea, "a");
    edited(ReceiveArea);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("串口未打开！"));
    EXPECT_EQ(surface.messages[0].caption, "Veltra");
    EXPECT_EQ(area(), "a");
    EXPECT_EQ(dlg().receiveText(), "a");
    EXPECT_EQ(dlg().sentCount(), 0);
}

TEST_F(VeltraTest, ALoneCarriageReturnReceivedStaysAsReceived)
{
    // Handlers that write all bound values back must not turn what was
    // received into something else.
    startConnected();
    peerSends("a\rb");
    tick();
    click(ClearSend);
    typeInto(SendArea, "x");
    EXPECT_EQ(dlg().receiveText(), "a\rb");
    peerSends("c");
    tick();
    EXPECT_EQ(area(), "a\rbc");
}

TEST_F(VeltraTest, AnIdlePollWaitsForThePort)
{
    struct Case {
        const char* name;
        std::vector<std::string> peer; // one per tick; "" for a quiet tick
        int lineBreak;
        bool waits;
        int msApart = kPollMs; // between the ticks
    };
    const Case cases[] = {
        {"nothing came", {""}, 1, true},
        {"a tick that read, its line break to come", {"ab"}, 1, false},
        {"the burst's first quiet tick ends it", {"ab", ""}, 1, true},
        {"a tick that read, no line break: nothing left to show", {"ab"}, 0, true},
        {"more than a read's worth: the line is busy", {std::string(kReadChunk + 1, 'x')}, 0, false},
        {"a flood read whole, then a quiet poll", {std::string(kReadChunk + 1, 'x'), ""}, 0, true},
        {"pieces a period apart each rest", {"ab", "cd"}, 0, true},
        {"pieces sooner than a period apart keep the period", {"ab", "cd", "ef"}, 0, false, 1},
        {"a quiet tick ends the stream", {"ab", "cd", "", "ef"}, 0, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        surface.setCheck(BurstNewline, c.lineBreak);
        for (const std::string& p : c.peer) {
            if (!p.empty())
                peerSends(p);
            tick();
            clock.ms += c.msApart;
        }
        EXPECT_EQ(surface.ticking(PollTimer), !c.waits);
        if (c.waits) {
            EXPECT_EQ(surface.pausedTimers.at(PollTimer), dlg().port().fd());
        }
        click(ConnectButton);
        EXPECT_EQ(surface.pausedTimers.count(PollTimer), 0U);
    }
}

TEST_F(VeltraTest, ABurstWaitingAcrossACloseEndsAtTheFirstQuietTickAfter)
{
    struct Case {
        const char* name;
        int breakBefore, breakAfter; // "数据帧换行" while it came, and at the reopen
        std::string shown;
    };
    const Case cases[] = {
        {"rested on, break ticked while closed", 0, 1, "ab\r\n"},
        {"rested on, break left off", 0, 0, "ab"},
        {"break on throughout", 1, 1, "ab\r\n"},
        {"break taken off while closed", 1, 0, "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        surface.setCheck(BurstNewline, c.breakBefore);
        peerSends("ab");
        tick();
        click(ConnectButton);
        surface.setCheck(BurstNewline, c.breakAfter);
        click(ConnectButton);
        tick();
        EXPECT_EQ(area(), c.shown);
        // No burst is left waiting: a further quiet tick adds no break.
        surface.setCheck(BurstNewline, 1);
        tick();
        EXPECT_EQ(area(), c.shown);
        click(ConnectButton);
    }
}

TEST_F(VeltraTest, ClosingAsksFirstWhenReceivedDataIsUnsaved)
{
    enum Then { Nothing, Saved, SaveFailed, Cleared, MoreAfterSave };
    struct Case {
        const char* name;
        bool received;
        Then then;
        dialog::MessageAnswer answer;
        bool asked, closes;
    };
    using A = dialog::MessageAnswer;
    const Case cases[] = {
        {"nothing received", false, Nothing, A::Yes, false, true},
        {"unsaved, yes", true, Nothing, A::Yes, true, true},
        {"unsaved, no keeps the window", true, Nothing, A::No, true, false},
        {"saved", true, Saved, A::No, false, true},
        {"the save failed", true, SaveFailed, A::No, true, false},
        {"emptied with the clear", true, Cleared, A::No, false, true},
        {"more came after the save", true, MoreAfterSave, A::No, true, false},
    };
    const TempDir dir{"veltra-close"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startConnected();
        if (c.received) {
            peerSends("ab");
            tick();
        }
        if (c.then == Saved || c.then == SaveFailed || c.then == MoreAfterSave) {
            surface.fileAnswers.emplace_back(dialog::gbkFromPath(dir / (c.then == SaveFailed ? "no/v.txt" : "v.txt")));
            click(Save);
        }
        if (c.then == Cleared)
            click(ClearReceive);
        if (c.then == MoreAfterSave) {
            peerSends("c");
            tick();
        }
        surface.messages.clear();
        surface.messageAnswers.push_back(c.answer);
        EXPECT_EQ(dlg().onCloseRequest(), c.closes);
        ASSERT_EQ(surface.messages.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(surface.messages[0].text, gbk("接收区的数据还没有保存，仍然退出吗？"));
            EXPECT_EQ(surface.messages[0].buttons, dialog::MessageButtons::YesNo);
            EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Question);
        }
        surface.messageAnswers.clear();
        click(ConnectButton);
    }
}
