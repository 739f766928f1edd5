#include "dialog/qt/LogLayout.h"
#include "dialog/qt/LogCursor.h"
#include "dialog/qt/LogText.h"

#include "dialog/Gbk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dialog::qt {
namespace {

using dialog::gbk;
using Move = LogCursor::Move;

// A made-up font: 10 wide, 20 for 'W' and anything past ASCII.
LogLayout::Glyph measured(char16_t u) { return {u, u == 'W' || u >= 0x80 ? 20.f : 10.f}; }

struct Laid {
    Laid(const std::string& text, qreal width)
    {
        layout.setWidth(width);
        this->text.replace(0, 0, text, 0, false, layout.rowCounter());
    }
    // Every row as shown, '|' between them.
    QString rows()
    {
        QStringList shown;
        for (std::size_t i = 0; i < text.paragraphCount(); ++i)
            for (const LogLayout::Row& row : layout.rowsOfParagraph(i))
                shown << row.shown;
        return shown.join(QLatin1Char('|'));
    }

    LogText text{0};
    LogLayout layout{text, measured};
    LogCursor cursor{text, layout};
};

TEST(LogLayout, WrapsParagraphsAtTheWidth)
{
    struct Case {
        const char* name;
        std::string text;
        qreal width;
        QString rows;
    };
    const Case cases[] = {
        {"a run without spaces is cut at the width", "abcdefghijkl", 50, "abcde|fghij|kl"},
        {"a word that does not fit starts the next row", "aaa bbb", 50, "aaa |bbb"},
        {"spaces hang past the edge", "abcde   f", 50, "abcde   |f"},
        {"a tab runs to the next stop", "a\tb", 85, "a\t|b"},
        {"a tab within the width", "a\tb", 90, "a\tb"},
        {"wider characters", "WWW" + gbk("中中"), 50, "WW|W中|中"},
        {"line breaks end rows", "ab\r\ncd\ref\ngh", 50, "ab|cd|ef|gh"},
        {"a control character takes no room",
         "abcde\x01"
         "f",
         50, "abcde\x01|f"},
        {"no width: a row per paragraph", "abcdefghijkl", 0, "abcdefghijkl"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Laid laid(c.text, c.width);
        EXPECT_EQ(laid.rows(), c.rows);
        EXPECT_EQ(laid.text.totalRows(), c.rows.count(QLatin1Char('|')) + 1);
    }
}

// Rows 0 and 1: "abcde" "fghij"; row 2: "k中"; rows 3 and 4: "mnopq" "rstu".
const std::string kText = "abcdefghij\r\nk" + gbk("中") + "\r\nmnopqrstu";

TEST(LogLayout, MapsBytesToRowsAndBack)
{
    Laid laid(kText, 50);
    ASSERT_EQ(laid.rows(), QString::fromUtf8("abcde|fghij|k中|mnopq|rstu"));
    struct ToRow {
        const char* name;
        std::size_t pos;
        std::int64_t row;
        int x;
    };
    const ToRow toRows[] = {
        {"the start", 0, 0, 0},           {"at a wrap, the row it starts", 5, 1, 0},
        {"a paragraph's end", 10, 1, 50}, {"after a double-byte character", 15, 2, 30},
        {"the end", 26, 4, 40},
    };
    for (const ToRow& c : toRows) {
        SCOPED_TRACE(c.name);
        int x = -1;
        EXPECT_EQ(laid.layout.rowOfPosition(c.pos, &x), c.row);
        EXPECT_EQ(x, c.x);
    }
    struct ToPosition {
        const char* name;
        std::int64_t row;
        qreal x;
        std::size_t pos;
    };
    const ToPosition toPositions[] = {
        {"left of a character's middle", 0, 14, 1},
        {"right of a character's middle", 0, 16, 2},
        {"past a wrapped row's end: before its last character", 0, 200, 4},
        {"past a paragraph's end: its end", 1, 200, 10},
        {"on a double-byte character's right half", 2, 25, 15},
        {"left of the row", 3, -5, 17},
        {"a row past the last: the last", 99, 0, 22},
    };
    for (const ToPosition& c : toPositions) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(laid.layout.positionAtRow(c.row, c.x), c.pos);
    }
}

TEST(LogCursor, KeysMoveTheCaretOverRows)
{
    struct Case {
        const char* name;
        std::size_t anchor;
        std::size_t caret;
        std::vector<Move> moves;
        bool extend;
        std::size_t anchorAfter;
        std::size_t caretAfter;
        int page = 3;
    };
    // clang-format off
    const Case cases[] = {
        {"right over a line break", 10, 10, {Move::NextCharacter}, false, 12, 12},
        {"left over a line break", 12, 12, {Move::PreviousCharacter}, false, 10, 10},
        {"right over a double-byte character", 13, 13, {Move::NextCharacter}, false, 15, 15},
        {"left over a double-byte character", 15, 15, {Move::PreviousCharacter}, false, 13, 13},
        {"right ends a selection at its end", 6, 2, {Move::NextCharacter}, false, 6, 6},
        {"left ends a selection at its start", 2, 6, {Move::PreviousCharacter}, false, 2, 2},
        {"shift-right extends a selection", 2, 6, {Move::NextCharacter}, true, 2, 7},
        {"right at the end stays", 26, 26, {Move::NextCharacter}, false, 26, 26},
        {"down keeps the column through a short row", 4, 4, {Move::NextRow, Move::NextRow, Move::NextRow}, false, 21,
         21},
        {"down from a wrap goes from the row it starts", 5, 5, {Move::NextRow}, false, 12, 12},
        {"up from the first row goes to the start", 3, 3, {Move::PreviousRow}, false, 0, 0},
        {"down from the last row goes to the end", 23, 23, {Move::NextRow}, false, 26, 26},
        {"shift-down selects to the same column", 2, 2, {Move::NextRow}, true, 2, 7},
        {"page down moves the page's rows", 1, 1, {Move::NextPage}, false, 18, 18},
        {"page up past the top goes to the start", 18, 18, {Move::PreviousPage}, false, 0, 0, 10},
        {"shift-page down past the bottom selects to the end", 1, 1, {Move::NextPage}, true, 1, 26, 10},
        {"home goes to the row's start, not the line's", 8, 8, {Move::RowStart}, false, 5, 5},
        {"end of a wrapped row stops before its last character", 1, 1, {Move::RowEnd}, false, 4, 4},
        {"end of a paragraph's last row is its end", 6, 6, {Move::RowEnd}, false, 10, 10},
        {"shift-end extends from the anchor", 12, 12, {Move::RowEnd}, true, 12, 15},
        {"shift-home collapses nothing", 20, 24, {Move::RowStart}, true, 20, 22},
        {"the end of the text", 3, 3, {Move::TextEnd}, false, 26, 26},
        {"shift to the start of the text", 3, 3, {Move::TextStart}, true, 3, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Laid laid(kText, 50);
        laid.cursor.select(c.anchor, c.caret);
        for (const Move m : c.moves)
            laid.cursor.move(m, c.extend, c.page);
        EXPECT_EQ(laid.cursor.anchor(), c.anchorAfter);
        EXPECT_EQ(laid.cursor.caret(), c.caretAfter);
    }
}

TEST(LogCursor, DoubleClickSelectsAWordOfItsRow)
{
    struct Case {
        const char* name;
        std::string text;
        qreal width;
        std::size_t pos;
        std::size_t from;
        std::size_t to;
    };
    const std::string text = "foo_bar, baz\r\n" + gbk("中文") + " ok";
    const Case cases[] = {
        {"a word with an underscore", text, 1000, 2, 0, 7},
        {"at a word's end", text, 1000, 7, 0, 7},
        {"between two others: the character after", text, 1000, 8, 8, 9},
        {"double-byte letters", text, 1000, 16, 14, 18},
        {"at the text's end", text, 1000, 21, 19, 21},
        {"a wrapped word: the part in the row", "abcdefghij", 50, 7, 5, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Laid laid(c.text, c.width);
        laid.cursor.selectWordAt(c.pos);
        EXPECT_EQ(laid.cursor.selectionStart(), c.from);
        EXPECT_EQ(laid.cursor.selectionEnd(), c.to);
    }
}

TEST(LogCursor, EditsMoveTheSelectionWithTheText)
{
    struct Case {
        const char* name;
        std::size_t from, to, inserted;
        std::size_t anchorAfter, caretAfter;
    };
    // The selection is [4, 8); the text is 20 bytes before each edit.
    const Case cases[] = {
        {"an insert before it", 1, 1, 3, 7, 11},  {"a delete before it", 0, 2, 0, 2, 6},
        {"an edit at its start", 4, 4, 2, 4, 10}, {"a replace over its end", 6, 10, 1, 4, 7},
        {"an edit after it", 9, 12, 0, 4, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Laid laid(std::string(20, 'a'), 0);
        laid.cursor.select(4, 8);
        laid.text.replace(c.from, c.to, std::string(c.inserted, 'b'), 0, false, laid.layout.rowCounter());
        laid.cursor.followEdit(c.from, c.to, c.inserted);
        EXPECT_EQ(laid.cursor.anchor(), c.anchorAfter);
        EXPECT_EQ(laid.cursor.caret(), c.caretAfter);
    }
}

} // namespace
} // namespace dialog::qt
