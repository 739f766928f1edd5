#include "TrafficFixture.h"

#include "quillon/receive/FrameText.h"
#include "quillon/receive/ReceiveLog.h"
#include "quillon/send/HexTextCodec.h"

#include <algorithm>
#include <functional>

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;

TEST(KeywordMatches, FindsTheKeyAnywhereInTheFrame)
{
    struct Case {
        const char* name;
        std::string frame;
        std::string key;
        bool matches;
    };
    const Case cases[] = {
        {"inside", "ABCD", "BC", true},
        {"at the very end", "ABC", "BC", true},
        {"the whole frame", "BC", "BC", true},
        {"at the start", "BCA", "BC", true},
        {"absent", "ABD", "BC", false},
        {"case matters", "abc", "BC", false},
        {"longer than the frame", "B", "BC", false},
        {"empty key", "A", "", true},
        {"zero bytes compared", std::string("\0B\0", 3), std::string("B\0", 2), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(keywordMatches(reinterpret_cast<const std::uint8_t*>(c.frame.data()), c.frame.size(),
                                 reinterpret_cast<const std::uint8_t*>(c.key.data()), c.key.size()),
                  c.matches);
    }
}

TEST(FrameText, StampAndText)
{
    std::tm tm{};
    tm.tm_year = 106;
    tm.tm_mon = 9;
    tm.tm_mday = 1;
    tm.tm_hour = 9;
    tm.tm_min = 5;
    tm.tm_sec = 3;
    EXPECT_EQ(timestampText(tm), "[2006:10:01:09:05:03]");
    const std::uint8_t bytes[] = {0x41, 0x00, 0x42};
    EXPECT_EQ(bytesAsText(bytes, 3), "A");
}

TEST(ReceiveLog, LineFeedsBecomeCrLfUnlessACrStandsBefore)
{
    struct Case {
        const char* name;
        std::string record;
        bool lineEnd;
        std::string file;
    };
    const Case cases[] = {
        {"CR LF from the device stays", "L1\r\nL2\n", false, "L1\r\nL2\r\n"},
        {"lone line feeds", "\nA\n\n", false, "\r\nA\r\n\r\n"},
        {"CR CR LF keeps the first CR", "A\r\r\n", false, "A\r\r\n"},
        {"line end", "A", true, "A\r\n"},
        {"line end after a record ending in CR", "A\r", true, "A\r\n"},
        {"line end after CR LF", "A\r\n", true, "A\r\n\r\n"},
        {"line end alone", "", true, "\r\n"},
    };
    const TempDir dir{"quillon-log"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / "log.txt";
        fs::remove(file);
        ASSERT_FALSE(appendToLog(file, c.record, c.lineEnd));
        EXPECT_EQ(dialog::readWholeFile(file).value_or("?"), c.file);
    }
}

TEST_F(TrafficTest, FrameEndsAfterOneToFourQuietTicks)
{
    // Quiet polls are counted on a cycle of four that data does not reset;
    // it starts again at the poll that ends a frame.
    deviceSends(Bytes{0x40});
    for (int i = 0; i < 10 && counter(RxFrames) == 0; ++i)
        ticks(1);
    for (int quietBefore = 0; quietBefore < 4; ++quietBefore) {
        SCOPED_TRACE(quietBefore);
        ticks(quietBefore);
        const auto framesBefore = counter(RxFrames);
        deviceSends(Bytes{0x41, 0x42, 0x43});
        ticks(1);
        int quiet = 0;
        while (counter(RxFrames) == framesBefore && quiet < 10) {
            ticks(1);
            ++quiet;
        }
        EXPECT_EQ(quiet, 4 - quietBefore);
    }
    EXPECT_EQ(shown(), "40 41 42 43 41 42 43 41 42 43 41 42 43 ");
    EXPECT_EQ(inColour(kRed), shown());
    EXPECT_EQ(surface.text(RxFrames), "5");
    EXPECT_EQ(surface.text(RxBytes), "13");
}

TEST_F(TrafficTest, FramesAreRenderedAsTheOptionsSay)
{
    struct Case {
        const char* name;
        int hex, stamp, marker, newline;
        Bytes frame;
        std::string view; // after the first frame's text
        std::string log;
    };
    const std::string stamp = "[2006:10:01:01:05:03]";
    // clang-format off
    const Case cases[] = {
        {"hex", 1, 0, 0, 0, {0x01, 0x02}, "01 02 ", "01 02 "},
        {"stamp and marker", 1, 1, 1, 0, {0x01, 0x02}, stamp + gbk("[接收]") + "01 02 ",
         stamp + gbk("[接收]") + "01 02 \r\n"},
        {"marker only", 1, 0, 1, 0, {0xFF}, gbk("[接收]") + "FF ", gbk("[接收]") + "FF "},
        {"newline before the frame", 1, 0, 0, 1, {0x0A}, "\r0A ", "0A \r\n"},
        {"text ends at a zero byte", 0, 0, 0, 0, {0x41, 0x00, 0x42}, "A", "A"},
        {"text in GBK, LF logged as CR LF", 0, 0, 0, 0, {0xD6, 0xD0, 0x0A}, "\xD6\xD0\n", "\xD6\xD0\r\n"},
        {"text CR LF logged as it came", 0, 0, 0, 0, {'L', '1', '\r', '\n', 'L', '2', '\n'}, "L1\r\nL2\n",
         "L1\r\nL2\r\n"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.setRichText(ReceiveView, std::string(24, ' '));
        fs::remove(logFile);
        surface.setCheck(RxHex, c.hex);
        surface.setCheck(ShowTimestamp, c.stamp);
        surface.setCheck(ShowSent, c.marker);
        surface.setCheck(FrameNewline, c.newline);
        if (surface.text(SaveToggle) == gbk("保存数据"))
            click(SaveToggle);
        deviceSends(c.frame);
        ticks(1);
        settle();
        EXPECT_EQ(shown(), c.view);
        EXPECT_EQ(logged(), c.log);
    }
    EXPECT_EQ(surface.text(SaveToggle), gbk("停止保存"));
}

TEST_F(TrafficTest, LineBreakOnlyWhenTheViewHoldsText)
{
    surface.setCheck(FrameNewline, 1);
    deviceSends(Bytes{0x01});
    settle();
    EXPECT_EQ(surface.richText(ReceiveView), std::string(24, ' ') + "\r01 ");
    click(ClearView);
    deviceSends(Bytes{0x02});
    settle();
    EXPECT_EQ(surface.richText(ReceiveView), "02 "); // the first frame after a clear: none
}

TEST_F(TrafficTest, KeywordFilter)
{
    struct Case {
        const char* name;
        int hex;
        std::string keyword;
        std::string frame;
        bool shown;
    };
    const Case cases[] = {
        {"text key inside", 0, "BC", "ABCD", true},
        {"text key at the end", 0, "BC", "ABC", true},
        {"text key is the frame", 0, "BC", "BC", true},
        {"text key absent", 0, "BC", "ACB", false},
        {"long text key", 0, "0123456789AB", "xx0123456789ABxx", true},
        {"hex key, lower case typed", 1, "4c 4d", "KLMN", true},
        {"hex key absent", 1, "4D4C", "KLMN", false},
        {"invalid hex key hides every frame", 1, "4G", "4G", false},
    };
    surface.setCheck(KeywordFilter, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.setRichText(ReceiveView, "");
        surface.setCheck(RxHex, c.hex);
        surface.setText(Keyword, c.keyword);
        awaitAnswer();
        deviceSends(c.frame);
        settle();
        EXPECT_EQ(!shown().empty(), c.shown);
        EXPECT_EQ(dlg().answerWait().answerPending, 0); // every frame is an answer
    }
}

TEST_F(TrafficTest, StoppedDisplayStillCountsAndAnswers)
{
    click(DisplayToggle);
    EXPECT_EQ(surface.text(DisplayToggle), gbk("继续显示"));
    awaitAnswer();
    click(SaveToggle);
    deviceSends(Bytes{0x01, 0x02});
    settle();
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(logged(), "");
    EXPECT_EQ(counter(RxFrames), 1);
    EXPECT_EQ(dlg().answerWait().answerPending, 0);
    click(DisplayToggle);
    EXPECT_EQ(surface.text(DisplayToggle), gbk("停止显示"));
}

TEST_F(TrafficTest, AutoClearEmptiesTheViewBeforeItOverflows)
{
    struct Case {
        const char* name;
        int autoClear;
        int breaks; // the view holds breaks + 1 lines
        std::size_t frameBytes;
        bool cleared;
    };
    // A frame of n bytes renders as 3n characters, 3n div 84 lines.
    const Case cases[] = {
        {"16 lines and a short frame", 1, 15, 1, true},
        {"15 lines and a short frame", 1, 14, 1, false},
        {"14 lines and two lines more", 1, 13, 83, true},
        {"13 lines and two lines more", 1, 12, 83, false},
        {"auto clear off", 0, 30, 83, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.setCheck(AutoClear, c.autoClear);
        const std::string before(static_cast<std::size_t>(c.breaks), '\r');
        surface.setRichText(ReceiveView, before);
        const Bytes frame(c.frameBytes, 0x55);
        deviceSends(frame);
        settle();
        EXPECT_EQ(surface.richText(ReceiveView), (c.cleared ? "" : before) + formatHex(frame));
    }
}

TEST_F(TrafficTest, NoByteIsLostWhenAFrameOutgrowsItsBuffer)
{
    Bytes burst(5000);
    for (std::size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<std::uint8_t>(i * 7);
    surface.setCheck(AutoClear, 0);
    click(SaveToggle);
    deviceSends(burst);
    // The kernel hands the rest on as the reader makes room.
    for (int i = 0; i < 500 && counter(RxBytes) < 5000; ++i) {
        test_support::waitReadable(dlg().device().fd(), 10);
        ticks(1);
    }
    settle();
    ASSERT_EQ(counter(RxBytes), 5000);
    EXPECT_EQ(counter(RxFrames), 2);
    const std::string all = formatHex(burst);
    const std::string view = shown();
    ASSERT_EQ(view.size(), all.size());
    const auto diff = std::mismatch(view.begin(), view.end(), all.begin());
    EXPECT_EQ(diff.first - view.begin(), static_cast<long>(all.size()));
    EXPECT_EQ(logged() == all, true);
}

TEST_F(TrafficTest, AFastLineIsReadWholeEachTickAndFramedAsOneReadATickWould)
{
    auto counting = [](std::size_t n) {
        Bytes b(n);
        for (std::size_t i = 0; i < n; ++i)
            b[i] = static_cast<std::uint8_t>(i * 7);
        return b;
    };
    auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    std::string pairs = "A"; // then characters whose both bytes could lead one
    for (int i = 0; i < 3000; ++i)
        pairs += gbk("啊");
    struct Case {
        const char* name;
        std::vector<Bytes> bursts; // each ends quiet
        int hex;
        std::size_t perTick = 3000; // 3 Mbaud's share of a tick
    };
    const Case cases[] = {
        {"a long burst cut for size", {counting(20000)}, 1},
        {"bursts with quiet ends between", {counting(5000), counting(300), counting(9000)}, 1},
        {"full reads end with an empty one, which is no quiet poll", {counting(std::size_t{6} * 3072)}, 1, 3072},
        {"a character parted between two reads is joined", {text(std::string(1023, 'A') + gbk("中文") + "B")}, 0},
        {"characters across the size cut", {text(pairs)}, 0},
    };
    struct Seen {
        std::string view;
        std::int64_t bytes = 0, frames = 0;
    };
    auto feed = [&](const Case& c, std::size_t perTick) {
        click(ClearView);
        click(ClearCounters);
        for (const Bytes& burst : c.bursts) {
            for (std::size_t at = 0; at < burst.size(); at += perTick) {
                const auto from = burst.begin() + static_cast<std::ptrdiff_t>(at);
                deviceSends(Bytes(from, from + static_cast<std::ptrdiff_t>(std::min(perTick, burst.size() - at))));
                ticks(1);
            }
            settle();
        }
        return Seen{shown(), counter(RxBytes), counter(RxFrames)};
    };
    surface.setCheck(AutoClear, 0);
    surface.setCheck(FrameNewline, 1); // every frame's start shows
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface.setCheck(RxHex, c.hex);
        std::int64_t total = 0;
        for (const Bytes& b : c.bursts)
            total += static_cast<std::int64_t>(b.size());
        // Short reads, one a tick, as the one-read tick had them.
        const Seen oneRead = feed(c, 1000);
        const Seen fast = feed(c, c.perTick);
        const auto parted = std::mismatch(fast.view.begin(), fast.view.end(), oneRead.view.begin(), oneRead.view.end());
        EXPECT_TRUE(fast.view == oneRead.view) << "parts at " << parted.first - fast.view.begin();
        EXPECT_EQ(fast.frames, oneRead.frames);
        EXPECT_EQ(fast.bytes, total);
        EXPECT_EQ(oneRead.bytes, total);
    }
}

TEST_F(TrafficTest, LogFailureIsReportedOnceUntilAnAppendSucceeds)
{
    click(SaveToggle);
    const std::string bad = (configDir / "missing" / "log.txt").string();
    surface.setText(LogPath, bad);
    for (int i = 0; i < 3; ++i) {
        deviceSends(Bytes{0x01});
        settle();
    }
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("没有找到 ") + bad + gbk("。"));
    EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Stop);
    EXPECT_EQ(counter(RxFrames), 3); // the frame ends whatever the log did

    surface.setText(LogPath, logFile.string());
    deviceSends(Bytes{0x02});
    settle();
    EXPECT_EQ(logged(), "02 ");
    surface.setText(LogPath, bad);
    deviceSends(Bytes{0x03});
    settle();
    EXPECT_EQ(surface.messages.size(), 2u);
}

TEST_F(TrafficTest, LogFailureIsReportedAgainAfterTheUserActs)
{
    const std::string bad = (configDir / "missing" / "log.txt").string();
    struct Case {
        const char* name;
        std::function<void()> act;
        bool reportedAgain;
    };
    // clang-format off
    const Case cases[] = {
        {"nothing done", [] {}, false},
        {"another failing file chosen", [&] { surface.fileAnswers.emplace_back(bad + "2"); click(ChangeFile); }, true},
        {"logging switched off and on", [&] { click(SaveToggle); click(SaveToggle); }, true},
    };
    // clang-format on
    click(SaveToggle);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface.setText(LogPath, bad);
        deviceSends(Bytes{0x01});
        settle();
        surface.messages.clear(); // the failure has been reported
        c.act();
        deviceSends(Bytes{0x02});
        settle();
        EXPECT_EQ(surface.messages.size(), c.reportedAgain ? 1u : 0u);
    }
}

TEST_F(TrafficTest, ChangeFileSendsLaterRecordsToTheNewFile)
{
    click(SaveToggle);
    deviceSends(Bytes{0x01});
    settle();
    const fs::path other = configDir / "other.txt";
    surface.fileAnswers.emplace_back(other.string());
    click(ChangeFile);
    EXPECT_EQ(surface.fileDialogs.back().filter, gbk("文本文件(*.txt)|*.txt||"));
    EXPECT_EQ(surface.text(LogPath), other.string());
    deviceSends(Bytes{0x02});
    settle();
    EXPECT_EQ(logged(), "01 ");
    EXPECT_EQ(dialog::readWholeFile(other).value_or(""), "02 ");
}

TEST_F(TrafficTest, TickRefillsShortPeriodsAndReportsABadIntegerOnce)
{
    surface.setText(Area1Period, "5");
    surface.setText(RotationPeriod, "");
    ticks(1);
    EXPECT_EQ(surface.text(Area1Period), "10");
    EXPECT_EQ(surface.text(RotationPeriod), "10");

    surface.setText(AnswerTimeout, "5x");
    int shownWhileOpen = 0;
    surface.onMessage = [&](const auto&) {
        // Ticks go on while the box is open, and a button can still be
        // pressed through accessibility tools; none may open another box.
        if (++shownWhileOpen == 1) {
            ticks(3);
            click(Area1Send);
        }
    };
    ticks(20);
    EXPECT_EQ(shownWhileOpen, 1);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("请键入一个整数。"));
    EXPECT_EQ(surface.focused, AnswerTimeout);
    surface.setText(AnswerTimeout, "5");
    ticks(1);
    surface.setText(AnswerTimeout, "5x");
    ticks(1);
    EXPECT_EQ(surface.messages.size(), 2u);
}

TEST_F(TrafficTest, ClearCountersShowsZeros)
{
    deviceSends(Bytes{0x01, 0x02});
    settle();
    EXPECT_EQ(surface.text(RxBytes), "2");
    click(ClearCounters);
    for (int id : {RxBytes, RxFrames, TxBytes, TxFrames})
        EXPECT_EQ(surface.text(id), "0") << id;
    EXPECT_EQ(counter(RxBytes), 0);
}

TEST_F(TrafficTest, NothingIsPolledWhileThePortIsClosed)
{
    click(OpenButton);
    ASSERT_EQ(surface.text(OpenButton), gbk("打开串口"));
    ASSERT_TRUE(pty.writeAll("\x01"));
    ticks(10);
    EXPECT_EQ(counter(RxBytes), 0);
}

TEST_F(TrafficTest, AnIdleTickWaitsForThePortOrTheUser)
{
    struct Case {
        const char* name;
        std::function<void()> before;
        bool waits;
    };
    // clang-format off
    const Case cases[] = {
        {"nothing to do", [] {}, true},
        {"a frame still pending", [&] { deviceSends("A"); }, false},
        {"auto-send ticked", [&] { surface.setText(Area1Text, "01"); surface.setCheck(Area1Auto, 1); click(Area1Auto); }, false},
        {"the area rotation runs",
         [&] {
             surface.setText(Area1Text, "01");
             surface.setCheck(Area1TakesPart, 1);
             click(AreaRotationButton);
         },
         false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.before();
        ticks(1);
        EXPECT_EQ(surface.ticking(MainTick), !c.waits);
        if (c.waits) {
            EXPECT_EQ(surface.pausedTimers.at(MainTick), dlg().device().fd());
        }
        // Any user action wakes it, with its period.
        click(ClearView);
        EXPECT_TRUE(surface.ticking(MainTick));
        EXPECT_EQ(surface.timers.at(MainTick), 10);
        surface.setCheck(Area1Auto, 0);
        click(Area1Auto);
        if (surface.text(AreaRotationButton) != gbk("开始轮发"))
            click(AreaRotationButton);
        settle();
        deviceReceived();
    }
    // The frame that kept it awake still ends, and then it waits again.
    EXPECT_EQ(counter(RxFrames), 1);
    EXPECT_FALSE(surface.ticking(MainTick));
    // Closing the window lets go of the descriptor the tick waits for.
    EXPECT_TRUE(dlg().onCloseRequest());
    EXPECT_EQ(surface.pausedTimers.count(MainTick), 0U);
}
