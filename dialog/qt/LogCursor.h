#pragma once
// The caret and selection of a receive view, and how the keys and the
// mouse move them over its rows. No widget: the view shows the result and
// keeps the caret in sight.

#include "dialog/qt/LogLayout.h"
#include "dialog/qt/LogText.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdint>

namespace dialog::qt {

class LogCursor {
public:
    enum class Move {
        NextCharacter,
        PreviousCharacter,
        NextRow,
        PreviousRow,
        NextPage,
        PreviousPage,
        RowStart,
        RowEnd,
        TextStart,
        TextEnd,
    };

    LogCursor(const LogText& text, LogLayout& layout) : text_(text), layout_(layout) {}

    std::size_t caret() const { return caret_; }
    std::size_t anchor() const { return anchor_; }
    std::size_t selectionStart() const { return std::min(anchor_, caret_); }
    std::size_t selectionEnd() const { return std::max(anchor_, caret_); }
    bool hasSelection() const { return anchor_ != caret_; }

    /// Selects from anchor to caret, within the text.
    void select(std::size_t anchor, std::size_t caret);
    /// The caret and anchor both at pos, the column kept for up and down.
    void collapse(std::size_t pos) { caret_ = anchor_ = pos; }
    /// A key's move; with extend the anchor stays. A page is pageRows.
    void move(Move m, bool extend, int pageRows);
    /// A click at pos; with extend (shift) the anchor stays.
    void click(std::size_t pos, bool extend);
    /// A drag of the click's selection to pos.
    void drag(std::size_t pos) { caret_ = pos; }
    /// The word around pos in its row, or the character after it.
    void selectWordAt(std::size_t pos);
    /// Bytes [from, to) of the text were replaced by inserted bytes.
    void followEdit(std::size_t from, std::size_t to, std::size_t inserted);

private:
    void moveTo(std::size_t pos, bool extend);
    void vertical(std::int64_t rowsDown, bool extend);
    void rowEdge(bool end, bool extend);

    const LogText& text_;
    LogLayout& layout_;
    std::size_t caret_ = 0;
    std::size_t anchor_ = 0;
    qreal caretX_ = -1; // kept through up and down moves
};

} // namespace dialog::qt
