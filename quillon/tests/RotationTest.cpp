// Both rotations and their shared answer wait, driven tick by tick with a
// clock that moves 10 ms per tick, against a host that records what they do.

#include "QuillonFixture.h"

#include "dialog/Gbk.h"
#include "quillon/send/AreaRotation.h"
#include "quillon/send/FileRotation.h"
#include "quillon/send/HexTextCodec.h"

#include <functional>
#include <map>
#include <set>

namespace quillon::testing {
namespace {

using dialog::gbk;

// "T: what" per send (an area, or a file line as "#shown-line bytes" with
// the echoed text when it differs), caption change and message.
struct RecordingHost : RotationHost {
    int now = 0;
    std::vector<std::string> events, messages;
    std::map<int, std::string> texts;
    std::function<void()> onSend;
    std::set<int> nothingToSend; // areas that are passed over

    void record(const std::string& what) { events.push_back(std::to_string(now) + ": " + what); }
    bool sendArea(int n) override
    {
        if (nothingToSend.count(n))
            return false;
        record("area " + std::to_string(n));
        onSend();
        return true;
    }
    void sendLine(const std::vector<std::uint8_t>& bytes, const std::string& text) override
    {
        std::string hex = formatHex(bytes.data(), bytes.size());
        hex.pop_back();
        record("#" + texts[FileCurrentLine] + " " + hex + (hex == text ? "" : " echo " + text));
        onSend();
    }
    void setControlText(int id, const std::string& t) override
    {
        texts[id] = t;
        if (id == AreaRotationButton || id == FileRotationButton)
            record(t);
    }
    void enableControl(int, bool) override {}
    void reportMessage(const std::string& t, dialog::MessageIcon) override
    {
        messages.push_back(t);
        record("message");
    }
};

struct Script {
    int ticks = 0;
    std::set<int> buttonAt = {0};
    int answerAfter = -1; // ticks after each send; -1: no answer ever
    std::set<int> answersAt = {};
    int lowerRetriesAt = -1; // from this tick, retryCount 0
};

struct Case {
    const char* name;
    std::string input; // the take-part boxes ("101", "e": nothing to send), or the file's content
    RotationSettings settings;
    Script script;
    std::vector<std::string> expected;
    std::string message = {}; // %1: the file's path
    int pending = 0, lastSent = 0, area1Hex = 1, deleteAt = -1;
};

class RotationTest : public ::testing::Test {
protected:
    static constexpr std::time_t kStart = 1159664700;

    void run(const Case& c, const std::function<void()>& press, const std::function<void()>& tick)
    {
        std::set<int> answers = c.script.answersAt;
        host.onSend = [&] {
            if (c.script.answerAfter >= 0)
                answers.insert(host.now + c.script.answerAfter);
        };
        for (int t = 0; t < c.script.ticks; ++t) {
            host.now = t;
            clock.seconds = kStart + t / 100;
            if (t == c.script.lowerRetriesAt)
                settings.retryCount = 0;
            if (c.script.buttonAt.count(t))
                press();
            tick();
            if (answers.erase(t)) // the receive comes last in a tick
                wait.frameEnded();
        }
        EXPECT_EQ(host.events, c.expected);
    }
    void prepare(const Case& c)
    {
        host = {};
        settings = c.settings;
        wait = AnswerWait{c.pending, kStart - 3, 0};
        for (std::size_t i = 0; i < 3; ++i) {
            areas[i].takesPart = i < c.input.size() && (c.input[i] == '1' || c.input[i] == 'e');
            if (i < c.input.size() && c.input[i] == 'e')
                host.nothingToSend.insert(static_cast<int>(i) + 1);
        }
        areas[0].hex = c.area1Hex;
    }

    FakeClock clock;
    RecordingHost host;
    RotationSettings settings;
    std::array<SendArea, 3> areas;
    AnswerWait wait;
};

const std::string kStarted = "0: " + gbk("停止轮发"), kStopped = gbk("开始轮发");

TEST_F(RotationTest, AreasGoOutInTurn)
{
    // clang-format off
    const Case cases[] = {
        {"only area 2, every 101st tick at 1000 ms", "010", {}, {.ticks = 303},
         {kStarted, "100: area 2", "201: area 2", "302: area 2"}},
        {"period 10 ms: a step every second tick", "110", {.rotationPeriodMs = 10}, {.ticks = 6},
         {kStarted, "1: area 1", "3: area 2", "5: area 1"}},
        {"once through 1 and 3: stops a period later; a start begins at 1", "101", {.rotateOnce = 1},
         {.ticks = 501, .buttonAt = {0, 400}},
         {kStarted, "100: area 1", "201: area 3", "302: " + kStopped, "400: " + gbk("停止轮发"), "500: area 1"}},
        {"stopped by the button: goes on after the area sent last", "111", {},
         {.ticks = 252, .buttonAt = {0, 150, 200}},
         {kStarted, "100: area 1", "150: " + kStopped, "200: " + gbk("停止轮发"), "251: area 2"}},
        {"no area takes part", "000", {.rotationPeriodMs = 10}, {.ticks = 9}, {kStarted}},
        {"no answer: each area twice, 6 s apart", "110", {.answerMode = 1}, {.ticks = 1801},
         {kStarted, "0: area 1", "600: area 1", "1200: area 2", "1800: area 2"}},
        {"an answer 100 ms after each send: next on the tick after it", "111", {.answerMode = 1},
         {.ticks = 34, .answerAfter = 10}, {kStarted, "0: area 1", "11: area 2", "22: area 3", "33: area 1"}},
        {"started while an answer is awaited: re-sends at the old time-out", "111", {.answerMode = 1},
         {.ticks = 901}, {kStarted, "300: area 2", "900: area 3"}, {}, 1, 2},
        {"started while an answer is awaited: steps on an answer", "111", {.answerMode = 1},
         {.ticks = 30, .answersAt = {20}}, {kStarted, "21: area 3"}, {}, 1, 2},
        {"re-send count lowered below those made: the next time-out moves on", "110",
         {.answerMode = 1, .retryCount = 2}, {.ticks = 1801, .lowerRetriesAt = 700},
         {kStarted, "0: area 1", "600: area 1", "1200: area 2", "1800: area 1"}},
        {"an area with nothing to send is passed over in the same step", "11e", {.answerMode = 1},
         {.ticks = 34, .answerAfter = 10}, {kStarted, "0: area 1", "11: area 2", "22: area 1", "33: area 2"}},
        {"once through: an area with nothing to send ends the pass", "1e", {.rotationPeriodMs = 10, .rotateOnce = 1},
         {.ticks = 5}, {kStarted, "1: area 1", "3: " + kStopped}},
        {"no area with anything to send: stops with one message", "e0e", {.rotationPeriodMs = 10}, {.ticks = 5},
         {kStarted, "1: " + kStopped, "1: message"},
         gbk("参加轮发的发送区都没有可以发送的数据，发送区轮发已停止。")},
        {"answer-driven once through: ends when the last frame times out", "010",
         {.answerMode = 1, .retryCount = 0, .rotateOnce = 1}, {.ticks = 700},
         {kStarted, "0: area 2", "600: " + kStopped}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prepare(c);
        AreaRotation rotation{host, settings, areas, wait, clock};
        rotation.rotationArea = c.lastSent;
        run(
            c, [&] { rotation.onStartStop(false); }, [&] { rotation.tick(); });
        EXPECT_EQ(host.messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    }
}

std::string withPath(std::string text, const std::string& path)
{
    if (const auto at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, path);
    return text;
}

class FileRotationTest : public RotationTest {
protected:
    TempDir dir{"quillon-rotation"};
};

TEST_F(FileRotationTest, LinesGoOutInTurn)
{
    const std::string started = "0: " + gbk("停止文件轮发"), stopped = gbk("开始文件轮发");
    const std::string noLine = gbk("发送文件%1中没有可以发送的行，文件轮发已停止。");
    const RotationSettings everyTick{.rotationPeriodMs = 10};
    // clang-format off
    const Case cases[] = {
        {"three lines, one every 72nd tick at 1000 ms", "01 02\n03 04\n05 06\n", {}, {.ticks = 288},
         {started, "71: #1 01 02", "143: #2 03 04", "215: #3 05 06", "287: #1 01 02"}},
        {"once through: stops after the last line; a start begins at 1", "01\n02\n03\n", {.rotateOnce = 1},
         {.ticks = 322, .buttonAt = {0, 250}},
         {started, "71: #1 01", "143: #2 02", "215: #3 03", "215: " + stopped, "250: " + gbk("停止文件轮发"),
          "321: #1 01"}},
        {"upper-cased; a line with a comma is passed over", "0a 0b\n01,02\n03\n", everyTick, {.ticks = 3},
         {started, "0: #1 0A 0B", "1: #3 03", "2: #1 0A 0B"}},
        {"a last line without a line break", "01\n02", everyTick, {.ticks = 3},
         {started, "0: #1 01", "1: #2 02", "2: #1 01"}},
        {"CR LF lines read as text", "01 02\r\n03\r\n", everyTick, {.ticks = 2}, {started, "0: #1 01 02", "1: #2 03"},
         {}, 0, 0, 0},
        {"a tab is hex while area 1's box is ticked", "01\t02\n", everyTick, {.ticks = 1},
         {started, "0: #1 01 02 echo 01\t02"}},
        {"a tab is no hex while area 1's box is clear", "01\t02\n03\n", everyTick, {.ticks = 1}, {started, "0: #2 03"},
         {}, 0, 0, 0},
        {"empty lines are passed over in the same step", "01\n\n\n03\n", everyTick, {.ticks = 2},
         {started, "0: #1 01", "1: #4 03"}},
        {"no line to send: stops with one message", "zz\n\n\n", everyTick, {.ticks = 5},
         {started, "0: " + stopped, "0: message"}, noLine},
        {"a line over 4096 bytes is refused whole, reported once", std::string(8194, '0') + "\n01\n", everyTick,
         {.ticks = 2}, {started, "0: message", "0: #2 01", "1: #2 01"},
         gbk("发送文件第1行的数据有4097字节，超过4096字节，没有发送。")},
        {"a 10 MB line", "01\n" + std::string(10 << 20, 'a') + "\n02", everyTick, {.ticks = 4},
         {started, "0: #1 01", "1: message", "1: #3 02", "2: #1 01", "3: #3 02"},
         gbk("发送文件第2行的数据有5242880字节，超过4096字节，没有发送。")},
        {"once through: lines that cannot be sent end the pass", "01\nzz\n", {.rotationPeriodMs = 10, .rotateOnce = 1},
         {.ticks = 3}, {started, "0: #1 01", "1: " + stopped}},
        {"a file deleted since it was chosen", "01\n", {}, {.ticks = 200}, {started, "71: " + stopped, "71: message"},
         gbk("没有找到 %1。"), 0, 0, 1, 30},
        {"no answers: each line twice, 6 s apart", "01\n02\n", {.answerMode = 1}, {.ticks = 1801},
         {started, "0: #1 01", "600: #1 01", "1200: #2 02", "1800: #2 02"}},
        {"an answer 100 ms after each line", "01\n02\n", {.answerMode = 1}, {.ticks = 23, .answerAfter = 10},
         {started, "0: #1 01", "11: #2 02", "22: #1 01"}},
        {"started while an answer is awaited: the re-send is line 1", "01\n02\n", {.answerMode = 1}, {.ticks = 901},
         {started, "300: #1 01", "900: #2 02"}, {}, 1},
        {"re-send count lowered below those made: the next time-out moves on", "01\n02\n",
         {.answerMode = 1, .retryCount = 2}, {.ticks = 1801, .lowerRetriesAt = 700},
         {started, "0: #1 01", "600: #1 01", "1200: #2 02", "1800: #1 01"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / "frames.txt";
        writeFile(file, c.input);
        prepare(c);
        FileRotation rotation{host, settings, areas, wait, clock};
        ASSERT_TRUE(rotation.choose(file.string()));
        run(
            c, [&] { rotation.onStartStop(false); },
            [&] {
                if (host.now == c.deleteAt)
                    fs::remove(file);
                rotation.tick();
            });
        EXPECT_EQ(host.messages, c.message.empty() ? std::vector<std::string>{}
                                                   : std::vector<std::string>{withPath(c.message, file.string())});
    }
}

} // namespace
} // namespace quillon::testing
