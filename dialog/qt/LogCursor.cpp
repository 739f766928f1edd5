#include "dialog/qt/LogCursor.h"

#include <QChar>

#include <vector>

namespace dialog::qt {

void LogCursor::select(std::size_t anchor, std::size_t caret)
{
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    caretX_ = -1;
}

void LogCursor::moveTo(std::size_t pos, bool extend)
{
    caret_ = std::min(pos, text_.size());
    if (!extend)
        anchor_ = caret_;
}

void LogCursor::click(std::size_t pos, bool extend)
{
    caret_ = pos;
    if (!extend)
        anchor_ = pos;
    caretX_ = -1;
}

void LogCursor::move(Move m, bool extend, int pageRows)
{
    switch (m) {
    case Move::NextCharacter:
        moveTo(!extend && hasSelection() ? selectionEnd() : text_.nextCharacter(caret_), extend);
        break;
    case Move::PreviousCharacter:
        moveTo(!extend && hasSelection() ? selectionStart() : text_.previousCharacter(caret_), extend);
        break;
    case Move::NextRow: vertical(1, extend); break;
    case Move::PreviousRow: vertical(-1, extend); break;
    case Move::NextPage: vertical(pageRows, extend); break;
    case Move::PreviousPage: vertical(-pageRows, extend); break;
    case Move::RowStart: rowEdge(false, extend); break;
    case Move::RowEnd: rowEdge(true, extend); break;
    case Move::TextStart: moveTo(0, extend); break;
    case Move::TextEnd: moveTo(text_.size(), extend); break;
    }
}

void LogCursor::vertical(std::int64_t rowsDown, bool extend)
{
    int x = 0;
    const std::int64_t row = layout_.rowOfPosition(caret_, &x);
    if (caretX_ < 0)
        caretX_ = x;
    const std::int64_t target = row + rowsDown;
    std::size_t pos;
    if (target < 0)
        pos = 0;
    else if (target >= text_.totalRows())
        pos = text_.size();
    else
        pos = layout_.positionAtRow(target, caretX_);
    moveTo(pos, extend);
}

void LogCursor::rowEdge(bool end, bool extend)
{
    const std::size_t i = text_.paragraphAt(caret_);
    const std::vector<LogLayout::Row> rows = layout_.rowsOfParagraph(i);
    const std::size_t r = LogLayout::rowHolding(rows, caret_);
    // The end of a row that wraps is before its last character: the
    // position after it shows at the start of the next row.
    moveTo(end ? (r + 1 < rows.size() ? text_.previousCharacter(rows[r].end) : rows[r].end) : rows[r].start, extend);
}

void LogCursor::selectWordAt(std::size_t pos)
{
    const std::size_t i = text_.paragraphAt(pos);
    const std::vector<LogLayout::Row> rows = layout_.rowsOfParagraph(i);
    for (const LogLayout::Row& row : rows) {
        if (pos < row.start || pos > row.end)
            continue;
        const auto isWord = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
        int from = LogLayout::indexInRow(row, pos);
        int to = from;
        while (from > 0 && isWord(row.shown[from - 1]))
            --from;
        while (to < row.shown.size() && isWord(row.shown[to]))
            ++to;
        if (from == to && to < row.shown.size())
            ++to;
        select(row.start + static_cast<std::size_t>(row.byteAt[static_cast<std::size_t>(from)]),
               row.start + static_cast<std::size_t>(row.byteAt[static_cast<std::size_t>(to)]));
        return;
    }
}

void LogCursor::followEdit(std::size_t from, std::size_t to, std::size_t inserted)
{
    const auto shift = [&](std::size_t p) {
        if (p <= from)
            return p;
        if (p >= to)
            return p - (to - from) + inserted;
        return from + inserted;
    };
    caret_ = std::min(shift(caret_), text_.size());
    anchor_ = std::min(shift(anchor_), text_.size());
}

} // namespace dialog::qt
