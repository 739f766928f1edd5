#include "QuillonFixture.h"

#include "dialog/FileIo.h"
#include "dialog/Gbk.h"
#include "quillon/app/SettingsFiles.h"

#include <unistd.h>

#include <vector>

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;

namespace {

struct ListState {
    int id;
    const char* selected;
};

} // namespace

TEST_F(QuillonTest, FirstStartWithoutSettingsFilesShowsTheDefaults)
{
    start();
    const ListState lists[] = {{PortList, "COM1"}, {Baud, "1200"}, {DataBits, "8"}, {Parity, "无"}, {StopBits, "1"}};
    for (const auto& l : lists) {
        SCOPED_TRACE(l.id);
        EXPECT_EQ(surface.selectedText(l.id), gbk(l.selected));
    }
    for (int id : {Area1Hex, Area2Hex, Area3Hex, RxHex, AutoClear, TimedMode})
        EXPECT_EQ(surface.check(id), 1) << id;
    for (int id : {Area1Auto, Area2Auto, Area3Auto, Area1TakesPart, Area2TakesPart, Area3TakesPart, FrameNewline,
                   ShowTimestamp, ShowSent, KeywordFilter, RotateOnce, AnswerMode})
        EXPECT_EQ(surface.check(id), 0) << id;
    for (int id : {Area1Text, Area2Text, Area3Text, Keyword})
        EXPECT_EQ(surface.text(id), "") << id;
    for (int id : {Area1Period, Area2Period, Area3Period, RotationPeriod})
        EXPECT_EQ(surface.text(id), "1000") << id;
    EXPECT_EQ(surface.text(AnswerTimeout), "5");
    EXPECT_EQ(surface.text(RetryCount), "1");
    EXPECT_EQ(surface.text(LogPath), "data.txt");
    for (int id : {RxBytes, RxFrames, TxBytes, TxFrames})
        EXPECT_EQ(surface.text(id), "0") << id;
    EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
    for (int id : {Area1Period, Area2Period, Area3Period})
        EXPECT_FALSE(surface.isEnabled(id)) << id;
    EXPECT_TRUE(surface.isEnabled(RotationPeriod));
    EXPECT_TRUE(surface.isEnabled(AnswerTimeout));
    EXPECT_TRUE(surface.isEnabled(RetryCount));
    EXPECT_EQ(surface.timers.at(MainTick), 10);
    EXPECT_EQ(surface.timers.at(LampTick), 10);
    EXPECT_EQ(surface.richText(ReceiveView), std::string(24, ' '));
    EXPECT_EQ(surface.controls[ReceiveView].defaultColour, (dialog::Rgb{0, 0, 255}));
    EXPECT_FALSE(surface.topmost);
    EXPECT_TRUE(surface.messages.empty());
    EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
    EXPECT_EQ(surface.text(AnswerTimeout), "5");
    EXPECT_EQ(surface.text(RetryCount), "1");
}

TEST_F(QuillonTest, PortSettingsFileIsReadAtStart)
{
    struct Case {
        const char* name;
        std::string content;
        const char* port;
        const char* baud;
        const char* dataBits;
        const char* parity;
        const char* stopBits;
    };
    const Case cases[] = {
        {"full file", "COM12\r\n2\r\n4\r\n1\r\n12\r\n", "COM12", "115200", "7", "空格校验", "2"},
        {"short file: missing indexes are 0", "COM3\r\n1\r\n", "COM3", "110", "6", "无", "1.5"},
        {"lower-case name", "com15\r\n0\r\n2\r\n2\r\n6\r\n", "COM15", "9600", "8", "偶校验", "1"},
        {"name beginning no item leaves COM1", "ttyUSB0\r\n0\r\n0\r\n2\r\n3\r\n", "COM1", "1200", "8", "无", "1"},
        {"a name that begins an item", "COM2\r\n0\r\n3\r\n2\r\n3\r\n", "COM2", "1200", "8", "Mark", "1"},
        {"index outside the list selects nothing", "COM1\r\n9\r\n0\r\n2\r\n40\r\n", "COM1", "", "8", "无", ""},
        {"binary garbage reads as no settings",
         std::string("\0\xFF\x80\x1B[2J\x7F\xA1", 9) + std::string(70000, '\xFE'), "COM1", "110", "6", "无", "1"},
        {"100 MB: the start counts", "COM12\r\n2\r\n4\r\n1\r\n12\r\n" + std::string(100 << 20, '\n'), "COM12", "115200",
         "7", "空格校验", "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        writeFile(configDir / "set.log", c.content);
        start();
        EXPECT_EQ(surface.selectedText(PortList), c.port);
        EXPECT_EQ(surface.selectedText(Baud), c.baud);
        EXPECT_EQ(surface.selectedText(DataBits), c.dataBits);
        EXPECT_EQ(surface.selectedText(Parity), gbk(c.parity));
        EXPECT_EQ(surface.selectedText(StopBits), c.stopBits);
    }
}

TEST_F(QuillonTest, NameThatBeginsNoItemIsReplacedByTheSelectionAtTheNextExchange)
{
    writeFile(configDir / "set.log", "XYZ\r\n0\r\n0\r\n2\r\n40\r\n");
    start();
    // Closing exchanges, then writes what the exchange left.
    ASSERT_TRUE(dlg().onCloseRequest());
    EXPECT_EQ(dialog::readWholeFile(configDir / "set.log").value_or("?"), "COM1\r\n0\r\n0\r\n2\r\n-1\r\n");
}

TEST_F(QuillonTest, SendAreaTextsAreRestored)
{
    writeFile(configDir / "data.log", "01 03 00 00 00 0A\r\nAT\\r\\n\r\n\xB2\xE2\xCA\xD4\r\nextra\r\n");
    start();
    EXPECT_EQ(surface.text(Area1Text), "01 03 00 00 00 0A");
    EXPECT_EQ(surface.text(Area2Text), "AT\r\n");
    EXPECT_EQ(surface.text(Area3Text), "\xB2\xE2\xCA\xD4");
}

TEST_F(QuillonTest, SendAreaFileOfAnySizeOrContentStartsAndSurvivesAClose)
{
    std::string garbage; // every byte value, LF among them
    for (int i = 0; i < 3 * 256; ++i)
        garbage += static_cast<char>(i * 7);
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> texts; // empty: whatever is read
    };
    const Case cases[] = {
        {"binary garbage", garbage, {}},
        {"100 MB of empty lines after the texts", "a\r\nb\r\nc\r\n" + std::string(100 << 20, '\n'), {"a", "b", "c"}},
        {"a 100 MB line: only what is read at start",
         std::string(100 << 20, '7'),
         {std::string(kMaxSettingsFileBytes, '7'), "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        writeFile(configDir / "data.log", c.content);
        start();
        const std::vector<std::string> texts = {surface.text(Area1Text), surface.text(Area2Text),
                                                surface.text(Area3Text)};
        if (!c.texts.empty()) {
            EXPECT_EQ(texts, c.texts);
        }
        ASSERT_TRUE(dlg().onCloseRequest());
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        start();
        EXPECT_EQ(texts, (std::vector<std::string>{surface.text(Area1Text), surface.text(Area2Text),
                                                   surface.text(Area3Text)}));
        EXPECT_TRUE(surface.messages.empty());
    }
}

TEST_F(QuillonTest, CloseWritesBothFilesWithWhatTheControlsHold)
{
    start();
    surface.selectPrefix(PortList, "COM7");
    surface.select(Baud, 6);
    surface.select(DataBits, 1);
    surface.select(Parity, 2);
    surface.select(StopBits, 2);
    surface.setText(Area1Text, "01 02");
    surface.setText(Area2Text, "line1\r\nline2");
    surface.setText(Area3Text, gbk("中文"));
    ASSERT_TRUE(dlg().onCloseRequest());
    EXPECT_EQ(dialog::readWholeFile(configDir / "set.log").value_or("?"), "COM7\r\n2\r\n2\r\n1\r\n6\r\n");
    EXPECT_EQ(dialog::readWholeFile(configDir / "data.log").value_or("?"),
              "01 02\r\nline1\\r\\nline2\r\n" + gbk("中文") + "\r\n");
    EXPECT_TRUE(surface.messages.empty());
}

TEST_F(QuillonTest, SettingsSurviveARestart)
{
    start();
    surface.selectPrefix(PortList, "COM20");
    surface.select(Baud, 12);
    surface.setText(Area2Text, "A\\B\r\nC");
    ASSERT_TRUE(dlg().onCloseRequest());

    surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
    start();
    EXPECT_EQ(surface.selectedText(PortList), "COM20");
    EXPECT_EQ(surface.selectedText(Baud), "115200");
    EXPECT_EQ(surface.text(Area2Text), "A\\B\r\nC");
}

TEST_F(QuillonTest, FileErrorAtCloseIsReportedAndTheUserDecides)
{
    struct Case {
        const char* name;
        fs::path folder;
        dialog::MessageAnswer answer;
        bool closes;
        std::string message; // for set.log, the first file written
    };
    // The settings folder's place is taken by a file.
    const fs::path blocked = configDir / "blocked";
    writeFile(blocked, "x");
    // A read-only folder that holds the last run's files.
    const fs::path locked = configDir / "locked";
    fs::create_directory(locked);
    writeFile(locked / "set.log", "COM5\r\n");
    writeFile(locked / "data.log", "kept\r\n");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    std::vector<Case> cases = {
        {"yes ends the program", blocked, dialog::MessageAnswer::Yes, true,
         gbk((blocked / "set.log").string() + " 中包含无效的路径。")},
        {"no keeps the window", blocked, dialog::MessageAnswer::No, false,
         gbk((blocked / "set.log").string() + " 中包含无效的路径。")},
    };
    // Root writes into any folder: this case runs for other users only.
    if (geteuid() != 0)
        cases.push_back({"a read-only folder keeps the old files", locked, dialog::MessageAnswer::No, false,
                         gbk("对 " + (locked / "set.log").string() + " 的存取被拒绝。")});
    Pty pty{Pty::Slave::Close};
    link("COM1", pty.slavePath());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        serial::PortNames ports(linksDir.path(), [] { return std::vector<fs::path>{}; });
        QuillonMainDialog d(clock, std::move(ports), c.folder);
        d.bind(surface);
        d.onInit();
        surface.selectPrefix(PortList, "COM1");
        d.dispatch(OpenButton, dialog::Notification::Clicked);
        ASSERT_EQ(surface.text(OpenButton), gbk("关闭串口"));
        surface.messages.clear();
        surface.messageAnswers = {dialog::MessageAnswer::Ok, c.answer};
        EXPECT_EQ(d.onCloseRequest(), c.closes);
        if (!c.closes) { // the port is closed by then, and the window says so
            EXPECT_EQ(surface.text(OpenButton), gbk("打开串口"));
        }
        ASSERT_EQ(surface.messages.size(), 2u);
        EXPECT_EQ(surface.messages[0].text, c.message);
        EXPECT_EQ(surface.messages[0].caption, "Quillon");
        EXPECT_EQ(surface.messages[0].icon, dialog::MessageIcon::Stop);
        EXPECT_EQ(surface.messages[1].text, gbk("设置没有保存，仍然退出吗？"));
        EXPECT_EQ(surface.messages[1].caption, "Quillon");
        EXPECT_EQ(surface.messages[1].icon, dialog::MessageIcon::Question);
        EXPECT_EQ(surface.messages[1].buttons, dialog::MessageButtons::YesNo);
    }
    EXPECT_EQ(dialog::readWholeFile(locked / "set.log").value_or("?") +
                  dialog::readWholeFile(locked / "data.log").value_or("?"),
              "COM5\r\nkept\r\n");
    fs::permissions(locked, fs::perms::owner_all);
}

TEST_F(QuillonTest, AboutBoxOpensFromTheButtonAndTheMenu)
{
    start();
    click(About);
    dlg().onMenuCommand(kAboutCommand);
    dlg().onMenuCommand(kAboutCommand + 3); // low four bits are ignored
    dlg().onMenuCommand(32);
    ASSERT_EQ(surface.modalTitles.size(), 3u);
    EXPECT_EQ(surface.modalTitles[0], gbk("关于 Quillon 3.0AD"));
}

// Off at a first start; its entry turns it and the mark follows; the next
// start reads it from quillon.conf; set.log and data.log are left alone. A
// file that cannot be written is no concern of the user's.
TEST_F(QuillonTest, AutoReconnectSwitchIsTurnedByItsEntryAndKept)
{
    const struct {
        const char* name;
        bool unwritable;
        bool atStart;
    } starts[] = {{"first start", false, false}, {"next start", false, true}, {"unwritable file", true, false}};
    for (const auto& c : starts) {
        SCOPED_TRACE(c.name);
        if (c.unwritable) {
            fs::remove(configDir / "quillon.conf");
            fs::create_directory(configDir / "quillon.conf");
        }
        surface = dialog::testing::MemorySurface(quillonMainWindowTemplate());
        start();
        EXPECT_EQ(surface.menuCheck(kAutoReconnectCommand), c.atStart);
        dlg().onMenuCommand(kAutoReconnectCommand);
        EXPECT_EQ(dlg().autoReconnect(), !c.atStart);
        EXPECT_EQ(surface.menuCheck(kAutoReconnectCommand), !c.atStart);
        EXPECT_TRUE(surface.messages.empty());
    }
    EXPECT_FALSE(fs::exists(configDir / "set.log") || fs::exists(configDir / "data.log"));
}

TEST_F(QuillonTest, BadIntegerAtCloseIsReportedAndTheFilesAreStillWritten)
{
    start();
    surface.setText(RotationPeriod, "abc");
    surface.setText(Area1Text, "kept");
    EXPECT_TRUE(dlg().onCloseRequest());
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, gbk("请键入一个整数。"));
    EXPECT_EQ(surface.focused, RotationPeriod);
    EXPECT_EQ(dialog::readWholeFile(configDir / "data.log").value_or("?"), "kept\r\n\r\n\r\n");
}
