#pragma once
// Drawing a receive view's rows in sight: the glyphs of its font placed
// as the layout measured them, in the text's colours, with the selection
// and the caret.

#include "dialog/qt/LogLayout.h"
#include "dialog/qt/LogText.h"

#include <QBrush>
#include <QRgb>

#include <cstdint>

class QPainter;

namespace dialog::qt {

/// Around the rows, in pixels.
inline constexpr int kLogMargin = 4;

struct LogPaintState {
    std::int64_t topRow; // the first row in sight
    int fromY;           // the part to paint, in the viewport
    int toY;
    int rowHeight;
    qreal ascent;
    std::size_t selectionStart;
    std::size_t selectionEnd;
    std::size_t caret;
    bool showCaret;
    QBrush highlight;
    QRgb highlightedText;
    QBrush caretBrush;
};

class LogPainter {
public:
    LogPainter(const LogText& text, LogLayout& layout, const FontGlyphs& glyphs)
        : text_(text), layout_(layout), glyphs_(glyphs)
    {
    }

    void paint(QPainter& p, const LogPaintState& state);

private:
    void drawRow(QPainter& p, const LogPaintState& s, const LogLayout::Row& row, qreal y, bool caretHere);

    const LogText& text_;
    LogLayout& layout_;
    const FontGlyphs& glyphs_;
};

} // namespace dialog::qt
