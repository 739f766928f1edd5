#include "quillon/app/SettingsFiles.h"

#include <gtest/gtest.h>

using namespace quillon;

TEST(SettingsFiles, PortSettingsFileReading)
{
    struct Case {
        const char* name;
        std::string content;
        StoredPortSettings expected;
    };
    const Case cases[] = {
        {"full file", "COM7\r\n2\r\n1\r\n0\r\n12\r\n", {"COM7", 2, 1, 0, 12}},
        {"LF only", "COM2\n0\n2\n1\n6\n", {"COM2", 0, 2, 1, 6}},
        {"no final line end", "COM2\r\n0\r\n2\r\n1\r\n6", {"COM2", 0, 2, 1, 6}},
        {"short file: missing lines read as 0", "COM3\r\n1\r\n", {"COM3", 1, 0, 0, 0}},
        {"name only", "COM4", {"COM4", 0, 0, 0, 0}},
        {"empty file", "", {"", 0, 0, 0, 0}},
        {"non-numeric lines", "COM1\r\nx\r\n\r\n3abc\r\n -1\r\n", {"COM1", 0, 0, 3, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto s = parsePortSettings(c.content);
        EXPECT_EQ(s.portName, c.expected.portName);
        EXPECT_EQ(s.stopBitsIndex, c.expected.stopBitsIndex);
        EXPECT_EQ(s.parityIndex, c.expected.parityIndex);
        EXPECT_EQ(s.dataBitsIndex, c.expected.dataBitsIndex);
        EXPECT_EQ(s.baudIndex, c.expected.baudIndex);
    }
}

TEST(SettingsFiles, PortSettingsAreWrittenStopBitsFirst)
{
    EXPECT_EQ(formatPortSettings({"COM12", 2, 4, 1, 10}), "COM12\r\n2\r\n4\r\n1\r\n10\r\n");
    EXPECT_EQ(formatPortSettings({"COM1", 0, -1, 0, -1}), "COM1\r\n0\r\n-1\r\n0\r\n-1\r\n");
}

TEST(SettingsFiles, SendAreaTextsRoundTrip)
{
    struct Case {
        const char* name;
        std::array<std::string, 3> texts;
        std::string file;
    };
    // clang-format off
    const Case cases[] = {
        {"plain texts are stored as they stand", {"01 02 03", "hello", ""}, "01 02 03\r\nhello\r\n\r\n"},
        {"line breaks stay inside the text", {"AT\r\nOK", "a\nb", "c\rd"}, "AT\\r\\nOK\r\na\\nb\r\nc\\rd\r\n"},
        {"backslashes are doubled", {"C:\\new", "\\", "\\n"}, "C:\\\\new\r\n\\\\\r\n\\\\n\r\n"},
        {"GBK trail byte 0x5C is not a backslash", {"\x81\x5C" "x", "", ""}, "\x81\x5C" "x\r\n\r\n\r\n"},
        {"chinese text", {"\xB4\xF2\xBF\xAA", "", "\xD6\xD0\r\n"}, "\xB4\xF2\xBF\xAA\r\n\r\n\xD6\xD0\\r\\n\r\n"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(formatSendAreaTexts(c.texts), c.file);
        EXPECT_EQ(parseSendAreaTexts(c.file), c.texts);
    }
}

TEST(SettingsFiles, SendAreaFileReadsOnlyThreeLines)
{
    const auto texts = parseSendAreaTexts("one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_EQ(texts, (std::array<std::string, 3>{"one", "two", "three"}));
    EXPECT_EQ(parseSendAreaTexts("only\r\n"), (std::array<std::string, 3>{"only", "", ""}));
    // An older file whose text held a raw line break: its later lines fill
    // the following areas.
    EXPECT_EQ(parseSendAreaTexts("01\r\n02\r\nB\r\nC\r\n"), (std::array<std::string, 3>{"01", "02", "B"}));
}
