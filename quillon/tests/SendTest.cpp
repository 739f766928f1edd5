#include "TrafficFixture.h"

#include "quillon/app/QuillonTemplates.h"
#include "quillon/send/Checksum.h"
#include "quillon/send/HexTextCodec.h"

using namespace quillon;
using namespace quillon::testing;
using dialog::gbk;

TEST_F(TrafficTest, AreaTextsGoOutAsTheyShouldBytes)
{
    struct Case {
        const char* name;
        int hex;
        std::string text;
        Bytes sent;
        int frames; // counted
    };
    const Case cases[] = {
        {"hex, lower case typed", 1, "01 02 0a", {0x01, 0x02, 0x0A}, 1},
        {"hex across typed lines", 1, "01 02\r\n03", {0x01, 0x02, 0x03}, 1},
        {"invalid hex sends nothing", 1, "01 G2", {}, 0},
        {"only spaces: an empty frame, still counted", 1, "   ", {}, 1},
        {"empty text sends nothing", 1, "", {}, 0},
        {"text with a typed line break", 0, "AB\r\nCD", {'A', 'B', '\r', '\n', 'C', 'D'}, 1},
        {"text in GBK", 0, gbk("中a"), {0xD6, 0xD0, 'a'}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.setCheck(Area2Hex, c.hex);
        surface.setText(Area2Text, c.text);
        const auto frames = counter(TxFrames);
        const auto bytes = counter(TxBytes);
        click(Area2Send);
        EXPECT_EQ(deviceReceived(), c.sent);
        EXPECT_EQ(counter(TxFrames) - frames, c.frames);
        EXPECT_EQ(counter(TxBytes) - bytes, static_cast<std::int64_t>(c.sent.size()));
        EXPECT_EQ(surface.text(Area2Text), c.text); // the box keeps what was typed
    }
    EXPECT_EQ(surface.text(TxFrames), "5");
    EXPECT_EQ(surface.text(TxBytes), "15");
    EXPECT_EQ(surface.messages.size(), 1u); // the invalid hex
}

TEST_F(TrafficTest, TextThatIsNoHexIsNotSentAndSaidOncePerText)
{
    enum How { ByHand, AutoSend, Rotation };
    struct Case {
        const char* name;
        How how;
        int area;
        std::string text;
        std::string message; // UTF-8
    };
    const Case cases[] = {
        {"a letter past F, by hand", ByHand, 1, "01 03 0G 0A", "发送区1的第8个字符“G”不是16进制数字，没有发送。"},
        {"a 0x prefix, by hand", ByHand, 2, "0x01 0x02", "发送区2的第2个字符“x”不是16进制数字，没有发送。"},
        {"on the second line, by auto-send", AutoSend, 3, "01 02\r\n03 g4",
         "发送区3的第2行第4个字符“g”不是16进制数字，没有发送。"},
        {"a Chinese character, passed over by the rotation", Rotation, 2, "01 " + gbk("中"),
         "发送区2的第4个字符“中”不是16进制数字，没有发送。"},
    };
    const int texts[] = {Area1Text, Area2Text, Area3Text}, sends[] = {Area1Send, Area2Send, Area3Send};
    const int autos[] = {Area1Auto, Area2Auto, Area3Auto}, periods[] = {Area1Period, Area2Period, Area3Period};
    surface.setText(RotationPeriod, "10");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.messages.clear();
        const int i = c.area - 1;
        surface.setText(texts[i], c.text);
        if (c.how == ByHand) {
            click(sends[i]);
            click(sends[i]);
        } else if (c.how == AutoSend) {
            surface.setCheck(autos[i], 1);
            surface.setText(periods[i], "10");
            ticks(3);
            surface.setCheck(autos[i], 0);
        } else {
            surface.setText(Area1Text, "01");
            surface.setCheck(Area1TakesPart, 1);
            surface.setCheck(Area2TakesPart, 1);
            click(AreaRotationButton);
            ticks(6); // area 1 at every second tick
            click(AreaRotationButton);
        }
        const Bytes got = deviceReceived();
        EXPECT_EQ(got, Bytes(c.how == Rotation ? 3 : 0, 0x01));
        ASSERT_EQ(surface.messages.size(), 1u);
        EXPECT_EQ(dialog::fromGbk(surface.messages[0].text), c.message);
    }
}

TEST_F(TrafficTest, NothingIsSentWhileThePortIsClosed)
{
    click(OpenButton);
    surface.setText(Area1Text, "01");
    click(Area1Send);
    EXPECT_EQ(counter(TxFrames), 0);
}

TEST_F(TrafficTest, SentFramesAreEchoedAndLogged)
{
    struct Case {
        const char* name;
        int showSent, stamp, display;
        bool viewEmpty;
        std::string view; // what the view gains
        std::string log;
    };
    const std::string stamp = "[2006:10:01:01:05:03]";
    const Case cases[] = {
        {"not shown, still logged bare", 0, 1, 1, false, "", "01 02 \r\n"},
        {"shown with marker", 1, 0, 1, false, gbk("[发送]") + "01 02 ", gbk("[发送]") + "01 02 "},
        {"shown with stamp and marker", 1, 1, 1, false, stamp + gbk("[发送]") + "01 02 ",
         stamp + gbk("[发送]") + "01 02 \r\n"},
        {"empty view: one more space", 1, 0, 1, true, gbk("[发送]") + "01 02  ", gbk("[发送]") + "01 02  "},
        {"display stopped: logged bare", 1, 0, 0, false, "", "01 02 "},
    };
    click(SaveToggle);
    surface.setText(Area1Text, "01 02");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.setRichText(ReceiveView, c.viewEmpty ? "" : "x");
        fs::remove(logFile);
        surface.setCheck(ShowSent, c.showSent);
        surface.setCheck(ShowTimestamp, c.stamp);
        if ((surface.text(DisplayToggle) == gbk("停止显示")) != (c.display != 0))
            click(DisplayToggle);
        click(Area1Send);
        const std::string base = c.viewEmpty ? "" : "x";
        EXPECT_EQ(surface.richText(ReceiveView), base + c.view);
        EXPECT_EQ(inColour(kBlue), base + c.view); // the view's own text is blue too
        EXPECT_EQ(logged(), c.log);
    }
    EXPECT_EQ(deviceReceived().size(), 10u);
}

TEST_F(TrafficTest, AutoSendPeriodsCountFourteenMillisecondsPerTick)
{
    struct Case {
        const char* period;
        int ticks;
        int sends;
    };
    const Case cases[] = {{"10", 10, 10}, {"14", 10, 5}, {"28", 9, 3}, {"1000", 144, 2}, {"5", 4, 4}};
    surface.setText(Area3Text, "AA");
    surface.setCheck(Area3Auto, 1);
    dlg().dispatch(Area3Auto, dialog::Notification::Clicked);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.period);
        // Every case ends on a send, so the next one counts from zero.
        surface.setText(Area3Period, c.period);
        const auto before = counter(TxFrames);
        ticks(c.ticks);
        EXPECT_EQ(counter(TxFrames) - before, c.sends);
        deviceReceived();
    }
}

TEST_F(TrafficTest, AutoSendAndRotationBoxesExcludeEachOther)
{
    surface.setCheck(Area1TakesPart, 1);
    surface.setCheck(Area1Auto, 1);
    dlg().dispatch(Area1Auto, dialog::Notification::Clicked);
    EXPECT_TRUE(surface.isEnabled(Area1Period));
    EXPECT_EQ(surface.check(Area1TakesPart), 0);
    surface.setCheck(Area1Auto, 0);
    dlg().dispatch(Area1Auto, dialog::Notification::Clicked);
    EXPECT_FALSE(surface.isEnabled(Area1Period));

    surface.setCheck(Area2Auto, 1);
    dlg().dispatch(Area2Auto, dialog::Notification::Clicked);
    dlg().dispatch(Area2TakesPart, dialog::Notification::Clicked);
    EXPECT_EQ(surface.check(Area2Auto), 0);
    EXPECT_FALSE(surface.isEnabled(Area2Period));
}

TEST_F(TrafficTest, OversizedFrameIsRefusedWholeAndReportedOnce)
{
    std::string text;
    for (int i = 0; i < 4097; ++i)
        text += "5A ";
    surface.setText(Area1Text, text);
    surface.setCheck(Area1Auto, 1);
    surface.setText(Area1Period, "10");
    ticks(5);
    EXPECT_TRUE(deviceReceived().empty());
    EXPECT_EQ(counter(TxFrames), 0);
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_NE(dialog::fromGbk(surface.messages[0].text).find("4097"), std::string::npos);

    surface.setCheck(Area1Auto, 0);
    surface.setText(Area1Text, text.substr(3)); // 4096 bytes: the largest frame
    click(Area1Send);
    std::size_t got = 0;
    for (int i = 0; i < 100 && got < 4096; ++i)
        got += deviceReceived().size();
    EXPECT_EQ(got, 4096u);
    EXPECT_EQ(surface.messages.size(), 1u);
}

TEST_F(QuillonTest, HandlersKeepWhatWasTypedWhileThePortIsClosed)
{
    struct Case {
        const char* name;
        int button;
        std::string pathTyped, pathChosen, pathAfter;
        int cleared;               // the area text the handler empties, 0: none
        std::string timeout = "5"; // "": the read stops there, before the check box
    };
    const Case cases[] = {
        {"更改文件", ChangeFile, "typed.txt", "chosen.txt", "chosen.txt", 0},
        {"清空 of area 2", Area2Clear, "typed.txt", "", "typed.txt", Area2Text},
        {"清空 of area 3 after a read that stops at a bad integer", Area3Clear, "typed.txt", "", "typed.txt", Area3Text,
         ""},
        {"保存数据 with the log path emptied", SaveToggle, "", "", "data.txt", 0},
    };
    start();
    for (int k = 0; k < 4; ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.name);
        const std::string typed = "0" + std::to_string(k);
        for (int id : {Area1Text, Area2Text, Area3Text})
            surface.setText(id, typed + std::to_string(id));
        surface.setCheck(ShowSent, 1 - k % 2);
        choose(Baud, 6 + k);
        surface.setText(LogPath, c.pathTyped);
        surface.setText(AnswerTimeout, c.timeout);
        surface.messages.clear();
        if (!c.pathChosen.empty())
            surface.fileAnswers.emplace_back(c.pathChosen);
        click(c.button);
        for (int id : {Area1Text, Area2Text, Area3Text})
            EXPECT_EQ(surface.text(id), id == c.cleared ? "" : typed + std::to_string(id));
        EXPECT_EQ(surface.check(ShowSent), 1 - k % 2);
        EXPECT_EQ(surface.selection(Baud), 6 + k);
        EXPECT_EQ(surface.text(LogPath), c.pathAfter);
        EXPECT_EQ(surface.text(AnswerTimeout), c.timeout);
        EXPECT_EQ(surface.messages.size(), c.timeout.empty() ? 1u : 0u);
    }
}

TEST_F(TrafficTest, ClearAreaEmptiesTheText)
{
    surface.setText(Area3Text, "01 02");
    ticks(1); // the text reaches the area at the tick's exchange
    ASSERT_TRUE(surface.messages.empty());
    click(Area3Clear);
    EXPECT_EQ(surface.text(Area3Text), "");
}

TEST_F(TrafficTest, ChecksumIsAppendedToTheTextAsTyped)
{
    struct Case {
        const char* name;
        int hex;
        std::string text;
        int kind;
        int answer;
        std::string after;
        bool ticksBehindTheDialog = false;
    };
    const Case cases[] = {
        {"crc16", 1, "01 03 00 00 00 0A", 0, IdOk, "01 03 00 00 00 0A C5 CD"},
        {"crc32 high first", 1, "01 02 03", 6, IdOk, "01 02 03 55 BC 80 1D"},
        {"text area still takes the hex bytes", 0, "01 02 03", 0, IdOk, "01 02 03 61 61"},
        {"lower case in a text area is no hex", 0, "abc", 0, IdOk, "abc"},
        {"lower case in a hex area", 1, "abc", 3, IdOk, "abc B7"},
        {"lower case in a hex area while ticks run", 1, "abc", 3, IdOk, "abc B7", true},
        {"trailing space is kept", 1, "01 ", 4, IdOk, "01  01"},
        {"cancel", 1, "01", 0, IdCancel, "01"},
        {"empty text: no dialog", 1, "", 0, IdOk, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        surface.modalTitles.clear();
        surface.setCheck(Area1Hex, c.hex);
        surface.setText(Area1Text, c.text);
        surface.modalHandler = [&](const dialog::WindowTemplate&, dialog::DialogLogic& logic) {
            dialog::testing::MemorySurface box(quillonChecksumDialogTemplate());
            logic.bind(box);
            logic.onInit();
            EXPECT_EQ(box.check(kChecksumFirstRadio), 1); // the first kind each time
            if (c.ticksBehindTheDialog)
                ticks(1);
            box.setCheck(kChecksumFirstRadio, 0);
            box.setCheck(kChecksumFirstRadio + c.kind, 1);
            logic.dispatch(c.answer, dialog::Notification::Clicked);
            return box.endedWith.value_or(0);
        };
        click(Area1Checksum);
        EXPECT_EQ(surface.text(Area1Text), c.after);
        EXPECT_EQ(surface.modalTitles.size(), c.text.empty() ? 0u : 1u);
    }
    EXPECT_TRUE(surface.messages.empty());
}
