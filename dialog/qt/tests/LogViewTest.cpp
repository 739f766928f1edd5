#include "dialog/qt/LogView.h"

#include "dialog/qt/LogText.h"

#include "dialog/Gbk.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dialog::qt {
namespace {

using dialog::gbk;

std::unique_ptr<LogView> shownView()
{
    auto view = std::make_unique<LogView>(nullptr);
    view->resize(220, 120);
    view->show();
    return view;
}

QRect bottomRows(const LogView& view)
{
    const QRect all = view.viewport()->rect();
    return all.adjusted(0, all.height() - 40, 0, 0);
}

// The index a view builds piece by piece must be the one it would build
// from the whole text at once: rows, characters and what shows.
TEST(LogView, PieceByPieceMatchesTheWholeText)
{
    const QColor red(255, 0, 0);
    const std::string longRun(9000, 'x');
    struct Case {
        const char* name;
        std::function<void(LogView&)> steps;
    };
    const Case cases[] = {
        {"CR, then LF in the next append",
         [&](LogView& v) {
             v.append("ab\r", red);
             v.append("\ncd", red);
         }},
        {"a long run in uneven pieces",
         [&](LogView& v) {
             for (std::size_t at = 0; at < longRun.size(); at += 1237)
                 v.append(longRun.substr(at, 1237) + (at % 2 ? "y z " : ""), red);
         }},
        {"a double-byte character across the paragraph limit",
         [&](LogView& v) {
             v.append(std::string(4095, 'a'), red);
             v.append(gbk("中文") + "\r\n" + gbk("表"), red);
         }},
        {"the whole text set again without a middle character",
         [&](LogView& v) {
             v.setText("line one\r\nline two\r\nline three", red);
             v.setText("line one\r\nline wo\r\nline three", red);
         }},
        {"the user joins two lines",
         [&](LogView& v) {
             v.setText("first\r\nsecond\r\nthird\r\n", red);
             v.userReplace(5, 7, "");
         }},
        {"the user types into a long paragraph",
         [&](LogView& v) {
             v.setText(longRun + "\r\ntail", red);
             v.userReplace(5000, 5000, gbk("插入\r\n"));
         }},
        {"hex bytes a few at a time, past the paragraph limit",
         [&](LogView& v) {
             std::string hex;
             for (int i = 0; i < 2000; ++i)
                 hex += "0123456789ABCDEF"[i % 16] + std::string("F ");
             for (std::size_t at = 0; at < hex.size(); at += 1 + at % 7) {
                 v.append(hex.substr(at, 1 + at % 7), red);
                 if (at % 5 == 0) {
                     v.scrollToEnd();
                     v.viewport()->grab(bottomRows(v));
                 }
             }
         }},
        {"words, tabs and double-byte characters a character at a time",
         [&](LogView& v) {
             const std::string piece = "ab\tcd " + gbk("中文") + "efgh\t";
             for (int i = 0; i < 40; ++i)
                 for (std::size_t at = 0; at < piece.size(); at += dialog::isGbkLeadByte(piece[at]) ? 2 : 1)
                     v.append(piece.substr(at, dialog::isGbkLeadByte(piece[at]) ? 2 : 1), red);
         }},
        {"appends between changes of the width",
         [&](LogView& v) {
             v.append(std::string(300, 'w') + " ", red);
             v.resize(150, 120);
             v.append(std::string(300, 'v') + " ", red);
             v.resize(220, 120);
             v.append(std::string(300, 'u'), red);
         }},
        {"the word that wrapped made short again",
         [&](LogView& v) {
             v.append("aaaa ", red);
             const std::size_t word = v.text().size();
             for (const int rows = v.rowCount(); v.rowCount() == rows && v.text().size() < 1000;)
                 v.append("b", red);
             v.userReplace(word, v.text().size(), "b");
         }},
        {"everything removed",
         [&](LogView& v) {
             v.setText("a\r\nb", red);
             v.setText("", red);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto built = shownView();
        c.steps(*built);
        auto whole = shownView();
        whole->setText(std::string(built->text()), red);
        EXPECT_EQ(built->rowCount(), whole->rowCount());
        EXPECT_EQ(built->characterCount(), whole->characterCount());
        EXPECT_EQ(built->toPlainText(), whole->toPlainText());
        // The last rows first, as a feed paints them: the rows kept from
        // the paints before must be the ones a fresh layout gives.
        built->scrollToEnd();
        whole->scrollToEnd();
        EXPECT_EQ(built->viewport()->grab(bottomRows(*built)).toImage(),
                  whole->viewport()->grab(bottomRows(*whole)).toImage());
    }
}

TEST(LogView, LongTextsWrapAndLineBreaksCountOnce)
{
    auto view = shownView();
    view->setText("a\r\nb\rc\nd", Qt::black);
    EXPECT_EQ(view->rowCount(), 4);
    EXPECT_EQ(view->characterCount(), 7);
    view->setText(std::string(9000, 'x'), Qt::black);
    EXPECT_GT(view->rowCount(), 9000 / 60);                          // far wider than the view
    EXPECT_EQ(view->toPlainText(), QString(9000, QLatin1Char('x'))); // its pieces join without breaks
}

// A long run without line breaks is kept in pieces; its rows are the ones
// the width forces, wherever the pieces end and however the text came.
TEST(LogText, PiecesOfALongRunInventNoRows)
{
    // Rows of a fixed number of characters, cut anywhere.
    const auto perRow = [](int width) -> LogText::RowCounter {
        return [width](const QString& shown, int* lastRowStart) {
            const int rows = std::max<int>(1, static_cast<int>((shown.size() + width - 1) / width));
            if (lastRowStart)
                *lastRowStart = (rows - 1) * width;
            return rows;
        };
    };
    // The rows of each line at that width.
    const auto expectedRows = [](const QString& shown, int width) {
        std::int64_t rows = 0;
        for (const QString& line : shown.split(QLatin1Char('\n')))
            rows += std::max<qsizetype>(1, (line.size() + width - 1) / width);
        return rows;
    };
    const std::string frame = gbk("[接收]") + [] {
        std::string run;
        for (int i = 0; i < 5000; ++i)
            run += gbk("中");
        return run + "1"; // 10,001 bytes
    }();
    const std::string next = gbk("[接收]") + "ok\r\n";
    struct Case {
        const char* name;
        int width;
        std::function<void(LogText&, const LogText::RowCounter&)> steps;
        int finalWidth = 0; // recounted at this width when not 0
    };
    const Case cases[] = {
        {"a 10,001-byte frame, then the next one", 55,
         [&](LogText& t, const LogText::RowCounter& rows) {
             t.replace(0, 0, frame, 0, false, rows);
             t.replace(t.size(), t.size(), next, 0, false, rows);
         }},
        {"the frame in uneven appends", 55,
         [&](LogText& t, const LogText::RowCounter& rows) {
             for (std::size_t at = 0; at < frame.size(); at += 1237)
                 t.replace(t.size(), t.size(), frame.substr(at, 1237), 0, false, rows);
         }},
        {"a character typed into its second piece", 55,
         [&](LogText& t, const LogText::RowCounter& rows) {
             t.replace(0, 0, frame + next, 0, false, rows);
             t.replace(6000, 6000, "z", 0, false, rows);
         }},
        {"the width changed after it came", 55,
         [&](LogText& t, const LogText::RowCounter& rows) { t.replace(0, 0, frame + next, 0, false, rows); }, 37},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogText text(0);
        c.steps(text, perRow(c.width));
        const int width = c.finalWidth ? c.finalWidth : c.width;
        if (c.finalWidth)
            text.recount(perRow(width));
        EXPECT_EQ(text.totalRows(), expectedRows(text.shownText(0, text.size()), width));
    }
}

TEST(LogView, KeysEditWholeCharacters)
{
    struct Case {
        const char* name;
        std::string text;
        std::size_t caret;
        std::function<void(LogView&)> key;
        std::string after;
        bool readOnly = false;
    };
    const auto press = [](Qt::Key k) { return [k](LogView& v) { QTest::keyClick(&v, k); }; };
    const Case cases[] = {
        {"backspace after a line break", "ab\r\n", 4, press(Qt::Key_Backspace), "ab"},
        {"backspace after a double-byte character", gbk("a中"), 3, press(Qt::Key_Backspace), "a"},
        {"delete before a double-byte character", gbk("中b"), 0, press(Qt::Key_Delete), "b"},
        {"enter", "ab", 1, press(Qt::Key_Return), "a\r\nb"},
        {"a letter", "ab", 2, [](LogView& v) { QTest::keyClicks(&v, "c"); }, "abc"},
        {"a letter, read-only", "ab", 2, [](LogView& v) { QTest::keyClicks(&v, "c"); }, "ab", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = shownView();
        view->setReadOnly(c.readOnly);
        view->setText(c.text, Qt::black);
        view->setSelection(c.caret, c.caret);
        QSignalSpy edited(view.get(), &LogView::textEdited);
        c.key(*view);
        EXPECT_EQ(view->text(), c.after);
        EXPECT_EQ(edited.count(), c.after == c.text ? 0 : 1);
        EXPECT_EQ(view->isModified(), c.after != c.text);
    }
}

// The program keeps what it received only in the view: undoing the
// user's edits must give back its bytes and colours exactly.
TEST(LogView, RevertUndoesTheUsersEditsSinceTheProgramWrote)
{
    struct Edit {
        std::size_t from, to;
        std::string with;
    };
    struct Case {
        const char* name;
        std::vector<Edit> edits;
    };
    const Case cases[] = {
        {"a deleted double-byte character", {{2, 4, ""}}},
        {"a selection replaced, then typed into", {{1, 6, "pq"}, {2, 2, "c"}}},
        {"everything deleted", {{0, 7, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto view = shownView();
        view->setText(gbk("rx中\r\n"), Qt::black);
        view->append("z", Qt::red);
        for (const Edit& e : c.edits) {
            view->userReplace(e.from, e.to, e.with);
            view->setModified(false); // a handler took the edit in
        }
        view->revertUserEdits();
        EXPECT_EQ(view->text(), gbk("rx中\r\nz"));
        EXPECT_FALSE(view->isModified());
        EXPECT_EQ(view->colourAt(view->text().find('z')), QColor(Qt::red).rgb());
        EXPECT_EQ(view->rowCount(), 2);
    }
}

TEST(LogView, AccessibilityToolsCountCharacters)
{
    auto view = shownView();
    view->setText(gbk("a中\r\nb"), Qt::black);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view.get());
    ASSERT_TRUE(a && a->textInterface() && a->editableTextInterface());
    EXPECT_EQ(a->textInterface()->characterCount(), 4);
    EXPECT_EQ(a->textInterface()->text(0, -1), QStringLiteral("a中\nb"));
    a->textInterface()->setCursorPosition(3);
    EXPECT_EQ(view->caret(), 5u); // after the CR LF
    QSignalSpy edited(view.get(), &LogView::textEdited);
    a->editableTextInterface()->insertText(1, QStringLiteral("文"));
    EXPECT_EQ(view->text(), gbk("a文中\r\nb"));
    EXPECT_EQ(edited.count(), 1);
}

} // namespace
} // namespace dialog::qt
