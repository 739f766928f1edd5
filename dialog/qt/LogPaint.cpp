#include "dialog/qt/LogPaint.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace dialog::qt {

void LogPainter::paint(QPainter& p, const LogPaintState& s)
{
    const int rh = s.rowHeight;
    std::size_t i = text_.paragraphOfRow(s.topRow);
    qreal y = kLogMargin + static_cast<qreal>(text_.rowsBefore(std::min(i, text_.paragraphCount())) - s.topRow) * rh;
    // The caret of a row that wraps is at the start of the next row; that
    // of the paragraph's end, at the end of its last row.
    for (; i < text_.paragraphCount() && y < s.toY; ++i) {
        const qreal paragraphHeight = static_cast<qreal>(text_.rowsBefore(i + 1) - text_.rowsBefore(i)) * rh;
        if (y + paragraphHeight <= s.fromY) {
            y += paragraphHeight;
            continue;
        }
        const std::vector<LogLayout::Row>& rows = layout_.rowsOfParagraph(i);
        const bool caretIn = s.caret >= rows.front().start && s.caret <= rows.back().end;
        const std::size_t caretRow = caretIn ? LogLayout::rowHolding(rows, s.caret) : rows.size();
        for (std::size_t r = 0; r < rows.size(); ++r, y += rh) {
            if (y + rh > s.fromY && y < s.toY)
                drawRow(p, s, rows[r], y, r == caretRow);
        }
    }
}

void LogPainter::drawRow(QPainter& p, const LogPaintState& s, const LogLayout::Row& row, qreal y, bool caretHere)
{
    // The glyphs of the view's font are placed as the wrap measured them:
    // a log has nothing to shape, and shaping each row was most of a
    // paint's cost.
    const std::vector<qreal> xs = layout_.edgesOf(row.shown);
    const int rh = s.rowHeight;
    const auto index = [&row](std::size_t pos) { return LogLayout::indexInRow(row, pos); };
    const int selFrom = index(std::clamp(s.selectionStart, row.start, row.end));
    const int selTo = index(std::clamp(s.selectionEnd, row.start, row.end));
    if (selFrom < selTo)
        p.fillRect(QRectF(kLogMargin + xs[static_cast<std::size_t>(selFrom)], y,
                          xs[static_cast<std::size_t>(selTo)] - xs[static_cast<std::size_t>(selFrom)], rh),
                   s.highlight);
    const qreal baseline = y + s.ascent;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    // One run of glyphs per colour; a character the font lacks is drawn
    // on its own, in whatever font Qt finds for it.
    const auto drawPiece = [&](int from, int to, QRgb colour) {
        if (from >= to)
            return;
        glyphs.clear();
        positions.clear();
        p.setPen(QColor::fromRgb(colour));
        for (int i = from; i < to; ++i) {
            const char16_t u = row.shown[i].unicode();
            if (u == '\t')
                continue;
            const LogLayout::Glyph& g = layout_.glyphOf(u);
            const QPointF at(kLogMargin + xs[static_cast<std::size_t>(i)], baseline);
            if (g.index == LogLayout::kMissing)
                p.drawText(at, QString(QChar(u)));
            else if (g.index != LogLayout::kNoGlyph) {
                glyphs.push_back(g.index);
                positions.push_back(at);
            }
        }
        if (glyphs.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(glyphs_.rawFont());
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        p.drawGlyphRun(QPointF(0, 0), run);
    };
    const std::vector<LogText::ColourRun>& colours = text_.colours();
    auto colourRun = std::upper_bound(colours.begin(), colours.end(), row.start,
                                      [](std::size_t pos, const LogText::ColourRun& r) { return pos < r.start; });
    if (colourRun != colours.begin())
        --colourRun;
    for (; colourRun != colours.end() && colourRun->start < std::max(row.end, row.start + 1); ++colourRun) {
        const int from = index(std::max(colourRun->start, row.start));
        const int to = colourRun + 1 != colours.end() ? index(std::min((colourRun + 1)->start, row.end))
                                                      : static_cast<int>(row.shown.size());
        if (to <= from)
            continue;
        // The selected part of the run in the selection's colour.
        drawPiece(from, std::min(to, std::max(from, selFrom)), colourRun->colour);
        drawPiece(std::max(from, selFrom), std::min(to, selTo), s.highlightedText);
        drawPiece(std::max(from, std::min(to, selTo)), to, colourRun->colour);
    }
    if (caretHere && s.showCaret)
        p.fillRect(QRectF(kLogMargin + xs[static_cast<std::size_t>(index(s.caret))], y, 1, rh), s.caretBrush);
}

} // namespace dialog::qt
